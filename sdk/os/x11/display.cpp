#include "sdk/os/x11/display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/dpms.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace zos
{

namespace
{

Display* s_pDisplay = nullptr;
CDisplay::PFN_FATAL s_pfnFatal = nullptr;
int s_iTrapDepth = 0;
int s_iTrappedError = 0;

int OnXError(Display* pDisplay, XErrorEvent* pEvent)
{
  if (s_iTrapDepth > 0)
  {
    if (s_iTrappedError == 0)
      s_iTrappedError = pEvent->error_code;
    return 0;
  }
  char szText[128] = {};
  XGetErrorText(pDisplay, pEvent->error_code, szText, sizeof(szText));
  fprintf(stderr, "# X error %d (%s), request %d.%d, resource 0x%lX\n", pEvent->error_code, szText,
          pEvent->request_code, pEvent->minor_code, pEvent->resourceid);
  return 0;
}

int OnXIoError(Display*)
{
  // Xlib ends the process when this returns; say why first, then leave without
  // running destructors that would talk to the dead connection again.
  static bool s_bInside = false;
  if (!s_bInside)
  {
    s_bInside = true;
    // One line of text for the handler, without the log's "# " and line end.
    // Xlib reports a closed connection with errno EAGAIN (or none).
    const int iError = errno;
    const char* szText =
        iError == 0 || iError == EAGAIN ? "the server closed the connection" : strerror(iError);
    if (s_pfnFatal)
      s_pfnFatal(szText);
    else
      fprintf(stderr, "# Connection to the X server lost (%s).\n", szText);
  }
  fflush(nullptr);
  _exit(0);
  return 0;
}

Atom InternAtom(const char* szName, bool bOnlyIfExists)
{
  return XInternAtom(s_pDisplay, szName, bOnlyIfExists ? True : False);
}

// The window manager's check window, or 0.
Window WindowManagerCheck()
{
  Display* pDisplay = CDisplay::Get();
  if (!pDisplay)
    return 0;
  Atom aCheck = InternAtom("_NET_SUPPORTING_WM_CHECK", false);
  Atom aType = 0;
  int iFormat = 0;
  unsigned long nItems = 0, nAfter = 0;
  unsigned char* pData = nullptr;
  Window wCheck = 0;
  if (XGetWindowProperty(pDisplay, DefaultRootWindow(pDisplay), aCheck, 0, 1, False, XA_WINDOW, &aType,
                         &iFormat, &nItems, &nAfter, &pData) == Success &&
      pData)
  {
    if (aType == XA_WINDOW && iFormat == 32 && nItems == 1)
      wCheck = static_cast<Window>(reinterpret_cast<unsigned long*>(pData)[0]);
    XFree(pData);
  }
  if (!wCheck)
    return 0;
  // A stale property may name a window that is gone: the check window names itself.
  CDisplay::BeginErrorTrap();
  Window wSelf = 0;
  pData = nullptr;
  if (XGetWindowProperty(pDisplay, wCheck, aCheck, 0, 1, False, XA_WINDOW, &aType, &iFormat, &nItems, &nAfter,
                         &pData) == Success &&
      pData)
  {
    if (aType == XA_WINDOW && iFormat == 32 && nItems == 1)
      wSelf = static_cast<Window>(reinterpret_cast<unsigned long*>(pData)[0]);
    XFree(pData);
  }
  if (CDisplay::EndErrorTrap() != 0)
    return 0;
  return wSelf == wCheck ? wCheck : 0;
}

} // namespace

_XDisplay* CDisplay::Get()
{
  if (!s_pDisplay)
  {
    s_pDisplay = XOpenDisplay(nullptr);
    if (s_pDisplay)
    {
      XSetErrorHandler(OnXError);
      XSetIOErrorHandler(OnXIoError);
    }
  }
  return s_pDisplay;
}

void CDisplay::Close()
{
  if (s_pDisplay)
  {
    XCloseDisplay(s_pDisplay);
    s_pDisplay = nullptr;
  }
}

bool CDisplay::IsOpen() { return s_pDisplay != nullptr; }

void CDisplay::SetFatalHandler(PFN_FATAL pfnHandler)
{
  s_pfnFatal = pfnHandler;
  // Another toolkit may have taken the process-wide handlers meanwhile.
  if (s_pDisplay)
  {
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIoError);
  }
}

void CDisplay::BeginErrorTrap()
{
  if (s_pDisplay && s_iTrapDepth == 0)
  {
    XSync(s_pDisplay, False);
    s_iTrappedError = 0;
  }
  ++s_iTrapDepth;
}

int CDisplay::EndErrorTrap()
{
  if (s_iTrapDepth == 0)
    return 0;
  if (s_pDisplay)
    XSync(s_pDisplay, False);
  --s_iTrapDepth;
  int iError = s_iTrappedError;
  if (s_iTrapDepth == 0)
    s_iTrappedError = 0;
  return iError;
}

void CDisplay::GetScreenSize(int* pWidth, int* pHeight)
{
  int w = 0, h = 0;
  if (Display* pDisplay = Get())
  {
    w = DisplayWidth(pDisplay, DefaultScreen(pDisplay));
    h = DisplayHeight(pDisplay, DefaultScreen(pDisplay));
  }
  if (pWidth)
    *pWidth = w;
  if (pHeight)
    *pHeight = h;
}

std::vector<CDisplay::SMonitor> CDisplay::GetMonitors()
{
  std::vector<SMonitor> monitors;
  Display* pDisplay = Get();
  if (!pDisplay)
    return monitors;
  int iEvent = 0, iError = 0, iCount = 0;
  if (XineramaQueryExtension(pDisplay, &iEvent, &iError) && XineramaIsActive(pDisplay))
    if (XineramaScreenInfo* pScreens = XineramaQueryScreens(pDisplay, &iCount))
    {
      for (int i = 0; i < iCount; ++i)
        if (pScreens[i].width > 0 && pScreens[i].height > 0)
          monitors.push_back({ pScreens[i].x_org, pScreens[i].y_org, pScreens[i].width, pScreens[i].height });
      XFree(pScreens);
    }
  if (monitors.empty())
  {
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    monitors.push_back({ 0, 0, w, h });
  }
  return monitors;
}

CDisplay::SMonitor CDisplay::MonitorAt(int x, int y)
{
  const std::vector<SMonitor> monitors = GetMonitors();
  if (monitors.empty())
    return SMonitor{ 0, 0, 0, 0 };
  for (const SMonitor& m : monitors)
    if (x >= m.x && y >= m.y && x < m.x + m.iWidth && y < m.y + m.iHeight)
      return m;
  return monitors[0];
}

bool CDisplay::HasWindowManager() { return WindowManagerCheck() != 0; }

bool CDisplay::WindowManagerSupports(const char* szAtom)
{
  if (!HasWindowManager())
    return false;
  Display* pDisplay = Get();
  Atom aWanted = InternAtom(szAtom, false);
  Atom aType = 0;
  int iFormat = 0;
  unsigned long nItems = 0, nAfter = 0;
  unsigned char* pData = nullptr;
  bool bFound = false;
  if (XGetWindowProperty(pDisplay, DefaultRootWindow(pDisplay), InternAtom("_NET_SUPPORTED", false), 0, 4096,
                         False, XA_ATOM, &aType, &iFormat, &nItems, &nAfter, &pData) == Success &&
      pData)
  {
    if (aType == XA_ATOM && iFormat == 32)
    {
      const unsigned long* pAtoms = reinterpret_cast<unsigned long*>(pData);
      for (unsigned long i = 0; i < nItems && !bFound; ++i)
        bFound = pAtoms[i] == aWanted;
    }
    XFree(pData);
  }
  return bFound;
}

bool CDisplay::IsScreenAsleep()
{
  static int64_t s_llAskedMs = -1;
  static bool s_bAsleep = false;
  static int s_iExtension = -1; // unknown, absent (0), present (1)
  Display* pDisplay = s_pDisplay;
  if (!pDisplay)
    return false;
  using namespace std::chrono;
  const int64_t llNowMs = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  if (s_llAskedMs >= 0 && llNowMs - s_llAskedMs < 1000)
    return s_bAsleep;
  s_llAskedMs = llNowMs;
  if (s_iExtension < 0)
  {
    int iEvent = 0, iError = 0;
    s_iExtension = DPMSQueryExtension(pDisplay, &iEvent, &iError) && DPMSCapable(pDisplay) ? 1 : 0;
  }
  CARD16 wLevel = DPMSModeOn;
  BOOL bEnabled = False;
  s_bAsleep = s_iExtension == 1 && DPMSInfo(pDisplay, &wLevel, &bEnabled) && bEnabled && wLevel != DPMSModeOn;
  return s_bAsleep;
}

int CDisplay::GetFd() { return s_pDisplay ? ConnectionNumber(s_pDisplay) : -1; }

} // namespace zos
