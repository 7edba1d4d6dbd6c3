#pragma once

// What the system tells the process from outside its windows: a request to stop (a
// signal, a console's close or Ctrl+C, the end of the session), on Linux the loss of
// the display connection, and the window layer's notices.

namespace zos
{

// Called when the process is asked to stop (SIGTERM, SIGINT, SIGHUP; on Windows the
// console's control events).  It runs in a signal handler or on another thread: it may
// only set a flag and call CMessageQueue::WakeUp.  Null restores the default.
typedef void (*PFN_STOP_REQUEST)();
void InstallStopHandler(PFN_STOP_REQUEST pfnHandler);

// Called once, with a one-line text, when the connection to the display is lost; the
// process then ends with code 0 (nothing can be drawn any more).  Windows has no such
// connection: the handler is kept and never called.
typedef void (*PFN_DISPLAY_LOST)(const char* szMessage);
void SetDisplayLostHandler(PFN_DISPLAY_LOST pfnHandler);

// Called with a one-line text when the window layer settles for less than it was
// asked for (no Wayland compositor, no layer shell, no desktop windows) and goes on
// with the nearest choice.  Without a handler the text goes to standard error.
typedef void (*PFN_SYSTEM_NOTICE)(const char* szMessage);
void SetSystemNoticeHandler(PFN_SYSTEM_NOTICE pfnHandler);
// Raised by the window layer (printf-style).
void SystemNotice(const char* szFormat, ...);

} // namespace zos
