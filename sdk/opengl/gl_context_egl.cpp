#include "sdk/opengl/gl_context_system.h"

#include "sdk/opengl/gl_headers.h"
#include "sdk/os/wayland/window_wayland.h"
#include "sdk/os/window.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace zos;

namespace
{

// What is asked of the frame buffer, as on X11: desktop OpenGL on a window, 8 bits per
// colour and no alpha (the compositor would blend a frame with alpha into what lies
// behind), the deepest depth buffer offered but at least 24 bits, an 8-bit stencil.
constexpr EGLint kMinDepthBits = 24;
constexpr EGLint kStencilBits = 8;

EGLint Attrib(EGLDisplay dpy, EGLConfig cfg, EGLint attrib)
{
  EGLint value = 0;
  return eglGetConfigAttrib(dpy, cfg, attrib, &value) ? value : 0;
}

EGLConfig ChooseConfig(EGLDisplay dpy)
{
  const EGLint required[] = { EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                              EGL_RED_SIZE,     8,              EGL_GREEN_SIZE,      8,
                              EGL_BLUE_SIZE,    8,              EGL_DEPTH_SIZE,      kMinDepthBits,
                              EGL_STENCIL_SIZE, kStencilBits,   EGL_NONE };
  EGLint count = 0;
  if (!eglChooseConfig(dpy, required, nullptr, 0, &count) || count <= 0)
    return nullptr;
  std::vector<EGLConfig> configs(static_cast<size_t>(count));
  eglChooseConfig(dpy, required, configs.data(), count, &count);
  // Lexicographic, the earlier the weightier: depth, exact stencil, no alpha, exact colour.
  EGLConfig best = nullptr;
  EGLint bestScore[4] = {};
  for (EGLint i = 0; i < count; ++i)
  {
    EGLConfig c = configs[static_cast<size_t>(i)];
    const EGLint score[4] = { Attrib(dpy, c, EGL_DEPTH_SIZE), Attrib(dpy, c, EGL_STENCIL_SIZE) == kStencilBits,
                              Attrib(dpy, c, EGL_ALPHA_SIZE) == 0,
                              Attrib(dpy, c, EGL_RED_SIZE) == 8 && Attrib(dpy, c, EGL_GREEN_SIZE) == 8 &&
                                  Attrib(dpy, c, EGL_BLUE_SIZE) == 8 };
    bool bBetter = !best;
    for (int k = 0; k < 4 && best; ++k)
      if (score[k] != bestScore[k])
      {
        bBetter = score[k] > bestScore[k];
        break;
      }
    if (bBetter)
    {
      best = c;
      std::copy(score, score + 4, bestScore);
    }
  }
  return best;
}

// The context through EGL on the window's wl_egl_window.  A background on several
// outputs shows the same frame on each: before the frame is presented it is copied,
// scaled to cover, onto the other outputs' surfaces.
class CEGLContext final : public CGLSystemContext
{
public:
  ~CEGLContext() override { Destroy(); }
  ZRESULT Create(CWindow* pWnd, uintptr_t hNativeWindow) override;
  bool MakeCurrent() override
  {
    return m_context != EGL_NO_CONTEXT && eglMakeCurrent(m_display, m_surface, m_surface, m_context);
  }
  void ReleaseCurrent() override
  {
    if (m_display != EGL_NO_DISPLAY)
      eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  bool SwapBuffers() override;
  void* GetProcAddress(const char* szName) const override
  {
    return reinterpret_cast<void*>(eglGetProcAddress(szName));
  }
  void Destroy() override;
  void* GetDeviceContext() const override { return m_display; }
  void* GetRenderingContext() const override { return m_context; }

private:
  struct SMirror
  {
    wl_egl_window* pEglWindow;
    EGLSurface surface;
  };
  EGLSurface MakeSurface(uintptr_t hNative);
  void ShowOnMirrors();

  CWindow* m_pWnd = nullptr;
  uintptr_t m_hNative = 0;
  EGLDisplay m_display = EGL_NO_DISPLAY;
  EGLConfig m_config = nullptr;
  EGLContext m_context = EGL_NO_CONTEXT;
  EGLSurface m_surface = EGL_NO_SURFACE;
  std::vector<SMirror> m_mirrors;
  PFNGLBLITFRAMEBUFFERPROC m_pfnBlit = nullptr;
};

EGLSurface CEGLContext::MakeSurface(uintptr_t hNative)
{
  EGLSurface surface = eglCreateWindowSurface(m_display, m_config, static_cast<EGLNativeWindowType>(hNative), nullptr);
  // The frame just presented stays in the back buffer, for a screenshot read after it.
  if (surface != EGL_NO_SURFACE && (Attrib(m_display, m_config, EGL_SURFACE_TYPE) & EGL_SWAP_BEHAVIOR_PRESERVED_BIT))
    eglSurfaceAttrib(m_display, surface, EGL_SWAP_BEHAVIOR, EGL_BUFFER_PRESERVED);
  return surface;
}

ZRESULT CEGLContext::Create(CWindow* pWnd, uintptr_t hNativeWindow)
{
  Destroy();
  // As on X11, before the driver is loaded: Mesa's software rasterizer blends two mipmap
  // levels only near the switch from one to the next.  A value the user set is kept.
  setenv("GALLIVM_PERF", "brilinear", 0);
  void* pNativeDisplay = CWindow::GetNativeDisplay();
  if (!pNativeDisplay || !hNativeWindow)
    return ZP_FAIL;
  m_display = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, pNativeDisplay, nullptr);
  EGLint major = 0, minor = 0;
  if (m_display == EGL_NO_DISPLAY || !eglInitialize(m_display, &major, &minor) || !eglBindAPI(EGL_OPENGL_API))
  {
    Destroy();
    return ZP_FAIL;
  }
  m_config = ChooseConfig(m_display);
  if (m_config)
    m_context = eglCreateContext(m_display, m_config, EGL_NO_CONTEXT, nullptr);
  if (m_context != EGL_NO_CONTEXT)
    m_surface = MakeSurface(hNativeWindow);
  if (m_surface == EGL_NO_SURFACE || !eglMakeCurrent(m_display, m_surface, m_surface, m_context))
  {
    Destroy();
    return ZP_FAIL;
  }
  m_pWnd = pWnd;
  m_hNative = hNativeWindow;
  // Never wait for the compositor's frame callback: a surface nobody sees gets none,
  // and the loop must go on reading input and stop requests.
  eglSwapInterval(m_display, 0);
  m_pfnBlit = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(eglGetProcAddress("glBlitFramebuffer"));
  return ZP_OK;
}

void CEGLContext::ShowOnMirrors()
{
  std::vector<SWaylandMirror> wanted;
  if (m_pWnd && CWindow::IsWindow(m_pWnd))
    GetWaylandMirrors(m_pWnd, &wanted);
  // Surfaces of outputs that went away go too.
  for (auto it = m_mirrors.begin(); it != m_mirrors.end();)
  {
    const bool bKept = std::any_of(wanted.begin(), wanted.end(),
                                   [&](const SWaylandMirror& m) { return m.pEglWindow == it->pEglWindow; });
    if (bKept)
      ++it;
    else
    {
      eglDestroySurface(m_display, it->surface);
      it = m_mirrors.erase(it);
    }
  }
  if (wanted.empty() || !m_pfnBlit)
    return;
  int iWidth = 0, iHeight = 0;
  m_pWnd->GetClientSize(&iWidth, &iHeight);
  GLboolean bScissor = glIsEnabled(GL_SCISSOR_TEST);
  glDisable(GL_SCISSOR_TEST);
  for (const SWaylandMirror& m : wanted)
  {
    auto it = std::find_if(m_mirrors.begin(), m_mirrors.end(),
                           [&](const SMirror& s) { return s.pEglWindow == m.pEglWindow; });
    if (it == m_mirrors.end())
    {
      EGLSurface surface = MakeSurface(reinterpret_cast<uintptr_t>(m.pEglWindow));
      if (surface == EGL_NO_SURFACE)
        continue;
      m_mirrors.push_back({ m.pEglWindow, surface });
      it = m_mirrors.end() - 1;
    }
    if (!eglMakeCurrent(m_display, it->surface, m_surface, m_context))
      continue;
    // Cover the other output, the picture's centre kept.
    const double dScale = std::max(static_cast<double>(m.iWidth) / iWidth, static_cast<double>(m.iHeight) / iHeight);
    const int iSrcW = static_cast<int>(m.iWidth / dScale), iSrcH = static_cast<int>(m.iHeight / dScale);
    const int x0 = (iWidth - iSrcW) / 2, y0 = (iHeight - iSrcH) / 2;
    m_pfnBlit(x0, y0, x0 + iSrcW, y0 + iSrcH, 0, 0, m.iWidth, m.iHeight, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    eglSwapBuffers(m_display, it->surface);
  }
  eglMakeCurrent(m_display, m_surface, m_surface, m_context);
  if (bScissor)
    glEnable(GL_SCISSOR_TEST);
}

bool CEGLContext::SwapBuffers()
{
  if (m_surface == EGL_NO_SURFACE)
    return false;
  ShowOnMirrors();
  const bool bSwapped = eglSwapBuffers(m_display, m_surface);
  // The window's own surface may have moved to another output's (its output went
  // away): the next frame is drawn there.
  if (m_pWnd && CWindow::IsWindow(m_pWnd) && m_pWnd->GetNativeHandle() != m_hNative)
  {
    const uintptr_t hNative = m_pWnd->GetNativeHandle();
    auto it = std::find_if(m_mirrors.begin(), m_mirrors.end(),
                           [&](const SMirror& s) { return reinterpret_cast<uintptr_t>(s.pEglWindow) == hNative; });
    EGLSurface surface = it != m_mirrors.end() ? it->surface : MakeSurface(hNative);
    if (it != m_mirrors.end())
      m_mirrors.erase(it);
    if (surface != EGL_NO_SURFACE)
    {
      eglMakeCurrent(m_display, surface, surface, m_context);
      eglDestroySurface(m_display, m_surface);
      m_surface = surface;
      m_hNative = hNative;
    }
  }
  return bSwapped;
}

void CEGLContext::Destroy()
{
  if (m_display != EGL_NO_DISPLAY)
  {
    eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    for (const SMirror& m : m_mirrors)
      eglDestroySurface(m_display, m.surface);
    if (m_surface != EGL_NO_SURFACE)
      eglDestroySurface(m_display, m_surface);
    if (m_context != EGL_NO_CONTEXT)
      eglDestroyContext(m_display, m_context);
    // The display stays initialised: EGL shares it among everything of the connection.
  }
  m_mirrors.clear();
  m_pWnd = nullptr;
  m_hNative = 0;
  m_display = EGL_NO_DISPLAY;
  m_config = nullptr;
  m_context = EGL_NO_CONTEXT;
  m_surface = EGL_NO_SURFACE;
  m_pfnBlit = nullptr;
}

} // namespace

std::unique_ptr<CGLSystemContext> MakeEGLContext() { return std::make_unique<CEGLContext>(); }
