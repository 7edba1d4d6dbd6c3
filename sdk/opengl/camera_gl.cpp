#include "sdk/opengl/camera_gl.h"

#include "sdk/core/engine_settings.h"
#include "sdk/opengl/gl_headers.h"
#include "sdk/opengl/platform_gl.h"
#include "sdk/opengl/state_gl.h"

#include <cstring>

// Each projection leaves the model-view matrix selected: the objects and the frame
// cycle only ever push, pop and load the model-view stack.  What each loads is kept in
// the device's state record, for the objects' decisions.

namespace
{

CStateGL* StateOf(const SEngineSettings* s)
{
  const SPlatformGL* p = GetPlatformGL(s);
  return p ? p->pState : nullptr;
}

} // namespace

ZRESULT CCameraGL::ApplyPerspective()
{
  const SEngineSettings* s = m_pSettings;
  if (!s)
    return ZP_OK;
  SProjectionGL projection;
  const SMatrix* pView = &s->matView;
  if (m_pView)
  {
    projection.fFov = m_pView->fFov;
    projection.fAspect = m_pView->fAspect;
    projection.fNear = m_pView->fNear;
    projection.fFar = m_pView->fFar;
    pView = &m_pView->matView;
  }
  else
  {
    projection.fFov = s->fFov;
    projection.fAspect = s->fAspect;
    projection.fNear = s->fNear;
    projection.fFar = s->fFar;
  }
  std::memcpy(projection.afView, &pView->m[0][0], sizeof(projection.afView));
  // Every object asks for the projection before it draws; the one in effect stays.
  CStateGL* pState = StateOf(s);
  if (pState && pState->Known() && pState->GetProjection() == projection)
  {
    glMatrixMode(GL_MODELVIEW);
    return ZP_OK;
  }
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(projection.fFov, projection.fAspect, projection.fNear, projection.fFar);
  // Row-major with the translation in the last row is the column-major layout GL wants.
  glMultMatrixf(&pView->m[0][0]);
  glMatrixMode(GL_MODELVIEW);
  if (pState)
    pState->Projection(projection);
  return ZP_OK;
}

ZRESULT CCameraGL::ApplyOrtho()
{
  const SEngineSettings* s = m_pSettings;
  if (!s)
    return ZP_OK;
  SProjectionGL projection;
  projection.bOrtho = true;
  projection.wWidth = s->wWidth;
  projection.wHeight = s->wHeight;
  CStateGL* pState = StateOf(s);
  if (pState && pState->Known() && pState->GetProjection() == projection)
  {
    glMatrixMode(GL_MODELVIEW);
    return ZP_OK;
  }
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, s->wWidth, s->wHeight, 0.0, -100.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  if (pState)
    pState->Projection(projection);
  return ZP_OK;
}

ZRESULT CCameraGL::ResetModelView()
{
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  return ZP_OK;
}

ZRESULT CCameraGL::Resize()
{
  ZRESULT r = CCamera::Resize();
  const SEngineSettings* s = m_pSettings;
  if (!s)
    return r;
  CStateGL* pState = StateOf(s);
  if (pState)
    pState->Viewport(0, 0, s->wWidth, s->wHeight);
  else
    glViewport(0, 0, s->wWidth, s->wHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(s->fFov, s->fAspect, s->fNear, s->fFar);
  glMatrixMode(GL_MODELVIEW);
  // Without the view: not a projection any draw is placed by.
  if (pState)
    pState->Projection(SProjectionGL{ false, -1.0f });
  return r;
}
