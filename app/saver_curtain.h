#pragma once

// A screen saver covers every monitor: the scene on the primary one, and black over
// the rest of the desktop, whose input ends the run as input on the scene does.

#include "sdk/os/messages.h"

// Whether the screen saver (/s) puts the curtain up: on Windows, which starts it on a
// desktop of several monitors.  On Linux xscreensaver runs a hack on each monitor.
#ifdef _WIN32
constexpr bool SAVER_CURTAIN = true;
#else
constexpr bool SAVER_CURTAIN = false;
#endif

// A black window over the whole desktop when it is larger than the primary monitor
// (null otherwise, or when the system refuses).  Made before the scene's window, which
// then lies above it.  Input over it goes to the scene's window once named.
zos::HWND RaiseCurtain();
void SetCurtainScene(zos::HWND hScene);
// Takes the curtain down (null: nothing).
void DropCurtain(zos::HWND hCurtain);
