#include "sdk/os/win32/window_win32.h"

#include "sdk/os/message_queue.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The system's own windows.  A CWindow wraps an HWND; the window procedure of every
// class we register is one thunk that finds the CWindow (GWLP_USERDATA, set from the
// creation parameters at WM_NCCREATE) and hands the message, with the system's
// wParam and lParam, to the procedure given at creation with the CWindow* as handle.

namespace zos
{

// Every window ever made: live ones in `live`; destroyed ones stay allocated so that a
// stale handle is still safe to call (every operation then fails).
struct SWindowRegistry
{
  std::vector<CWindow*> live;
  std::vector<std::unique_ptr<CWindow, void (*)(CWindow*)>> all;

  static void Delete(CWindow* p) { delete p; }
  static LRESULT CALLBACK Thunk(::HWND hNative, UINT uMsg, ::WPARAM wParam, ::LPARAM lParam);
  static LRESULT CALLBACK ForeignThunk(::HWND hNative, UINT uMsg, ::WPARAM wParam, ::LPARAM lParam);
  static void Track(CWindow* p, UINT uMsg, ::WPARAM wParam, ::LPARAM lParam);
  static CWindow* Find(::HWND h) { return CWindow::FromNative(reinterpret_cast<uintptr_t>(h)); }
  CWindow* Make()
  {
    all.emplace_back(new CWindow(), &SWindowRegistry::Delete);
    live.push_back(all.back().get());
    return all.back().get();
  }
};

namespace
{

SWindowRegistry s_registry;
std::set<std::string> s_classes; // registered class names

HINSTANCE Instance() { return ::GetModuleHandleA(nullptr); }

// One system class per class name, under that name (other programs and tools find our
// windows by it).  An OpenGL window wants its own device context (CS_OWNDC), which is
// a property of the class: the class takes it when its first window is for OpenGL.  A
// later window of the other kind still works (WGL also draws on a common DC that is
// kept, and GDI on an own DC).
bool RegisterOnce(const std::string& strClass, bool bOpenGL)
{
  if (s_classes.count(strClass))
    return true;
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = bOpenGL ? CS_OWNDC : 0;
  wc.lpfnWndProc = &SWindowRegistry::Thunk;
  wc.hInstance = Instance();
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  // GL draws every pixel itself: no erasing under it.
  wc.hbrBackground = bOpenGL ? nullptr : static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = strClass.c_str();
  if (!::RegisterClassExA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    return false;
  s_classes.insert(strClass);
  return true;
}

::HWND Native(const CWindow* p) { return reinterpret_cast<::HWND>(p->GetNativeHandle()); }

bool CoversScreen(int x, int y, int iWidth, int iHeight)
{
  const int iScreenW = ::GetSystemMetrics(SM_CXSCREEN), iScreenH = ::GetSystemMetrics(SM_CYSCREEN);
  return x <= 0 && y <= 0 && x + iWidth >= iScreenW && y + iHeight >= iScreenH;
}

} // namespace

CWindow* WindowFromNative(::HWND hNative) { return SWindowRegistry::Find(hNative); }

// ---------------------------------------------------------------------------------------

// What the inline getters report, kept from the messages the system sends.
void SWindowRegistry::Track(CWindow* p, UINT uMsg, ::WPARAM wParam, ::LPARAM lParam)
{
  switch (uMsg)
  {
    case WM_SIZE:
      p->m_pNative->bSized = true;
      p->m_bIconic = wParam == SIZE_MINIMIZED;
      if (wParam != SIZE_MINIMIZED)
      {
        p->m_iWidth = LOWORD(lParam);
        p->m_iHeight = HIWORD(lParam);
      }
      break;
    case WM_SHOWWINDOW: p->m_bMapped = wParam != 0; break;
    case WM_WINDOWPOSCHANGED:
      p->m_bMapped = ::IsWindowVisible(Native(p)) != 0;
      p->m_bIconic = ::IsIconic(Native(p)) != 0;
      break;
    case WM_SETFOCUS: p->m_bFocused = true; break;
    case WM_KILLFOCUS: p->m_bFocused = false; break;
    default: break;
  }
}

LRESULT CALLBACK SWindowRegistry::Thunk(::HWND hNative, UINT uMsg, ::WPARAM wParam, ::LPARAM lParam)
{
  CWindow* p = reinterpret_cast<CWindow*>(::GetWindowLongPtrA(hNative, GWLP_USERDATA));
  if (!p && uMsg == WM_NCCREATE)
  {
    const CREATESTRUCTA* pCreate = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    p = static_cast<CWindow*>(pCreate->lpCreateParams);
    if (p)
    {
      ::SetWindowLongPtrA(hNative, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(p));
      p->m_hNative = reinterpret_cast<uintptr_t>(hNative);
    }
  }
  if (!p || p->m_hNative != reinterpret_cast<uintptr_t>(hNative))
    return ::DefWindowProcA(hNative, uMsg, wParam, lParam);

  Track(p, uMsg, wParam, lParam);
  if (uMsg == WM_DESTROY)
  {
    p->m_bDestroying = true;
    if (::GetCapture() == hNative)
      ::ReleaseCapture();
  }
  const LRESULT lResult =
      p->m_pfnProc ? p->m_pfnProc(p, uMsg, wParam, lParam) : ::DefWindowProcA(hNative, uMsg, wParam, lParam);
  if (uMsg == WM_PAINT)
  {
    // Procedures written for a queue that owes one WM_PAINT per invalidation need
    // not validate: the system would otherwise send it again at once.
    ::ValidateRect(hNative, nullptr);
  }
  else if (uMsg == WM_NCDESTROY)
  {
    ::SetWindowLongPtrA(hNative, GWLP_USERDATA, 0);
    if (p->m_pNative->hIcon)
      ::DestroyIcon(p->m_pNative->hIcon);
    p->m_pNative->hIcon = nullptr;
    p->Forget();
  }
  return lResult;
}

// An adopted window keeps its own procedure; we only follow its size and its end.
LRESULT CALLBACK SWindowRegistry::ForeignThunk(::HWND hNative, UINT uMsg, ::WPARAM wParam, ::LPARAM lParam)
{
  CWindow* p = WindowFromNative(hNative);
  if (!p)
    return ::DefWindowProcA(hNative, uMsg, wParam, lParam);
  const ::WNDPROC pfnOwn = p->m_pNative->pfnForeignProc;
  Track(p, uMsg, wParam, lParam);
  if (uMsg == WM_SIZE)
    p->Send(WM_SIZE, wParam, lParam);
  else if (uMsg == WM_DESTROY)
  {
    // Its owner destroys it: let go first, so that its procedure is whole again.
    ::SetWindowLongPtrA(hNative, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnOwn));
    p->m_bDestroying = true;
    p->Send(WM_DESTROY, 0, 0);
    p->Forget();
  }
  return ::CallWindowProcA(pfnOwn, hNative, uMsg, wParam, lParam);
}

// ---------------------------------------------------------------------------------------

// The module instance: the connection-like handle a window system gives on Windows
// (never null), for the callers that only check that windows can be made.
void* CWindow::GetNativeDisplay() { return Instance(); }

void CWindow::GetScreenSize(int* pWidth, int* pHeight)
{
  if (pWidth)
    *pWidth = ::GetSystemMetrics(SM_CXSCREEN);
  if (pHeight)
    *pHeight = ::GetSystemMetrics(SM_CYSCREEN);
}

void CWindow::GetScreenOrigin(int* pX, int* pY)
{
  if (pX)
    *pX = 0;
  if (pY)
    *pY = 0;
}

void CWindow::GetVirtualScreen(int* pX, int* pY, int* pWidth, int* pHeight)
{
  if (pX)
    *pX = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  if (pY)
    *pY = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  if (pWidth)
    *pWidth = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  if (pHeight)
    *pHeight = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

bool CWindow::IsWindow(HWND hwnd)
{
  if (!hwnd)
    return false;
  return std::find(s_registry.live.begin(), s_registry.live.end(), hwnd) != s_registry.live.end();
}

CWindow* CWindow::FromNative(uintptr_t hNative)
{
  if (!hNative)
    return nullptr;
  for (CWindow* p : s_registry.live)
    if (p->m_hNative == hNative)
      return p;
  return nullptr;
}

// A screen-sized popup covers everything as it is: no display mode is changed.
bool CWindow::CanFullscreen() { return ::GetSystemMetrics(SM_CXSCREEN) > 0; }

// The system delivers messages sent from other threads while the queue is looked at;
// nothing else needs reading here.
int CWindow::PumpEvents()
{
  MSG msg;
  ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
  return 0;
}

CWindow::CWindow() : m_pNative(std::make_unique<SNative>()) {}
CWindow::~CWindow() = default;

HWND CWindow::Create(const char* szClass, const char* szTitle, uint32_t dwStyle, int x, int y, int iWidth,
                     int iHeight, WNDPROC pfnProc, uint32_t dwFlags)
{
  if (!szClass)
    return nullptr;
  const bool bOpenGL = (dwFlags & WINDOW_OPENGL) != 0;
  const std::string strSystemClass = szClass;
  if (!RegisterOnce(strSystemClass, bOpenGL))
    return nullptr;
  iWidth = std::max(iWidth, 1);
  iHeight = std::max(iHeight, 1);

  DWORD dwSystemStyle = dwStyle;
  if (bOpenGL)
    dwSystemStyle |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  // The rectangle asked for is the client area; the frame goes around it.
  // A top-level window that is not a popup always gets a caption, whatever its style
  // says (WS_OVERLAPPED is 0): its frame is measured with one.
  RECT rc = { x, y, x + iWidth, y + iHeight };
  if (!(dwStyle & WS_POPUP))
    ::AdjustWindowRectEx(&rc, (dwStyle & WS_CHILD) ? dwSystemStyle : dwSystemStyle | WS_CAPTION, FALSE, 0);

  CWindow* pWnd = s_registry.Make();
  pWnd->m_strClass = szClass;
  pWnd->m_strTitle = szTitle ? szTitle : "";
  pWnd->m_dwStyle = dwStyle;
  pWnd->m_pfnProc = pfnProc;
  pWnd->m_iWidth = iWidth;
  pWnd->m_iHeight = iHeight;
  pWnd->m_bFullscreen = (dwStyle & WS_POPUP) && CoversScreen(x, y, iWidth, iHeight);
  ::HWND hNative =
      ::CreateWindowExA(0, strSystemClass.c_str(), pWnd->m_strTitle.c_str(), dwSystemStyle, rc.left, rc.top,
                        rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, Instance(), pWnd);
  if (!hNative)
  {
    // Refused, or WM_CREATE answered -1 (the window is then already destroyed).
    if (!pWnd->IsDestroyed())
      pWnd->Forget();
    s_registry.live.erase(std::remove(s_registry.live.begin(), s_registry.live.end(), pWnd),
                          s_registry.live.end());
    return nullptr;
  }
  pWnd->m_bMapped = ::IsWindowVisible(hNative) != 0;
  pWnd->m_bIconic = ::IsIconic(hNative) != 0;
  // The system sends the first WM_SIZE of a hidden window only when it is shown; the
  // procedures here set themselves up from it at creation.
  if (!pWnd->m_pNative->bSized && !pWnd->IsDestroyed())
  {
    RECT rcClient = {};
    ::GetClientRect(hNative, &rcClient);
    pWnd->Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(rcClient.right, rcClient.bottom));
  }
  return pWnd;
}

// Only windows of this process can be subclassed; another process's window (the
// screen-saver preview's) is adopted without following its size and end, and its
// size is read when asked (GetClientSize).
HWND CWindow::Attach(const char* szClass, uintptr_t hNative, WNDPROC pfnProc)
{
  ::HWND h = reinterpret_cast<::HWND>(hNative);
  if (!szClass || !h || !::IsWindow(h) || FromNative(hNative))
    return nullptr;
  CWindow* pWnd = s_registry.Make();
  pWnd->m_strClass = szClass;
  pWnd->m_pfnProc = pfnProc;
  pWnd->m_hNative = hNative;
  pWnd->m_bForeign = true;
  RECT rc = {};
  ::GetClientRect(h, &rc);
  pWnd->m_iWidth = std::max<int>(rc.right - rc.left, 1);
  pWnd->m_iHeight = std::max<int>(rc.bottom - rc.top, 1);
  pWnd->m_bMapped = ::IsWindowVisible(h) != 0;
  DWORD dwProcess = 0;
  ::GetWindowThreadProcessId(h, &dwProcess);
  if (dwProcess == ::GetCurrentProcessId())
    pWnd->m_pNative->pfnForeignProc = reinterpret_cast<::WNDPROC>(
        ::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SWindowRegistry::ForeignThunk)));
  if (pWnd->Send(WM_CREATE, 0, 0) == -1)
  {
    pWnd->Destroy();
    return nullptr;
  }
  pWnd->Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(pWnd->m_iWidth, pWnd->m_iHeight));
  return pWnd;
}

// The system tells nothing of windows covering ours: shown and not minimised.
bool CWindow::CanBeSeen() const
{
  if (IsDestroyed())
    return false;
  const ::HWND h = Native(this);
  return ::IsWindowVisible(h) && !::IsIconic(h);
}

uintptr_t CWindow::GetRootNativeHandle() { return reinterpret_cast<uintptr_t>(::GetDesktopWindow()); }

bool CWindow::Destroy()
{
  if (IsDestroyed() || m_bDestroying)
    return false;
  ::HWND h = Native(this);
  if (m_bForeign)
  {
    // Let go of it; its owner keeps it.
    m_bDestroying = true;
    if (m_pNative->pfnForeignProc)
      ::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pNative->pfnForeignProc));
    m_pNative->pfnForeignProc = nullptr;
    Send(WM_DESTROY, 0, 0);
    Forget();
    return true;
  }
  // WM_DESTROY reaches the procedure from the system; WM_NCDESTROY forgets us.
  return ::DestroyWindow(h) != 0;
}

// What is left once the system window is gone or let go: our timers and properties.
// The handle stays valid and answers as destroyed.
void CWindow::Forget()
{
  CMessageQueue::ForgetWindow(this);
  s_registry.live.erase(std::remove(s_registry.live.begin(), s_registry.live.end(), this),
                        s_registry.live.end());
  m_hNative = 0;
  m_bMapped = false;
  m_bFocused = false;
  m_mapProps.clear();
  m_bDestroying = false;
}

bool CWindow::Show(int iCmdShow)
{
  if (IsDestroyed())
    return false;
  if (m_bForeign)
    return m_bMapped; // its owner shows it
  ::HWND h = Native(this);
  const bool bWasVisible = ::ShowWindow(h, iCmdShow) != 0;
  m_bMapped = ::IsWindowVisible(h) != 0;
  m_bIconic = ::IsIconic(h) != 0;
  return bWasVisible;
}

bool CWindow::Update()
{
  if (IsDestroyed())
    return false;
  ::GdiFlush();
  return ::UpdateWindow(Native(this)) != 0;
}

bool CWindow::SetFocus()
{
  if (IsDestroyed() || m_bForeign)
    return false;
  ::HWND h = Native(this);
  ::SetForegroundWindow(h);
  ::SetFocus(h);
  return ::GetFocus() == h;
}

HWND CWindow::GetFocus() { return WindowFromNative(::GetFocus()); }

bool CWindow::SetTitle(const char* szTitle)
{
  if (IsDestroyed() || m_bForeign || !szTitle)
    return false;
  m_strTitle = szTitle;
  return ::SetWindowTextA(Native(this), szTitle) != 0;
}

bool CWindow::SetIcon(int iWidth, int iHeight, const uint32_t* pARGB)
{
  if (IsDestroyed() || m_bForeign || !pARGB || iWidth <= 0 || iHeight <= 0)
    return false;
  // A 32-bit top-down colour bitmap carries the alpha; the mask is then unused.
  void* pBits = nullptr;
  HBITMAP hColor = CreateTopDownSection(nullptr, iWidth, iHeight, &pBits);
  HBITMAP hMask = ::CreateBitmap(iWidth, iHeight, 1, 1, nullptr);
  HICON hIcon = nullptr;
  if (hColor && hMask && pBits)
  {
    std::copy(pARGB, pARGB + static_cast<size_t>(iWidth) * static_cast<size_t>(iHeight),
              static_cast<uint32_t*>(pBits));
    ICONINFO ii = {};
    ii.fIcon = TRUE;
    ii.hbmMask = hMask;
    ii.hbmColor = hColor;
    hIcon = ::CreateIconIndirect(&ii);
  }
  if (hColor)
    ::DeleteObject(hColor);
  if (hMask)
    ::DeleteObject(hMask);
  if (!hIcon)
    return false;
  ::HWND h = Native(this);
  ::SendMessageA(h, WM_SETICON, ICON_BIG, reinterpret_cast<::LPARAM>(hIcon));
  ::SendMessageA(h, WM_SETICON, ICON_SMALL, reinterpret_cast<::LPARAM>(hIcon));
  if (m_pNative->hIcon)
    ::DestroyIcon(m_pNative->hIcon);
  m_pNative->hIcon = hIcon;
  return true;
}

// Full screen is a frameless window over the whole screen, on top; leaving it gives
// back the style and frame it had.
bool CWindow::SetFullscreen(bool bFullscreen)
{
  if (IsDestroyed() || m_bForeign)
    return false;
  ::HWND h = Native(this);
  SNative& n = *m_pNative;
  if (bFullscreen)
  {
    if (!n.bFullscreenChanged)
    {
      n.dwRestoreStyle = static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_STYLE));
      ::GetWindowRect(h, &n.rcRestore);
    }
    n.bFullscreenChanged = true;
    const DWORD dwStyle = (n.dwRestoreStyle & ~(WS_OVERLAPPEDWINDOW | WS_CHILD)) | WS_POPUP;
    ::SetWindowLongPtrA(h, GWL_STYLE, static_cast<LONG_PTR>(dwStyle));
    if (!::SetWindowPos(h, nullptr /* HWND_TOP */, 0, 0, ::GetSystemMetrics(SM_CXSCREEN),
                        ::GetSystemMetrics(SM_CYSCREEN), SWP_FRAMECHANGED | SWP_NOOWNERZORDER))
      return false;
  }
  else if (n.bFullscreenChanged)
  {
    ::SetWindowLongPtrA(h, GWL_STYLE, static_cast<LONG_PTR>(n.dwRestoreStyle));
    const RECT& rc = n.rcRestore;
    ::SetWindowPos(h, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOOWNERZORDER);
    n.bFullscreenChanged = false;
  }
  m_bFullscreen = bFullscreen;
  return true;
}

bool CWindow::SetCapture()
{
  if (IsDestroyed() || m_bForeign)
    return false;
  ::SetCapture(Native(this));
  return true;
}

bool CWindow::ReleaseCapture() { return ::ReleaseCapture() != 0; }

HWND CWindow::GetCapture() { return WindowFromNative(::GetCapture()); }

int CWindow::ShowCursor(bool bShow) { return ::ShowCursor(bShow ? TRUE : FALSE); }

LRESULT CWindow::Send(uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  if (IsDestroyed() && !m_bDestroying)
    return 0;
  if (!m_pfnProc)
    return DefWindowProc(this, uMsg, wParam, lParam);
  return m_pfnProc(this, uMsg, wParam, lParam);
}

// The system's default processing (WM_CLOSE destroys the window, WM_PAINT validates,
// WM_WINDOWPOSCHANGED sends WM_SIZE...).  An adopted window is not ours to destroy:
// WM_CLOSE lets go of it.
LRESULT CWindow::DefWindowProc(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  if (!IsWindow(hwnd))
    return 0;
  if (hwnd->m_bForeign)
  {
    if (uMsg == WM_CLOSE)
      hwnd->Destroy();
    return 0;
  }
  return ::DefWindowProcA(Native(hwnd), uMsg, wParam, lParam);
}

bool CWindow::GetClientSize(int* pWidth, int* pHeight) const
{
  if (IsDestroyed())
    return false;
  int w = m_iWidth, h = m_iHeight;
  RECT rc = {};
  if (::GetClientRect(Native(this), &rc) && !m_bIconic)
  {
    w = rc.right - rc.left;
    h = rc.bottom - rc.top;
  }
  if (pWidth)
    *pWidth = w;
  if (pHeight)
    *pHeight = h;
  return true;
}

} // namespace zos
