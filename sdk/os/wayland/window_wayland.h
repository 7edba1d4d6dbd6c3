#pragma once

// What the Wayland side of the window layer offers the EGL context file beside the
// window's display (a wl_display*) and handle (its wl_egl_window*): the other
// outputs' surfaces of a background window, which show the same picture.

#include "sdk/os/messages.h"

#include <vector>

struct wl_egl_window;

namespace zos
{

struct SWaylandMirror
{
  wl_egl_window* pEglWindow;
  int iWidth, iHeight; // pixels
};

// Empty for every window but a background shown on more than one output.
void GetWaylandMirrors(HWND hwnd, std::vector<SWaylandMirror>* pMirrors);

} // namespace zos
