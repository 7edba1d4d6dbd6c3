#include "sdk/os/window_system.h"

// Windows has one window system: there is nothing to choose.

namespace zos
{

void RequestWindowSystem(EWindowSystem) {}

EWindowSystem GetWindowSystem() { return WINDOW_SYSTEM_WIN32; }

} // namespace zos
