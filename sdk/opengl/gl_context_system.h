#pragma once

// Linux makes contexts two ways, each in its own file: GLX on X11, EGL on Wayland.
// CGLContext (gl_context_linux.cpp) holds the one of the window system the program
// runs on (zos::GetWindowSystem) and hands it the calls that differ.

#include "sdk/core/result.h"

#include <cstdint>
#include <memory>

namespace zos
{
class CWindow;
}

class CGLSystemContext
{
public:
  virtual ~CGLSystemContext() = default;
  // Makes the context on the window (pWnd may be null for a window made outside zos)
  // and makes it current.
  virtual ZRESULT Create(zos::CWindow* pWnd, uintptr_t hNativeWindow) = 0;
  virtual bool MakeCurrent() = 0;
  virtual void ReleaseCurrent() = 0;
  virtual bool SwapBuffers() = 0;
  virtual void* GetProcAddress(const char* szName) const = 0;
  virtual void Destroy() = 0;
  virtual void* GetDeviceContext() const = 0;
  virtual void* GetRenderingContext() const = 0;
};

std::unique_ptr<CGLSystemContext> MakeGLXContext();
std::unique_ptr<CGLSystemContext> MakeEGLContext();
