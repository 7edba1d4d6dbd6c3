#pragma once

// Which window system the program's windows live on.  Linux has two, chosen once when
// the program starts, the way SDL picks its video driver: Wayland when
// $WAYLAND_DISPLAY names a compositor that answers, else X11; the user may ask for
// either.  Windows has only its own.  Code outside sdk/os never asks; the GL context
// file does, since the context is made by the system's own interface (GLX, EGL, WGL).

namespace zos
{

enum EWindowSystem
{
  WINDOW_SYSTEM_AUTO = 0, // as a request: let the environment decide
  WINDOW_SYSTEM_X11 = 1,
  WINDOW_SYSTEM_WAYLAND = 2,
  WINDOW_SYSTEM_WIN32 = 3,
};

// Records the user's choice; it takes effect at the first window call.  A Wayland
// request without a compositor (or one that lacks the shell windows need) falls back
// to X11 with a notice (process_events.h).  Ignored on Windows and once the choice
// is made.
void RequestWindowSystem(EWindowSystem eWanted);

// The system chosen; makes the choice (and the connection) on first call.
EWindowSystem GetWindowSystem();

} // namespace zos
