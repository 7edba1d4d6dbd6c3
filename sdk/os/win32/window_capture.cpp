#include "sdk/os/win32/window_win32.h"

#include "sdk/os/window_capture.h"

// What GDI shows of the client area, blitted from the window's device context into a
// DIB section.  A window drawn by OpenGL shows its last swapped frame where the driver
// composes it through GDI (real Windows with composition); Wine keeps GL output on its
// own X drawable, so there the GL platform's own read-back is the reliable source.

namespace zos
{

bool CaptureWindow(HWND hwnd, int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels, std::string* pWhy)
{
  if (pWhy)
    *pWhy = "the window is gone";
  if (!hwnd || !CWindow::IsWindow(hwnd) || !pPixels)
    return false;
  if (pWhy)
    *pWhy = "the system refused to read the window";
  int w = 0, h = 0;
  if (!hwnd->GetClientSize(&w, &h) || w <= 0 || h <= 0)
    return false;
  ::HWND hNative = reinterpret_cast<::HWND>(hwnd->GetNativeHandle());
  HDC hWindowDC = ::GetDC(hNative);
  if (!hWindowDC)
    return false;
  void* pBits = nullptr;
  HBITMAP hSection = CreateTopDownSection(hWindowDC, w, h, &pBits);
  HDC hMemoryDC = ::CreateCompatibleDC(hWindowDC);
  bool bOk = false;
  if (hSection && pBits && hMemoryDC)
  {
    HGDIOBJ hPrevious = ::SelectObject(hMemoryDC, hSection);
    bOk = ::BitBlt(hMemoryDC, 0, 0, w, h, hWindowDC, 0, 0, SRCCOPY) != 0;
    ::GdiFlush();
    if (bOk)
    {
      const uint32_t* pSrc = static_cast<const uint32_t*>(pBits);
      pPixels->resize(static_cast<size_t>(w) * h);
      for (size_t i = 0; i < pPixels->size(); ++i)
        (*pPixels)[i] = 0xFF000000u | (pSrc[i] & 0x00FFFFFFu);
    }
    ::SelectObject(hMemoryDC, hPrevious);
  }
  if (hMemoryDC)
    ::DeleteDC(hMemoryDC);
  if (hSection)
    ::DeleteObject(hSection);
  ::ReleaseDC(hNative, hWindowDC);
  if (bOk)
  {
    if (pWidth)
      *pWidth = w;
    if (pHeight)
      *pHeight = h;
  }
  return bOk;
}

} // namespace zos
