// <windows.h> first: the GL headers then take its calling-convention macros, and the
// zos headers undo the macros that clash with their method names.
#include <windows.h>

#include "sdk/opengl/gl_context.h"

#include "sdk/opengl/gl_headers.h"
#include "sdk/os/window.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace
{

// The record size the display-mode request carries: the mode record up to the panning
// fields, which the request does not use.
constexpr WORD kDisplayModeSize = offsetof(DEVMODEA, dmPanningWidth);
static_assert(kDisplayModeSize == 148, "the display-mode record is sent 148 bytes long");

// What is asked of the pixel format: double-buffered RGBA on a window, 32-bit colour
// (8 bits red, green and blue) without alpha, a 64-bit accumulation buffer, a 32-bit
// depth buffer and an 8-bit stencil, stereo or not.  ChoosePixelFormat gives the
// closest the driver has (typically 24 bits of depth).
PIXELFORMATDESCRIPTOR RequestedFormat()
{
  PIXELFORMATDESCRIPTOR pfd;
  std::memset(&pfd, 0, sizeof(pfd));
  pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_STEREO_DONTCARE;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  pfd.cRedBits = 8;
  pfd.cRedShift = 16;
  pfd.cGreenBits = 8;
  pfd.cGreenShift = 8;
  pfd.cBlueBits = 8;
  pfd.cBlueShift = 0;
  pfd.cAlphaBits = 0;
  pfd.cAlphaShift = 0;
  pfd.cAccumBits = 64;
  pfd.cAccumRedBits = 16;
  pfd.cAccumGreenBits = 16;
  pfd.cAccumBlueBits = 16;
  pfd.cAccumAlphaBits = 0;
  pfd.cDepthBits = 32;
  pfd.cStencilBits = 8;
  pfd.cAuxBuffers = 0;
  pfd.iLayerType = PFD_MAIN_PLANE;
  return pfd;
}

// One colour channel of an RGBA palette entry: the index's bits of that channel
// stretched to 0..255.
BYTE PaletteChannel(int iIndex, int iBits, int iShift)
{
  const int mask = (1 << iBits) - 1;
  if (mask <= 0)
    return 0;
  return static_cast<BYTE>(((iIndex >> iShift) & mask) * 255 / mask);
}

// The logical palette a palette-based pixel format needs: 2^colour-bits entries (at
// most 256) seeded from the system palette; an RGBA format spreads its channels over
// the entries, a colour-index one gets black, red, green and blue first.
HPALETTE MakePalette(HDC hdc, const PIXELFORMATDESCRIPTOR& pfd)
{
  const int count = pfd.cColorBits >= 8 ? 256 : 1 << pfd.cColorBits;
  // The record ends in its entries: a header and count entries in one block.
  std::vector<unsigned char> block(offsetof(LOGPALETTE, palPalEntry) + count * sizeof(PALETTEENTRY));
  LOGPALETTE* palette = reinterpret_cast<LOGPALETTE*>(block.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(count);
  PALETTEENTRY* entries = reinterpret_cast<PALETTEENTRY*>(block.data() + offsetof(LOGPALETTE, palPalEntry));
  GetSystemPaletteEntries(hdc, 0, count, entries);
  if (pfd.iPixelType == PFD_TYPE_RGBA)
  {
    for (int i = 0; i < count; ++i)
    {
      entries[i].peRed = PaletteChannel(i, pfd.cRedBits, pfd.cRedShift);
      entries[i].peGreen = PaletteChannel(i, pfd.cGreenBits, pfd.cGreenShift);
      entries[i].peBlue = PaletteChannel(i, pfd.cBlueBits, pfd.cBlueShift);
      entries[i].peFlags = 0;
    }
  }
  else
  {
    static const BYTE kFirst[4][3] = { { 0, 0, 0 }, { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 } };
    for (int i = 0; i < 4 && i < count; ++i)
    {
      entries[i].peRed = kFirst[i][0];
      entries[i].peGreen = kFirst[i][1];
      entries[i].peBlue = kFirst[i][2];
      entries[i].peFlags = PC_NOCOLLAPSE;
    }
  }
  return CreatePalette(palette);
}

} // namespace

struct CGLContext::SSystem
{
  HWND hWnd = nullptr;
  HDC hDC = nullptr; // held from Create until Destroy
  HGLRC hRC = nullptr;
  HPALETTE hPalette = nullptr;

  // Sets the pixel format on the window's device context and, when the format is
  // palette-based, makes and realises its palette.  The device context is released
  // again (the window's own, so the format and palette stay with it).
  ZRESULT SetPixelFormat()
  {
    HDC hdc = GetDC(hWnd);
    if (!hdc)
      return ZP_FAIL;
    const PIXELFORMATDESCRIPTOR wanted = RequestedFormat();
    const int format = ::ChoosePixelFormat(hdc, &wanted);
    if (format == 0 || !::SetPixelFormat(hdc, format, &wanted))
    {
      ReleaseDC(hWnd, hdc);
      return ZP_FAIL;
    }
    PIXELFORMATDESCRIPTOR real;
    std::memset(&real, 0, sizeof(real));
    DescribePixelFormat(hdc, format, sizeof(real), &real);
    // A second pass (Reacquire) finds the same format: the palette made the first time
    // still serves.
    if (!hPalette && ((real.dwFlags & PFD_NEED_PALETTE) || real.iPixelType == PFD_TYPE_COLORINDEX))
    {
      hPalette = MakePalette(hdc, real);
      if (hPalette)
      {
        SelectPalette(hdc, hPalette, FALSE);
        RealizePalette(hdc);
      }
    }
    ReleaseDC(hWnd, hdc);
    return ZP_OK;
  }
};

CGLContext::CGLContext() : m_pSystem(new SSystem) {}

CGLContext::~CGLContext()
{
  Destroy();
  DeletePalette();
}

bool CGLContext::EnterFullscreen(zos::CWindow*, int iWidth, int iHeight)
{
  // Always a 16-bit mode, whatever colour depth the settings name.
  DEVMODEA mode;
  std::memset(&mode, 0, sizeof(mode));
  mode.dmSize = kDisplayModeSize;
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  mode.dmBitsPerPel = 16;
  mode.dmPelsWidth = static_cast<DWORD>(iWidth);
  mode.dmPelsHeight = static_cast<DWORD>(iHeight);
  return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

void CGLContext::LeaveFullscreen(zos::CWindow*)
{
  // Back to the mode kept in the registry.
  ChangeDisplaySettingsA(nullptr, 0);
}

ZRESULT CGLContext::Create(zos::CWindow* pWnd) { return pWnd ? Create(pWnd->GetNativeHandle()) : ZP_FAIL; }

ZRESULT CGLContext::Create(uintptr_t hNativeWindow)
{
  Destroy();
  SSystem& s = *m_pSystem;
  s.hWnd = reinterpret_cast<HWND>(hNativeWindow);
  if (!s.hWnd || s.SetPixelFormat() < 0)
  {
    s.hWnd = nullptr;
    return ZP_FAIL;
  }
  s.hDC = GetDC(s.hWnd);
  if (s.hDC)
    s.hRC = wglCreateContext(s.hDC);
  if (!s.hRC || !wglMakeCurrent(s.hDC, s.hRC))
  {
    Destroy();
    return ZP_FAIL;
  }
  return ZP_OK;
}

bool CGLContext::Reacquire()
{
  SSystem& s = *m_pSystem;
  if (!s.hRC)
    return false;
  wglMakeCurrent(nullptr, nullptr);
  ReleaseDC(s.hWnd, s.hDC);
  // The same format again: the window keeps the one it has.
  s.SetPixelFormat();
  s.hDC = GetDC(s.hWnd);
  return MakeCurrent();
}

bool CGLContext::MakeCurrent()
{
  const SSystem& s = *m_pSystem;
  return s.hRC && s.hDC && wglMakeCurrent(s.hDC, s.hRC);
}

void CGLContext::ReleaseCurrent()
{
  if (m_pSystem->hRC)
    wglMakeCurrent(nullptr, nullptr);
}

bool CGLContext::ScreenshotsReadThroughOpenGL() { return true; }

bool CGLContext::SwapBuffers()
{
  const SSystem& s = *m_pSystem;
  return s.hDC && ::SwapBuffers(s.hDC);
}

void* CGLContext::GetProcAddress(const char* szName) const
{
  PROC pfn = wglGetProcAddress(szName);
  // Some drivers answer small numbers or -1 instead of null for what they lack.
  const intptr_t value = reinterpret_cast<intptr_t>(pfn);
  if (value >= -1 && value <= 3)
    return nullptr;
  return reinterpret_cast<void*>(pfn);
}

void CGLContext::Destroy()
{
  SSystem& s = *m_pSystem;
  if (s.hRC)
    wglMakeCurrent(nullptr, nullptr);
  if (s.hDC)
    ReleaseDC(s.hWnd, s.hDC);
  if (s.hRC)
    wglDeleteContext(s.hRC);
  s.hRC = nullptr;
  s.hDC = nullptr;
  s.hWnd = nullptr;
}

void CGLContext::DeletePalette()
{
  SSystem& s = *m_pSystem;
  if (s.hPalette)
    DeleteObject(s.hPalette);
  s.hPalette = nullptr;
}

void* CGLContext::GetDeviceContext() const { return m_pSystem->hDC; }

void* CGLContext::GetRenderingContext() const { return m_pSystem->hRC; }

void* CGLContext::GetPalette() const { return m_pSystem->hPalette; }
