#pragma once

// The one connection to the X server that the program's windows share.  Kept out of
// the other headers so that Xlib's macros (None, Bool, Status...) stay in sdk/os.

#include <vector>

struct _XDisplay;

namespace zos
{

class CDisplay
{
public:
  // Opens the connection on first use ($DISPLAY); null when there is no server.
  static _XDisplay* Get();
  // Closes the connection (windows must be destroyed first).
  static void Close();
  // True once a connection is open.
  static bool IsOpen();

  // Called, with a one-line text, when the connection to the server is lost (server
  // killed or gone).  Xlib cannot go on after that: the handler is called once, then
  // output is flushed and the process ends with code 0.
  typedef void (*PFN_FATAL)(const char* szMessage);
  static void SetFatalHandler(PFN_FATAL pfnHandler);

  // Protocol errors (BadWindow, BadMatch...) never end the program: untrapped ones are
  // written to standard error.  Between BeginErrorTrap and EndErrorTrap they are only
  // recorded; EndErrorTrap syncs with the server and answers the first error code seen
  // (0 for none).
  static void BeginErrorTrap();
  static int EndErrorTrap();

  // Screen size in pixels of the default screen; 0 x 0 without a server.
  static void GetScreenSize(int* pWidth, int* pHeight);

  // The monitors, as Xinerama tells them (RandR answers for it on a single screen),
  // the primary one first; the whole screen when there is no Xinerama.  Empty
  // without a server.
  struct SMonitor
  {
    int x, y, iWidth, iHeight;
  };
  static std::vector<SMonitor> GetMonitors();
  // The monitor holding the point (the primary one when none does).
  static SMonitor MonitorAt(int x, int y);

  // The window manager, when one runs (EWMH _NET_SUPPORTING_WM_CHECK).
  static bool HasWindowManager();
  // Whether the window manager lists the given atom in _NET_SUPPORTED.
  static bool WindowManagerSupports(const char* szAtom);

  // Whether the monitors are powered down (DPMS standby, suspend or off).  Asked of the
  // server at most once a second; false without the DPMS extension or with DPMS off.
  static bool IsScreenAsleep();

  // The file descriptor of the connection, for waiting on events (-1 when closed).
  static int GetFd();
};

} // namespace zos
