#pragma once

// What the X11 window file and its event file share.

#include "sdk/os/window.h"
#include "sdk/os/x11/window_records.h"

#include <X11/Xlib.h>

namespace zos
{

class CWindow;

struct CWindow::SNative
{
  Colormap colormap = 0;
  bool bOwnColormap = false;
};

Atom InternAtom(const char* szName);

} // namespace zos
