#include "sdk/opengl/state_gl.h"

#include <cstring>

bool SProjectionGL::operator==(const SProjectionGL& o) const
{
  return bOrtho == o.bOrtho && fFov == o.fFov && fAspect == o.fAspect && fNear == o.fNear && fFar == o.fFar &&
         std::memcmp(afView, o.afView, sizeof(afView)) == 0 && wWidth == o.wWidth && wHeight == o.wHeight;
}

int CStateGL::CapIndex(GLenum eCap)
{
  switch (eCap)
  {
    case GL_BLEND: return CAP_BLEND;
    case GL_ALPHA_TEST: return CAP_ALPHA_TEST;
    case GL_DEPTH_TEST: return CAP_DEPTH_TEST;
    case GL_STENCIL_TEST: return CAP_STENCIL_TEST;
    case GL_CULL_FACE: return CAP_CULL_FACE;
    case GL_FOG: return CAP_FOG;
    case GL_LIGHTING: return CAP_LIGHTING;
    case GL_COLOR_MATERIAL: return CAP_COLOR_MATERIAL;
    case GL_LIGHT0: return CAP_LIGHT0;
    case GL_LIGHT1: return CAP_LIGHT1;
    default: return -1;
  }
}

void CStateGL::Reset()
{
  const uint64_t qwDraws = m_qwDraws; // draw numbers never repeat
  *this = CStateGL{};
  m_qwDraws = qwDraws;
  // OpenGL starts with dithering on and everything above off.
}

void CStateGL::Enable(GLenum eCap, bool bOn)
{
  bOn ? glEnable(eCap) : glDisable(eCap);
  const int i = CapIndex(eCap);
  if (i >= 0)
    m_abCap[i] = bOn;
}

void CStateGL::DepthFunc(GLenum eFunc)
{
  glDepthFunc(eFunc);
  m_eDepthFunc = eFunc;
}

void CStateGL::DepthMask(bool bWrite)
{
  glDepthMask(bWrite ? GL_TRUE : GL_FALSE);
  m_bDepthMask = bWrite;
}

void CStateGL::BlendFunc(GLenum eSource, GLenum eDest)
{
  glBlendFunc(eSource, eDest);
  m_eBlendSource = eSource;
  m_eBlendDest = eDest;
}

void CStateGL::CullFace(GLenum eFace)
{
  glCullFace(eFace);
  m_eCullFace = eFace;
}

void CStateGL::FrontFace(GLenum eWinding)
{
  glFrontFace(eWinding);
  m_eFrontFace = eWinding;
}

void CStateGL::PolygonMode(GLenum eMode)
{
  glPolygonMode(GL_FRONT_AND_BACK, eMode);
  m_ePolygonMode = eMode;
}

void CStateGL::ActiveTexture(PFNGLACTIVETEXTUREARBPROC pfnActive, uint32_t dwUnit)
{
  if (!pfnActive)
    return;
  pfnActive(GL_TEXTURE0_ARB + dwUnit);
  m_dwActiveUnit = dwUnit;
}

void CStateGL::Texture2D(bool bOn)
{
  bOn ? glEnable(GL_TEXTURE_2D) : glDisable(GL_TEXTURE_2D);
  if (m_dwActiveUnit < UNITS)
    m_abTexture2D[m_dwActiveUnit] = bOn;
}

void CStateGL::TexEnvMode(GLenum eMode)
{
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(eMode));
  if (m_dwActiveUnit < UNITS)
    m_aeTexEnv[m_dwActiveUnit] = eMode;
}

void CStateGL::Viewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
  glViewport(x, y, w, h);
  m_aiViewport[0] = x;
  m_aiViewport[1] = y;
  m_aiViewport[2] = w;
  m_aiViewport[3] = h;
}

CStateGL::SSnapshot CStateGL::Take() const
{
  SSnapshot s;
  std::memcpy(s.abCap, m_abCap, sizeof(s.abCap));
  s.eDepthFunc = m_eDepthFunc;
  s.bDepthMask = m_bDepthMask;
  s.eBlendSource = m_eBlendSource;
  s.eBlendDest = m_eBlendDest;
  s.eCullFace = m_eCullFace;
  s.eFrontFace = m_eFrontFace;
  s.ePolygonMode = m_ePolygonMode;
  s.dwActiveUnit = m_dwActiveUnit;
  std::memcpy(s.abTexture2D, m_abTexture2D, sizeof(s.abTexture2D));
  std::memcpy(s.aeTexEnv, m_aeTexEnv, sizeof(s.aeTexEnv));
  std::memcpy(s.aiViewport, m_aiViewport, sizeof(s.aiViewport));
  s.projection = m_projection;
  return s;
}

void CStateGL::Restore(const SSnapshot& s)
{
  std::memcpy(m_abCap, s.abCap, sizeof(m_abCap));
  m_eDepthFunc = s.eDepthFunc;
  m_bDepthMask = s.bDepthMask;
  m_eBlendSource = s.eBlendSource;
  m_eBlendDest = s.eBlendDest;
  m_eCullFace = s.eCullFace;
  m_eFrontFace = s.eFrontFace;
  m_ePolygonMode = s.ePolygonMode;
  m_dwActiveUnit = s.dwActiveUnit;
  std::memcpy(m_abTexture2D, s.abTexture2D, sizeof(m_abTexture2D));
  std::memcpy(m_aeTexEnv, s.aeTexEnv, sizeof(m_aeTexEnv));
  std::memcpy(m_aiViewport, s.aiViewport, sizeof(m_aiViewport));
  m_projection = s.projection;
}

void CStateGL::Push()
{
  // Raw draws may write depth where the record cannot see.
  ForgetDepth();
  if (m_iForeign < SAVED)
    m_aSaved[m_iForeign] = Take();
  ++m_iForeign;
}

void CStateGL::Pop()
{
  if (m_iForeign == 0)
    return;
  --m_iForeign;
  if (m_iForeign < SAVED)
    Restore(m_aSaved[m_iForeign]);
}
