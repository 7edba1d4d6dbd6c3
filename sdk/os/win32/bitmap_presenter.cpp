#include "sdk/os/win32/window_win32.h"

#include "sdk/os/bitmap.h"

#include <algorithm>
#include <cstring>

// Presentation on GDI: the pixels are copied into a DIB section selected into a memory
// device context, then blitted to the window's device context.  The status text is
// already in the pixels (CBitmap::DrawText), as on every system.

namespace zos
{

namespace
{

// Everything the presenter holds on Windows (kept behind m_pDisplay).
struct SGdiTarget
{
  ::HWND hWindow = nullptr;
  HDC hWindowDC = nullptr;
  HDC hMemoryDC = nullptr;
  HBITMAP hSection = nullptr;
  HGDIOBJ hPrevious = nullptr;
  uint32_t* pBits = nullptr;
  uint32_t uWidth = 0;
  uint32_t uHeight = 0;

  void DropSection()
  {
    if (hSection)
    {
      ::SelectObject(hMemoryDC, hPrevious);
      ::DeleteObject(hSection);
    }
    hSection = nullptr;
    pBits = nullptr;
    uWidth = uHeight = 0;
  }

  // A top-down 32-bit section at least width x height (0x00RRGGBB words, as ours).
  bool EnsureSection(uint32_t uW, uint32_t uH)
  {
    if (hSection && uW <= uWidth && uH <= uHeight)
      return true;
    uW = std::max(uW, uWidth);
    uH = std::max(uH, uHeight);
    DropSection();
    void* pv = nullptr;
    hSection = CreateTopDownSection(hWindowDC, static_cast<int>(uW), static_cast<int>(uH), &pv);
    if (!hSection || !pv)
    {
      hSection = nullptr;
      return false;
    }
    hPrevious = ::SelectObject(hMemoryDC, hSection);
    pBits = static_cast<uint32_t*>(pv);
    uWidth = uW;
    uHeight = uH;
    return true;
  }
};

SGdiTarget* Target(void* p) { return static_cast<SGdiTarget*>(p); }

} // namespace

CBitmapPresenter::CBitmapPresenter()
    : m_pDisplay(nullptr), m_hWindow(0), m_pGC(nullptr), m_pVisual(nullptr), m_iDepth(0), m_bpp(0),
      m_bDirect(true), m_dwRedMask(0x00FF0000), m_dwGreenMask(0x0000FF00), m_dwBlueMask(0x000000FF),
      m_pStaging(nullptr), m_nStaging(0), m_pShmImage(nullptr), m_pShmInfo(nullptr), m_bShmUsable(false),
      m_bShmInFlight(false)
{
}

CBitmapPresenter::~CBitmapPresenter() { Detach(); }

bool CBitmapPresenter::Attach(CWindow* hwnd)
{
  Detach();
  if (!hwnd || !CWindow::IsWindow(hwnd))
    return false;
  SGdiTarget* p = new SGdiTarget;
  p->hWindow = reinterpret_cast<::HWND>(hwnd->GetNativeHandle());
  p->hWindowDC = ::GetDC(p->hWindow);
  p->hMemoryDC = p->hWindowDC ? ::CreateCompatibleDC(p->hWindowDC) : nullptr;
  if (!p->hMemoryDC)
  {
    if (p->hWindowDC)
      ::ReleaseDC(p->hWindow, p->hWindowDC);
    delete p;
    return false;
  }
  m_pDisplay = p;
  m_iDepth = ::GetDeviceCaps(p->hWindowDC, BITSPIXEL) * ::GetDeviceCaps(p->hWindowDC, PLANES);
  m_bpp = 32;
  return true;
}

void CBitmapPresenter::Detach()
{
  SGdiTarget* p = Target(m_pDisplay);
  if (!p)
    return;
  p->DropSection();
  ::DeleteDC(p->hMemoryDC);
  // The window may be gone already: its device context went with it.
  if (::IsWindow(p->hWindow))
    ::ReleaseDC(p->hWindow, p->hWindowDC);
  delete p;
  m_pDisplay = nullptr;
  m_iDepth = 0;
}

bool CBitmapPresenter::Present(const CBitmap& bitmap, int x, int y, uint32_t width, uint32_t height)
{
  SGdiTarget* p = Target(m_pDisplay);
  if (!p || !bitmap.IsValid() || !::IsWindow(p->hWindow))
    return false;
  width = std::min(width, bitmap.GetWidth());
  height = std::min(height, bitmap.GetHeight());
  if (width == 0 || height == 0)
    return true;
  if (!p->EnsureSection(width, height))
    return false;
  ::GdiFlush(); // GDI may still be reading the section from the last frame
  const uint32_t* pSrc = bitmap.GetPixels();
  for (uint32_t row = 0; row < height; ++row)
    std::memcpy(p->pBits + size_t(row) * p->uWidth, pSrc + size_t(row) * bitmap.GetWidth(),
                size_t(width) * sizeof(uint32_t));
  return ::BitBlt(p->hWindowDC, x, y, static_cast<int>(width), static_cast<int>(height), p->hMemoryDC, 0, 0,
                  SRCCOPY) != 0;
}

} // namespace zos
