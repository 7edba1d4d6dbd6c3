#pragma once

// What the X11 side of the window layer offers the few callers that speak X11 (the
// GLX context file, the X11-only tests): windows on a visual of their choosing.

#include "sdk/os/window.h"

#include <X11/Xlib.h>

namespace zos
{

struct SWindowVisual
{
  Visual* pVisual;
  int iDepth;
  Colormap colormap; // 0: the window makes one for the visual
};

// CWindow::Create on the given visual (null: the screen's default).
HWND CreateWindowOnVisual(const char* szClass, const char* szTitle, uint32_t dwStyle, int x, int y,
                          int iWidth, int iHeight, WNDPROC pfnProc, const SWindowVisual* pVisual);

// The OpenGL platform's choice of visual for windows created with WINDOW_OPENGL;
// without one (or when it fails) such windows take the default visual.
typedef bool (*PFN_CHOOSE_GL_VISUAL)(Display* pDisplay, SWindowVisual* pVisual);
void SetOpenGLVisualChooser(PFN_CHOOSE_GL_VISUAL pfnChoose);

} // namespace zos
