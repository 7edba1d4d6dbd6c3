#include "sdk/os/process_events.h"

#include "sdk/os/wayland/wayland.h"
#include "sdk/os/x11/display.h"

#include <csignal>

// Stop requests are POSIX signals; the display is the X connection or the compositor's.

namespace zos
{

namespace
{

PFN_STOP_REQUEST s_pfnStop = nullptr;

void OnSignal(int)
{
  if (s_pfnStop)
    s_pfnStop();
}

} // namespace

void InstallStopHandler(PFN_STOP_REQUEST pfnHandler)
{
  s_pfnStop = pfnHandler;
  const auto handler = pfnHandler ? OnSignal : SIG_DFL;
  std::signal(SIGTERM, handler);
  std::signal(SIGINT, handler);
  std::signal(SIGHUP, handler);
}

void SetDisplayLostHandler(PFN_DISPLAY_LOST pfnHandler)
{
  CDisplay::SetFatalHandler(pfnHandler);
  SetWaylandLostHandler(pfnHandler);
}

} // namespace zos
