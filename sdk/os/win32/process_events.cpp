#include <windows.h>

#include "sdk/os/process_events.h"

// Stop requests come from the console: Ctrl+C, Ctrl+Break, its close box, the end of
// the session.  The handler runs on a thread of its own.

namespace zos
{

namespace
{

PFN_STOP_REQUEST volatile s_pfnStop = nullptr;

BOOL WINAPI OnConsoleControl(DWORD dwEvent)
{
  PFN_STOP_REQUEST pfn = s_pfnStop;
  if (!pfn)
    return FALSE;
  switch (dwEvent)
  {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: pfn(); return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The system ends the process as soon as this returns: wait here so that the loop
      // can finish the run in order (its end ends this thread too; the system's own
      // time limit still applies).
      pfn();
      ::Sleep(INFINITE);
      return TRUE;
    default: return FALSE;
  }
}

} // namespace

void InstallStopHandler(PFN_STOP_REQUEST pfnHandler)
{
  s_pfnStop = pfnHandler;
  static bool s_bInstalled = false;
  if (pfnHandler && !s_bInstalled)
    s_bInstalled = ::SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}

void SetDisplayLostHandler(PFN_DISPLAY_LOST) {}

} // namespace zos
