#include "sdk/os/window_system.h"

#include "sdk/os/process_events.h"
#include "sdk/os/wayland/wayland.h"

#include <cstdlib>
#include <string>

// The choice between X11 and Wayland, made once, at the first window call.

namespace zos
{

namespace
{

EWindowSystem s_eRequested = WINDOW_SYSTEM_AUTO;
EWindowSystem s_eChosen = WINDOW_SYSTEM_AUTO; // AUTO: not chosen yet

} // namespace

void RequestWindowSystem(EWindowSystem eWanted)
{
  if (s_eChosen == WINDOW_SYSTEM_AUTO)
    s_eRequested = eWanted;
}

EWindowSystem GetWindowSystem()
{
  if (s_eChosen != WINDOW_SYSTEM_AUTO)
    return s_eChosen;
  s_eChosen = WINDOW_SYSTEM_X11;
  const char* szWayland = std::getenv("WAYLAND_DISPLAY");
  const bool bTry = s_eRequested == WINDOW_SYSTEM_WAYLAND ||
                    (s_eRequested == WINDOW_SYSTEM_AUTO && szWayland && *szWayland);
  if (!bTry)
    return s_eChosen;
  std::string strWhy;
  if (ConnectWayland(&strWhy))
    s_eChosen = WINDOW_SYSTEM_WAYLAND;
  else
    SystemNotice("%s; using X11.", strWhy.c_str());
  return s_eChosen;
}

bool SWaylandWindows::Active() { return GetWindowSystem() == WINDOW_SYSTEM_WAYLAND; }

} // namespace zos
