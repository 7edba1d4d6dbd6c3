#include "sdk/opengl/camera_gl.h"

#include "sdk/core/engine_settings.h"
#include "sdk/opengl/gl_headers.h"

// Each projection leaves the model-view matrix selected: the objects and the frame
// cycle only ever push, pop and load the model-view stack.

ZRESULT CCameraGL::ApplyPerspective()
{
  const SEngineSettings* s = m_pSettings;
  if (!s)
    return ZP_OK;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(s->fFov, s->fAspect, s->fNear, s->fFar);
  // Row-major with the translation in the last row is the column-major layout GL wants.
  glMultMatrixf(&s->matView.m[0][0]);
  glMatrixMode(GL_MODELVIEW);
  return ZP_OK;
}

ZRESULT CCameraGL::ApplyOrtho()
{
  const SEngineSettings* s = m_pSettings;
  if (!s)
    return ZP_OK;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, s->wWidth, s->wHeight, 0.0, -100.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
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
  glViewport(0, 0, s->wWidth, s->wHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(s->fFov, s->fAspect, s->fNear, s->fFar);
  glMatrixMode(GL_MODELVIEW);
  return r;
}
