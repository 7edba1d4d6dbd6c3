#include "sdk/opengl/gl_context.h"

#include "sdk/opengl/gl_context_system.h"
#include "sdk/os/window.h"
#include "sdk/os/window_system.h"

// What the two Linux contexts share: full screen is the window's state, there is never
// a palette, and the rest goes to GLX or EGL by the window system.

using namespace zos;

struct CGLContext::SSystem
{
  std::unique_ptr<CGLSystemContext> pContext;
};

CGLContext::CGLContext() : m_pSystem(new SSystem)
{
  m_pSystem->pContext = GetWindowSystem() == WINDOW_SYSTEM_WAYLAND ? MakeEGLContext() : MakeGLXContext();
}

CGLContext::~CGLContext() { Destroy(); }

bool CGLContext::EnterFullscreen(CWindow* pWnd, int, int)
{
  // The window's full-screen state stands for a display mode change here.
  return pWnd && pWnd->SetFullscreen(true);
}

void CGLContext::LeaveFullscreen(CWindow* pWnd)
{
  if (pWnd)
    pWnd->SetFullscreen(false);
}

ZRESULT CGLContext::Create(CWindow* pWnd)
{
  return pWnd ? m_pSystem->pContext->Create(pWnd, pWnd->GetNativeHandle()) : ZP_FAIL;
}

ZRESULT CGLContext::Create(uintptr_t hNativeWindow) { return m_pSystem->pContext->Create(nullptr, hNativeWindow); }

bool CGLContext::Reacquire()
{
  // The configuration stays that of the window: only the binding is renewed.
  ReleaseCurrent();
  return MakeCurrent();
}

bool CGLContext::MakeCurrent() { return m_pSystem->pContext->MakeCurrent(); }

void CGLContext::ReleaseCurrent() { m_pSystem->pContext->ReleaseCurrent(); }

// X11 reads the window; a Wayland client cannot read what the compositor shows.
bool CGLContext::ScreenshotsReadThroughOpenGL() { return GetWindowSystem() == WINDOW_SYSTEM_WAYLAND; }

bool CGLContext::SwapBuffers() { return m_pSystem->pContext->SwapBuffers(); }

void* CGLContext::GetProcAddress(const char* szName) const { return m_pSystem->pContext->GetProcAddress(szName); }

void CGLContext::Destroy() { m_pSystem->pContext->Destroy(); }

void CGLContext::DeletePalette()
{
  // True-colour visuals and configurations only: there is never a palette.
}

void* CGLContext::GetDeviceContext() const { return m_pSystem->pContext->GetDeviceContext(); }

void* CGLContext::GetRenderingContext() const { return m_pSystem->pContext->GetRenderingContext(); }

void* CGLContext::GetPalette() const { return nullptr; }
