#include "sdk/os/window.h"

#include "sdk/os/message_queue.h"
#include "sdk/os/process_events.h"
#include "sdk/os/wayland/wayland.h"
#include "sdk/os/x11/display.h"
#include "sdk/os/x11/virtual_keys.h"
#include "sdk/os/x11/window_shared.h"
#include "sdk/os/x11/window_x11.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace zos
{

// Every window ever made: live ones in `live`; destroyed ones stay allocated so that a
// stale handle is still safe to call (every operation then fails).
struct SWindowRegistry
{
  std::vector<CWindow*> live;
  std::vector<std::unique_ptr<CWindow, void (*)(CWindow*)>> all;

  static void Delete(CWindow* p) { delete p; }
  static HWND Create(const char* szClass, const char* szTitle, uint32_t dwStyle, int x, int y, int iWidth,
                     int iHeight, WNDPROC pfnProc, const SWindowVisual* pVisual, uint32_t dwFlags);
  CWindow* Make()
  {
    all.emplace_back(new CWindow(), &SWindowRegistry::Delete);
    live.push_back(all.back().get());
    return all.back().get();
  }
};

CWindow* g_pCapture = nullptr;

Atom InternAtom(const char* szName) { return XInternAtom(CDisplay::Get(), szName, False); }

namespace
{

SWindowRegistry s_registry;
PFN_CHOOSE_GL_VISUAL s_pfnChooseGLVisual = nullptr;
int s_iCursorCount = 0;
Cursor s_blankCursor = 0;
bool s_bKeyboardSetUp = false;

int64_t NowMs()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Waits (pumping events) until the condition holds or the time is up.
template <class F> bool WaitFor(F fnDone, int iTimeoutMs)
{
  const int64_t llEnd = NowMs() + iTimeoutMs;
  for (;;)
  {
    CWindow::PumpEvents();
    if (fnDone())
      return true;
    int64_t llLeft = llEnd - NowMs();
    if (llLeft <= 0)
      return false;
    struct pollfd pfd = { CDisplay::GetFd(), POLLIN, 0 };
    poll(&pfd, 1, static_cast<int>(std::min<int64_t>(llLeft, 20)));
  }
}

Cursor BlankCursor(Display* pDisplay)
{
  if (!s_blankCursor)
  {
    static const char cData[1] = { 0 };
    Pixmap pm = XCreateBitmapFromData(pDisplay, DefaultRootWindow(pDisplay), cData, 1, 1);
    XColor black = {};
    s_blankCursor = XCreatePixmapCursor(pDisplay, pm, pm, &black, &black, 0, 0);
    XFreePixmap(pDisplay, pm);
  }
  return s_blankCursor;
}

void SetupKeyboard(Display* pDisplay)
{
  if (s_bKeyboardSetUp)
    return;
  s_bKeyboardSetUp = true;
  // Held keys then repeat as presses only, as Windows reports them.
  Bool bSupported = False;
  XkbSetDetectableAutoRepeat(pDisplay, True, &bSupported);
}

void SetNetWmState(Display* pDisplay, Window w, const std::vector<Atom>& states)
{
  if (states.empty())
    XDeleteProperty(pDisplay, w, InternAtom("_NET_WM_STATE"));
  else
    XChangeProperty(pDisplay, w, InternAtom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states.data()), static_cast<int>(states.size()));
}

// A desktop-type window over the whole screen, below the others, on every desktop, in
// no task bar.  Without a window manager a screen-sized window is that already.
void MakeDesktopWindow(Display* pDisplay, Window w)
{
  if (CDisplay::HasWindowManager() && !CDisplay::WindowManagerSupports("_NET_WM_WINDOW_TYPE_DESKTOP"))
    SystemNotice("The window manager has no desktop windows (_NET_WM_WINDOW_TYPE_DESKTOP): the background "
                 "runs as a normal window.");
  const Atom aType = InternAtom("_NET_WM_WINDOW_TYPE_DESKTOP");
  XChangeProperty(pDisplay, w, InternAtom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&aType), 1);
  SetNetWmState(pDisplay, w,
                { InternAtom("_NET_WM_STATE_BELOW"), InternAtom("_NET_WM_STATE_STICKY"),
                  InternAtom("_NET_WM_STATE_SKIP_TASKBAR"), InternAtom("_NET_WM_STATE_SKIP_PAGER") });
  const long lAllDesktops = 0xFFFFFFFF;
  XChangeProperty(pDisplay, w, InternAtom("_NET_WM_DESKTOP"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&lAllDesktops), 1);
}

} // namespace

CWindow* MakeWindowRecord() { return s_registry.Make(); }

bool SWaylandWindows::CursorHidden() { return s_iCursorCount < 0; }

// ---------------------------------------------------------------------------------------

void* CWindow::GetNativeDisplay()
{
  if (SWaylandWindows::Active())
    return Wayland().pDisplay;
  return CDisplay::Get();
}

void CWindow::GetScreenSize(int* pWidth, int* pHeight)
{
  if (SWaylandWindows::Active())
    return SWaylandWindows::GetScreenSize(pWidth, pHeight);
  const std::vector<CDisplay::SMonitor> monitors = CDisplay::GetMonitors();
  if (pWidth)
    *pWidth = monitors.empty() ? 0 : monitors[0].iWidth;
  if (pHeight)
    *pHeight = monitors.empty() ? 0 : monitors[0].iHeight;
}

void CWindow::GetScreenOrigin(int* pX, int* pY)
{
  const std::vector<CDisplay::SMonitor> monitors =
      SWaylandWindows::Active() ? std::vector<CDisplay::SMonitor>() : CDisplay::GetMonitors();
  if (pX)
    *pX = monitors.empty() ? 0 : monitors[0].x;
  if (pY)
    *pY = monitors.empty() ? 0 : monitors[0].y;
}

void CWindow::GetVirtualScreen(int* pX, int* pY, int* pWidth, int* pHeight)
{
  if (pX)
    *pX = 0;
  if (pY)
    *pY = 0;
  if (SWaylandWindows::Active())
    return SWaylandWindows::GetScreenSize(pWidth, pHeight);
  CDisplay::GetScreenSize(pWidth, pHeight);
}

bool CWindow::IsWindow(HWND hwnd)
{
  if (!hwnd)
    return false;
  return std::find(s_registry.live.begin(), s_registry.live.end(), hwnd) != s_registry.live.end();
}

CWindow* CWindow::FromNative(uintptr_t hNative)
{
  for (CWindow* p : s_registry.live)
    if (p->m_hNative == hNative)
      return p;
  return nullptr;
}

bool CWindow::CanFullscreen()
{
  if (SWaylandWindows::Active())
    return true; // xdg-shell's full-screen state
  if (!CDisplay::Get())
    return false;
  if (!CDisplay::HasWindowManager())
    return true;
  return CDisplay::WindowManagerSupports("_NET_WM_STATE_FULLSCREEN");
}

CWindow::CWindow() : m_pNative(std::make_unique<SNative>()) {}
CWindow::~CWindow() = default;

void SetOpenGLVisualChooser(PFN_CHOOSE_GL_VISUAL pfnChoose) { s_pfnChooseGLVisual = pfnChoose; }

HWND CWindow::Create(const char* szClass, const char* szTitle, uint32_t dwStyle, int x, int y, int iWidth,
                     int iHeight, WNDPROC pfnProc, uint32_t dwFlags)
{
  if (SWaylandWindows::Active())
    return SWaylandWindows::Create(szClass, szTitle, dwStyle, iWidth, iHeight, pfnProc, dwFlags);
  // The GL platform fixes the visual before the window exists (GLX draws only on a
  // window of the configuration's visual).
  SWindowVisual visual = {};
  Display* pDisplay = CDisplay::Get();
  bool bVisual =
      pDisplay && (dwFlags & WINDOW_OPENGL) && s_pfnChooseGLVisual && s_pfnChooseGLVisual(pDisplay, &visual);
  return SWindowRegistry::Create(szClass, szTitle, dwStyle, x, y, iWidth, iHeight, pfnProc,
                                 bVisual ? &visual : nullptr, dwFlags);
}

HWND CreateWindowOnVisual(const char* szClass, const char* szTitle, uint32_t dwStyle, int x, int y,
                          int iWidth, int iHeight, WNDPROC pfnProc, const SWindowVisual* pVisual)
{
  return SWindowRegistry::Create(szClass, szTitle, dwStyle, x, y, iWidth, iHeight, pfnProc, pVisual, 0);
}

HWND SWindowRegistry::Create(const char* szClass, const char* szTitle, uint32_t dwStyle, int x, int y,
                             int iWidth, int iHeight, WNDPROC pfnProc, const SWindowVisual* pVisual,
                             uint32_t dwFlags)
{
  Display* pDisplay = CDisplay::Get();
  if (!pDisplay || !szClass)
    return nullptr;
  SetupKeyboard(pDisplay);
  const bool bBackground = (dwFlags & WINDOW_BACKGROUND) != 0;
  if (bBackground)
  {
    x = 0;
    y = 0;
    CDisplay::GetScreenSize(&iWidth, &iHeight);
  }

  const int iScreen = DefaultScreen(pDisplay);
  const Window root = RootWindow(pDisplay, iScreen);
  Visual* pVis = pVisual && pVisual->pVisual ? pVisual->pVisual : DefaultVisual(pDisplay, iScreen);
  const int iDepth = pVisual && pVisual->pVisual ? pVisual->iDepth : DefaultDepth(pDisplay, iScreen);
  iWidth = std::max(iWidth, 1);
  iHeight = std::max(iHeight, 1);

  CDisplay::BeginErrorTrap();
  Colormap cmap = 0;
  bool bOwnColormap = false;
  if (pVisual && pVisual->colormap)
    cmap = pVisual->colormap;
  else
  {
    cmap = XCreateColormap(pDisplay, root, pVis, AllocNone);
    bOwnColormap = true;
  }

  XSetWindowAttributes attrs = {};
  attrs.background_pixel = BlackPixel(pDisplay, iScreen);
  attrs.border_pixel = 0;
  attrs.colormap = cmap;
  attrs.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                     StructureNotifyMask | ExposureMask | FocusChangeMask | PropertyChangeMask |
                     VisibilityChangeMask;
  if (bBackground) // input is the desktop's
    attrs.event_mask = StructureNotifyMask | ExposureMask | PropertyChangeMask | VisibilityChangeMask;
  Window w = XCreateWindow(pDisplay, root, x, y, static_cast<unsigned>(iWidth),
                           static_cast<unsigned>(iHeight), 0, iDepth, InputOutput, pVis,
                           CWBackPixel | CWBorderPixel | CWColormap | CWEventMask, &attrs);
  if (CDisplay::EndErrorTrap() != 0 || !w)
  {
    if (w)
      XDestroyWindow(pDisplay, w);
    if (bOwnColormap && cmap)
      XFreeColormap(pDisplay, cmap);
    XFlush(pDisplay);
    return nullptr;
  }

  // Class and instance name both carry the class, so that window rules can find it.
  std::string strClass = szClass;
  XClassHint classHint = { strClass.data(), strClass.data() };
  XSetClassHint(pDisplay, w, &classHint);

  XSizeHints* pSize = XAllocSizeHints();
  pSize->flags = USPosition | USSize | PPosition | PSize;
  pSize->x = x;
  pSize->y = y;
  pSize->width = iWidth;
  pSize->height = iHeight;
  XWMHints wmHints = {};
  wmHints.flags = InputHint | StateHint;
  wmHints.input = True;
  wmHints.initial_state = (dwStyle & WS_MINIMIZE) ? IconicState : NormalState;
  XSetWMProperties(pDisplay, w, nullptr, nullptr, nullptr, 0, pSize, &wmHints, nullptr);
  XFree(pSize);

  Atom aDelete = InternAtom("WM_DELETE_WINDOW");
  XSetWMProtocols(pDisplay, w, &aDelete, 1);
  long lPid = static_cast<long>(getpid());
  XChangeProperty(pDisplay, w, InternAtom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&lPid), 1);

  CWindow* pWnd = s_registry.Make();
  pWnd->m_strClass = szClass;
  pWnd->m_dwStyle = dwStyle;
  pWnd->m_pfnProc = pfnProc;
  pWnd->m_hNative = w;
  pWnd->m_pNative->colormap = cmap;
  pWnd->m_pNative->bOwnColormap = bOwnColormap;
  pWnd->m_iWidth = iWidth;
  pWnd->m_iHeight = iHeight;
  pWnd->m_bBackground = bBackground;
  pWnd->SetTitle(szTitle ? szTitle : "");
  if (bBackground)
    MakeDesktopWindow(pDisplay, w);

  if (dwStyle & WS_POPUP)
  {
    // Motif hints: no decorations.
    long lHints[5] = { 2, 0, 0, 0, 0 };
    XChangeProperty(pDisplay, w, InternAtom("_MOTIF_WM_HINTS"), InternAtom("_MOTIF_WM_HINTS"), 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(lHints), 5);
    const CDisplay::SMonitor m = CDisplay::MonitorAt(x + iWidth / 2, y + iHeight / 2);
    if (x <= m.x && y <= m.y && x + iWidth >= m.x + m.iWidth && y + iHeight >= m.y + m.iHeight)
      pWnd->SetFullscreen(true);
  }
  pWnd->ApplyCursor();

  if (pWnd->Send(WM_CREATE, 0, 0) == -1)
  {
    pWnd->Destroy();
    return nullptr;
  }
  pWnd->Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(iWidth, iHeight));

  if (dwStyle & WS_VISIBLE)
    pWnd->Show((dwStyle & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW);
  XFlush(pDisplay);
  return pWnd;
}

HWND CWindow::Attach(const char* szClass, uintptr_t hNative, WNDPROC pfnProc)
{
  if (SWaylandWindows::Active())
    return nullptr; // no client may draw into another's surface
  const Window dwXWindow = static_cast<Window>(hNative);
  Display* pDisplay = CDisplay::Get();
  if (!pDisplay || !szClass || !dwXWindow)
    return nullptr;
  // Select first and look after: a window destroyed in between then either fails the
  // look or sends us its DestroyNotify.  Only structure and exposure: input belongs
  // to the window's owner, and the root's button events can have only one taker.
  CDisplay::BeginErrorTrap();
  XSelectInput(pDisplay, dwXWindow, StructureNotifyMask | ExposureMask | VisibilityChangeMask);
  XWindowAttributes attrs = {};
  const Status ok = XGetWindowAttributes(pDisplay, dwXWindow, &attrs);
  if (CDisplay::EndErrorTrap() != 0 || !ok || attrs.c_class != InputOutput)
    return nullptr;

  CWindow* pWnd = s_registry.Make();
  pWnd->m_strClass = szClass;
  pWnd->m_pfnProc = pfnProc;
  pWnd->m_hNative = dwXWindow;
  pWnd->m_bForeign = true;
  pWnd->m_iWidth = std::max(attrs.width, 1);
  pWnd->m_iHeight = std::max(attrs.height, 1);
  pWnd->m_bMapped = attrs.map_state != IsUnmapped;
  if (pWnd->Send(WM_CREATE, 0, 0) == -1)
  {
    pWnd->Destroy();
    return nullptr;
  }
  pWnd->Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(pWnd->m_iWidth, pWnd->m_iHeight));
  return pWnd;
}

uintptr_t CWindow::GetRootNativeHandle()
{
  if (SWaylandWindows::Active())
    return 0;
  Display* pDisplay = CDisplay::Get();
  return pDisplay ? DefaultRootWindow(pDisplay) : 0;
}

bool CWindow::Destroy()
{
  if (SWaylandWindows::Active())
    return SWaylandWindows::Destroy(this);
  if (IsDestroyed() || m_bDestroying)
    return false;
  m_bDestroying = true;
  Display* pDisplay = CDisplay::Get();
  if (g_pCapture == this)
    ReleaseCapture();
  if (m_bMapped && !m_bForeign)
  {
    m_bHiding = true;
    XUnmapWindow(pDisplay, m_hNative);
  }
  Send(WM_DESTROY, 0, 0);

  CDisplay::BeginErrorTrap();
  if (m_bForeign)
    XSelectInput(pDisplay, m_hNative, NoEventMask); // its owner keeps it
  else
    XDestroyWindow(pDisplay, m_hNative);
  if (m_pNative->bOwnColormap && m_pNative->colormap)
    XFreeColormap(pDisplay, m_pNative->colormap);
  CDisplay::EndErrorTrap();
  Forget();
  return true;
}

// What is left once the X window is destroyed or let go: our messages, timers and
// properties.  The handle stays valid and answers as destroyed.
void CWindow::Forget()
{
  CMessageQueue::ForgetWindow(this);
  s_registry.live.erase(std::remove(s_registry.live.begin(), s_registry.live.end(), this),
                        s_registry.live.end());
  m_hNative = 0;
  m_pNative->colormap = 0;
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
    return m_bMapped; // its owner maps it
  if (SWaylandWindows::Active())
    return SWaylandWindows::Show(this, iCmdShow);
  Display* pDisplay = CDisplay::Get();
  const bool bWasVisible = m_bMapped;
  const Window w = m_hNative;

  switch (iCmdShow)
  {
    case SW_HIDE:
      if (m_bMapped)
      {
        m_bHiding = true;
        XUnmapWindow(pDisplay, w);
        WaitFor([&] { return IsDestroyed() || !m_bMapped; }, 2000);
      }
      break;

    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!CDisplay::HasWindowManager())
      {
        // Nobody could give it back an icon: being unmapped is what minimised means.
        if (m_bMapped)
        {
          XUnmapWindow(pDisplay, w);
          WaitFor([&] { return IsDestroyed() || !m_bMapped; }, 2000);
        }
        else
          SetIconic(true);
      }
      else if (m_bMapped)
        XIconifyWindow(pDisplay, w, DefaultScreen(pDisplay));
      else
      {
        XWMHints hints = {};
        hints.flags = InputHint | StateHint;
        hints.input = True;
        hints.initial_state = IconicState;
        XSetWMHints(pDisplay, w, &hints);
        XMapWindow(pDisplay, w);
      }
      break;

    default:
      if (!m_bMapped)
      {
        XWMHints hints = {};
        hints.flags = InputHint | StateHint;
        hints.input = True;
        hints.initial_state = NormalState;
        XSetWMHints(pDisplay, w, &hints);
        XMapRaised(pDisplay, w);
        WaitFor([&] { return IsDestroyed() || m_bMapped; }, 2000);
        if (m_bBackground && !IsDestroyed())
          XLowerWindow(pDisplay, w); // below the others, with or without a window manager
      }
      else if (!m_bBackground)
        XRaiseWindow(pDisplay, w);
      break;
  }
  XFlush(pDisplay);
  return bWasVisible;
}

bool CWindow::Update()
{
  if (IsDestroyed())
    return false;
  if (SWaylandWindows::Active())
    FlushWayland();
  else
    XFlush(CDisplay::Get());
  return true;
}

bool CWindow::SetFocus()
{
  if (IsDestroyed() || m_bForeign)
    return false;
  if (SWaylandWindows::Active())
    return m_bFocused; // the compositor gives the focus; a client cannot take it
  Display* pDisplay = CDisplay::Get();
  if (CDisplay::HasWindowManager())
  {
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = m_hNative;
    e.xclient.message_type = InternAtom("_NET_ACTIVE_WINDOW");
    e.xclient.format = 32;
    e.xclient.data.l[0] = 1; // from an application
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(pDisplay, DefaultRootWindow(pDisplay), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &e);
  }
  if (!m_bMapped)
    return false;
  CDisplay::BeginErrorTrap();
  XSetInputFocus(pDisplay, m_hNative, RevertToParent, CurrentTime);
  return CDisplay::EndErrorTrap() == 0;
}

HWND CWindow::GetFocus()
{
  for (CWindow* p : s_registry.live)
    if (p->m_bFocused)
      return p;
  return nullptr;
}

bool CWindow::SetTitle(const char* szTitle)
{
  if (IsDestroyed() || m_bForeign || !szTitle)
    return false;
  if (SWaylandWindows::Active())
    return SWaylandWindows::SetTitle(this, szTitle);
  Display* pDisplay = CDisplay::Get();
  m_strTitle = szTitle;
  // The title is UTF-8: the EWMH name carries it as is, WM_NAME for older managers.
  XChangeProperty(pDisplay, m_hNative, InternAtom("_NET_WM_NAME"), InternAtom("UTF8_STRING"), 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(szTitle),
                  static_cast<int>(m_strTitle.size()));
  XStoreName(pDisplay, m_hNative, szTitle);
  XFlush(pDisplay);
  return true;
}

bool CWindow::SetIcon(int iWidth, int iHeight, const uint32_t* pARGB)
{
  if (IsDestroyed() || m_bForeign || !pARGB || iWidth <= 0 || iHeight <= 0)
    return false;
  if (SWaylandWindows::Active())
    return false; // xdg-shell gives a window no icon: the desktop entry's is shown
  // Format-32 properties travel as longs.
  std::vector<unsigned long> data;
  data.reserve(2 + static_cast<size_t>(iWidth) * static_cast<size_t>(iHeight));
  data.push_back(static_cast<unsigned long>(iWidth));
  data.push_back(static_cast<unsigned long>(iHeight));
  for (size_t i = 0, n = static_cast<size_t>(iWidth) * static_cast<size_t>(iHeight); i < n; ++i)
    data.push_back(pARGB[i]);
  Display* pDisplay = CDisplay::Get();
  XChangeProperty(pDisplay, m_hNative, InternAtom("_NET_WM_ICON"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
  XFlush(pDisplay);
  return true;
}

bool CWindow::SetFullscreen(bool bFullscreen)
{
  if (IsDestroyed() || m_bForeign)
    return false;
  if (SWaylandWindows::Active())
    return SWaylandWindows::SetFullscreen(this, bFullscreen);
  Display* pDisplay = CDisplay::Get();
  if (!CDisplay::HasWindowManager())
  {
    // Nobody manages frames: a window over the whole screen is full screen.
    if (bFullscreen)
    {
      // The monitor the window's centre is on.
      int x = 0, y = 0;
      Window child = 0;
      CDisplay::BeginErrorTrap();
      XTranslateCoordinates(pDisplay, m_hNative, DefaultRootWindow(pDisplay), m_iWidth / 2, m_iHeight / 2, &x,
                            &y, &child);
      CDisplay::EndErrorTrap();
      const CDisplay::SMonitor m = CDisplay::MonitorAt(x, y);
      XMoveResizeWindow(pDisplay, m_hNative, m.x, m.y, static_cast<unsigned>(m.iWidth),
                        static_cast<unsigned>(m.iHeight));
    }
    m_bFullscreen = bFullscreen;
    XFlush(pDisplay);
    return true;
  }
  if (!CDisplay::WindowManagerSupports("_NET_WM_STATE_FULLSCREEN"))
    return false;

  const Atom aFull = InternAtom("_NET_WM_STATE_FULLSCREEN");
  if (m_bMapped)
  {
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = m_hNative;
    e.xclient.message_type = InternAtom("_NET_WM_STATE");
    e.xclient.format = 32;
    e.xclient.data.l[0] = bFullscreen ? 1 : 0; // add / remove
    e.xclient.data.l[1] = static_cast<long>(aFull);
    e.xclient.data.l[3] = 1; // from an application
    XSendEvent(pDisplay, DefaultRootWindow(pDisplay), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &e);
  }
  else
  {
    // Before mapping the window states are ours to set.
    std::vector<Atom> states;
    if (bFullscreen)
      states.push_back(aFull);
    SetNetWmState(pDisplay, m_hNative, states);
  }
  m_bFullscreen = bFullscreen;
  XFlush(pDisplay);
  return true;
}

bool CWindow::SetCapture()
{
  if (IsDestroyed() || m_bForeign)
    return false;
  g_pCapture = this;
  if (SWaylandWindows::Active())
    return true; // the pointer's events stay with the surface a button went down on
  Display* pDisplay = CDisplay::Get();
  // A window not yet viewable cannot grab; capture is still recorded, as on Windows.
  XGrabPointer(pDisplay, m_hNative, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
               GrabModeAsync, GrabModeAsync, None, s_iCursorCount < 0 ? BlankCursor(pDisplay) : None,
               CurrentTime);
  XFlush(pDisplay);
  return true;
}

bool CWindow::ReleaseCapture()
{
  if (!g_pCapture)
    return true;
  g_pCapture = nullptr;
  if (SWaylandWindows::Active())
    return true;
  if (Display* pDisplay = CDisplay::Get())
  {
    XUngrabPointer(pDisplay, CurrentTime);
    XFlush(pDisplay);
  }
  return true;
}

HWND CWindow::GetCapture() { return g_pCapture; }

int CWindow::ShowCursor(bool bShow)
{
  s_iCursorCount += bShow ? 1 : -1;
  for (CWindow* p : s_registry.live)
    p->ApplyCursor();
  return s_iCursorCount;
}

void CWindow::ApplyCursor()
{
  if (IsDestroyed() || m_bForeign)
    return;
  const bool bHide = s_iCursorCount < 0;
  if (bHide == m_bCursorHidden)
    return;
  m_bCursorHidden = bHide;
  if (SWaylandWindows::Active())
    return ApplyWaylandCursor();
  Display* pDisplay = CDisplay::Get();
  if (bHide)
    XDefineCursor(pDisplay, m_hNative, BlankCursor(pDisplay));
  else
    XUndefineCursor(pDisplay, m_hNative);
  XFlush(pDisplay);
}

LRESULT CWindow::Send(uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  if (IsDestroyed() && !m_bDestroying)
    return 0;
  if (!m_pfnProc)
    return DefWindowProc(this, uMsg, wParam, lParam);
  return m_pfnProc(this, uMsg, wParam, lParam);
}

LRESULT CWindow::DefWindowProc(HWND hwnd, uint32_t uMsg, WPARAM, LPARAM)
{
  if (uMsg == WM_CLOSE && IsWindow(hwnd))
    hwnd->Destroy();
  return 0;
}

bool CWindow::GetClientSize(int* pWidth, int* pHeight) const
{
  if (IsDestroyed())
    return false;
  if (SWaylandWindows::Active())
    return SWaylandWindows::GetClientSize(this, pWidth, pHeight);
  int w = m_iWidth, h = m_iHeight;
  XWindowAttributes attrs = {};
  CDisplay::BeginErrorTrap();
  Status ok = XGetWindowAttributes(CDisplay::Get(), m_hNative, &attrs);
  if (CDisplay::EndErrorTrap() == 0 && ok)
  {
    w = attrs.width;
    h = attrs.height;
  }
  if (pWidth)
    *pWidth = w;
  if (pHeight)
    *pHeight = h;
  return true;
}

bool CWindow::CanBeSeen() const
{
  if (IsDestroyed())
    return false;
  if (SWaylandWindows::Active())
    return SWaylandWindows::CanBeSeen(this);
  return m_bMapped && !m_bIconic && !m_bObscured && !CDisplay::IsScreenAsleep();
}

void CWindow::SetIconic(bool bIconic)
{
  if (bIconic == m_bIconic)
    return;
  m_bIconic = bIconic;
  if (bIconic)
    Send(WM_SIZE, SIZE_MINIMIZED, 0);
  else
    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(m_iWidth, m_iHeight));
}

// Minimised: the ICCCM WM_STATE says Iconic, or the EWMH state says hidden.
void CWindow::ReadWindowState()
{
  Display* pDisplay = CDisplay::Get();
  Atom aType = 0;
  int iFormat = 0;
  unsigned long nItems = 0, nAfter = 0;
  unsigned char* pData = nullptr;
  int iState = -1;
  bool bHidden = false;

  CDisplay::BeginErrorTrap();
  Atom aWmState = InternAtom("WM_STATE");
  if (XGetWindowProperty(pDisplay, m_hNative, aWmState, 0, 2, False, aWmState, &aType, &iFormat, &nItems,
                         &nAfter, &pData) == Success &&
      pData)
  {
    if (iFormat == 32 && nItems >= 1)
      iState = static_cast<int>(reinterpret_cast<long*>(pData)[0]);
    XFree(pData);
  }
  pData = nullptr;
  if (XGetWindowProperty(pDisplay, m_hNative, InternAtom("_NET_WM_STATE"), 0, 64, False, XA_ATOM, &aType,
                         &iFormat, &nItems, &nAfter, &pData) == Success &&
      pData)
  {
    const Atom aHidden = InternAtom("_NET_WM_STATE_HIDDEN");
    if (iFormat == 32)
      for (unsigned long i = 0; i < nItems; ++i)
        bHidden = bHidden || reinterpret_cast<unsigned long*>(pData)[i] == aHidden;
    XFree(pData);
  }
  CDisplay::EndErrorTrap();

  if (iState == IconicState || bHidden)
    SetIconic(true);
  else if (iState == NormalState && m_bMapped)
    SetIconic(false);
}

} // namespace zos
