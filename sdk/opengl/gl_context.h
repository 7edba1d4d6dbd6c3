#pragma once

// The OpenGL rendering context of one window, and the display change that full screen
// asks for.  One implementation per system: gl_context_glx.cpp (X11) and
// gl_context_wgl.cpp (Windows); this header names no system type.  Every call runs
// on the thread that made the context.

#include "sdk/core/result.h"

#include <cstdint>
#include <memory>

namespace zos
{
class CWindow;
}

class CGLContext
{
public:
  CGLContext();
  ~CGLContext(); // Destroy, then DeletePalette

  // Full screen at width x height, asked before Create.  Windows changes the display
  // to a 16-bit mode of that size; X11 asks the window manager for the window's
  // full-screen state.  False when refused: the caller then runs windowed.
  bool EnterFullscreen(zos::CWindow* pWnd, int iWidth, int iHeight);
  // Undoes EnterFullscreen (Windows: back to the display mode of the registry).
  void LeaveFullscreen(zos::CWindow* pWnd);

  // Chooses the pixel format for the window (double-buffered RGBA, 8 bits a colour,
  // a depth buffer of at least 24 bits, an 8-bit stencil), makes the context on it and
  // makes it current.  ZP_FAIL when there is no such format or no context.
  ZRESULT Create(zos::CWindow* pWnd);
  // The same for a window given by its system handle (an X Window id, an HWND): for
  // windows made outside zos.
  ZRESULT Create(uintptr_t hNativeWindow);

  // Releases the context and the window's device context, chooses the pixel format
  // again, and makes the context current anew.  False when it could not be made current.
  bool Reacquire();

  bool MakeCurrent();
  void ReleaseCurrent();
  bool SwapBuffers();
  // Whether a screenshot reads the frame through OpenGL: on Windows the window's pixels
  // as GDI reads them need not hold what OpenGL presented (under Wine they are black
  // now and then), nor can the front buffer be read there.  On X11 the window is read.
  static bool ScreenshotsReadThroughOpenGL();

  // An extension entry point of the current context, null when the system has none.
  void* GetProcAddress(const char* szName) const;

  // Releases the context and deletes it.  The palette stays until DeletePalette: it
  // may still be selected into the window's own device context until the window goes.
  void Destroy();
  void DeletePalette();

  // The system's handles, opaque: the drawing connection of the window (X Display*,
  // HDC), the rendering context (GLXContext, HGLRC), the logical palette (HPALETTE;
  // null unless the pixel format asks for one).
  void* GetDeviceContext() const;
  void* GetRenderingContext() const;
  void* GetPalette() const;

private:
  CGLContext(const CGLContext&) = delete;
  CGLContext& operator=(const CGLContext&) = delete;

  struct SSystem; // what the system's file keeps
  std::unique_ptr<SSystem> m_pSystem;
};
