#pragma once

// Memory bitmaps for the software platform: a 32-bit ARGB pixel buffer that the
// rasterizer writes straight into, with solid fills, single pixels, a small built-in
// font for status text, and presentation of the buffer in a window (X11; GDI on
// Windows).

#include "sdk/os/system_names.h"

#include <cstddef>
#include <cstdint>

namespace zos
{

// Builds an opaque colour word from a Windows-style RGB triple.
constexpr uint32_t BitmapRGB(uint32_t r, uint32_t g, uint32_t b)
{
  return 0xFF000000u | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

class CBitmap
{
public:
  CBitmap();
  ~CBitmap();
  CBitmap(const CBitmap&) = delete;
  CBitmap& operator=(const CBitmap&) = delete;

  // Allocates a width x height buffer, zero-filled (black). A zero size or a failed
  // allocation gives false and leaves the bitmap empty.
  bool Create(uint32_t width, uint32_t height);
  void Destroy();

  bool IsValid() const { return m_pPixels != nullptr; }
  uint32_t GetWidth() const { return m_dwWidth; }
  uint32_t GetHeight() const { return m_dwHeight; }
  uint32_t* GetPixels() { return m_pPixels; }
  const uint32_t* GetPixels() const { return m_pPixels; }

  // Solid fills; the rectangle is clipped to the bitmap (right and bottom exclusive).
  void Fill(uint32_t argb);
  void FillRect(int left, int top, int right, int bottom, uint32_t argb);

  // Single pixels; coordinates outside the bitmap are ignored (GetPixel gives 0).
  void SetPixel(int x, int y, uint32_t argb)
  {
    if (m_pPixels && x >= 0 && y >= 0 && uint32_t(x) < m_dwWidth && uint32_t(y) < m_dwHeight)
      m_pPixels[size_t(y) * m_dwWidth + uint32_t(x)] = argb;
  }
  uint32_t GetPixel(int x, int y) const
  {
    if (m_pPixels && x >= 0 && y >= 0 && uint32_t(x) < m_dwWidth && uint32_t(y) < m_dwHeight)
      return m_pPixels[size_t(y) * m_dwWidth + uint32_t(x)];
    return 0;
  }

  // Draws text from the top-left corner of the bitmap with the built-in font: every
  // character cell is painted with the background colour, then the glyph in the text
  // colour. '\n' starts a new line. Characters outside printable ASCII show as '?'.
  // Returns the width in pixels of the widest line.
  int DrawText(const char* text, uint32_t textArgb, uint32_t backArgb, int scale = 1);

  // Size of one character cell of the built-in font at scale 1.
  static constexpr int CELL_WIDTH = 6;
  static constexpr int CELL_HEIGHT = 10;

private:
  uint32_t* m_pPixels;
  uint32_t m_dwWidth;
  uint32_t m_dwHeight;
};

class CWindow;

// Presents bitmaps in a window (the software platform's window device context).
// On a local server with the MIT-SHM extension the pixels go through a shared-memory
// image (one memcpy, no copy through the socket); elsewhere through XPutImage.  On
// Wayland through wl_shm buffers (m_pWayland; m_pDisplay is then the connection).  On
// Windows through a DIB section blitted to the window's device context (m_pDisplay
// then holds the GDI objects; the other members are unused).
class CBitmapPresenter
{
public:
  CBitmapPresenter();
  ~CBitmapPresenter();
  CBitmapPresenter(const CBitmapPresenter&) = delete;
  CBitmapPresenter& operator=(const CBitmapPresenter&) = delete;

  // Looks up the window's visual and makes a graphics context for it. False when the
  // window is null, destroyed or unusable.
  bool Attach(CWindow* hwnd);
  void Detach();
  bool IsAttached() const { return m_pDisplay != nullptr; }

  // Copies width x height pixels from the top-left of the bitmap to (x, y) in the
  // window. The bitmap may be reused as soon as this returns.
  bool Present(const CBitmap& bitmap, int x, int y, uint32_t width, uint32_t height);

  // Window depth as the server reports it (24 or 32 on usual visuals), 0 if detached.
  int GetDepth() const { return m_iDepth; }

  // Whether the last Present went through shared memory (for tests and benchmarks).
  bool UsesSharedMemory() const { return m_pShmImage != nullptr; }

private:
  bool EnsureStaging(size_t count);
  bool EnsureSharedImage(uint32_t width, uint32_t height);
  void DropSharedImage();

  void* m_pDisplay;
  unsigned long m_hWindow;
  void* m_pGC;
  void* m_pVisual;
  int m_iDepth;
  int m_bpp;      // bits per pixel of the window's depth on the server
  bool m_bDirect; // the visual's pixels are 0x00RRGGBB words: no conversion
  uint32_t m_dwRedMask, m_dwGreenMask, m_dwBlueMask;
  uint32_t* m_pStaging; // converted pixels for other visuals
  size_t m_nStaging;
  void* m_pShmImage;   // XImage* in a shared segment, or null
  void* m_pShmInfo;    // its XShmSegmentInfo*
  bool m_bShmUsable;   // MIT-SHM present and not refused so far
  bool m_bShmInFlight; // the server may still be reading the segment
  void* m_pWayland = nullptr; // the Wayland presenter (CShmPresenter*), or null
};

} // namespace zos
