#pragma once

// What the X11 window file and its event file share.

#include "sdk/os/window.h"

#include <X11/Xlib.h>

namespace zos
{

class CWindow;

struct CWindow::SNative
{
  Colormap colormap = 0;
  bool bOwnColormap = false;
};

extern CWindow* g_pCapture; // the window holding the mouse capture, or null

Atom InternAtom(const char* szName);

} // namespace zos
