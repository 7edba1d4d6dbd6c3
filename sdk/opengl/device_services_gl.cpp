#include "sdk/opengl/device_services_gl.h"

#include "sdk/core/3d_object.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/texture.h"
#include "sdk/opengl/gl_headers.h"
#include "sdk/opengl/platform_gl.h"
#include "sdk/opengl/state_gl.h"

#include <initializer_list>
#include <new>
#include <utility>

namespace
{

constexpr float kRadiansToDegrees = 57.29577951f;

bool HasContext(const SEngineSettings* pSettings)
{
  const SPlatformGL* p = GetPlatformGL(pSettings);
  return p && p->hRC;
}

// Every state a service changes is put back by popping it, so that the objects drawn
// after it find the frame as they left it; the device's state record knows nothing in
// between and what it knew afterwards.
void PushAll(const SEngineSettings* pSettings)
{
  if (const SPlatformGL* p = GetPlatformGL(pSettings); p && p->pState)
    p->pState->Push();
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
}

void PopAll(const SEngineSettings* pSettings)
{
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  if (const SPlatformGL* p = GetPlatformGL(pSettings); p && p->pState)
    p->pState->Pop();
}

// Texturing off on every unit; unit 0 active afterwards.
void TexturesOff(const SPlatformGL* p)
{
  if (p && p->glActiveTextureARB)
  {
    for (GLenum u = TEXTURE_STAGES; u-- > 0;)
    {
      p->glActiveTextureARB(GL_TEXTURE0_ARB + u);
      glDisable(GL_TEXTURE_2D);
    }
  }
  else
  {
    glDisable(GL_TEXTURE_2D);
  }
}

// Plain untextured, unlit, unfogged drawing with no blending or alpha test.
void PlainState(const SPlatformGL* p)
{
  TexturesOff(p);
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_STENCIL_TEST);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glShadeModel(GL_SMOOTH);
}

// World positions in the engine's convention to the platform's mirrored z.
void EmitTriangles(const SVector3* pPositions, uint32_t dwCount)
{
  glBegin(GL_TRIANGLES);
  for (uint32_t i = 0; i + 2 < dwCount; i += 3)
    for (uint32_t k = i; k < i + 3; ++k)
      glVertex3f(pPositions[k].x, pPositions[k].y, -pPositions[k].z);
  glEnd();
}

void ColorUb(uint32_t dwColor)
{
  glColor4ub(static_cast<GLubyte>(dwColor >> 16), static_cast<GLubyte>(dwColor >> 8),
             static_cast<GLubyte>(dwColor), static_cast<GLubyte>(dwColor >> 24));
}

void Quad(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1)
{
  glBegin(GL_QUADS);
  glTexCoord2f(u0, v0);
  glVertex2f(x0, y0);
  glTexCoord2f(u1, v0);
  glVertex2f(x1, y0);
  glTexCoord2f(u1, v1);
  glVertex2f(x1, y1);
  glTexCoord2f(u0, v1);
  glVertex2f(x0, y1);
  glEnd();
}

} // namespace

// ---------------------------------------------------------------- shadow volumes

CShadowVolumesGL* CShadowVolumesGL::Create(SEngineSettings* pSettings)
{
  if (!HasContext(pSettings))
    return nullptr;
  GLint iBits = 0;
  glGetIntegerv(GL_STENCIL_BITS, &iBits);
  return iBits > 0 ? new (std::nothrow) CShadowVolumesGL(pSettings) : nullptr;
}

void CShadowVolumesGL::ApplyWorldTransforms()
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (p && p->pCamera)
    p->pCamera->ApplyPerspective();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void CShadowVolumesGL::MarkVolume(const SVector3* pSides, uint32_t dwSideCount, const SVector3* pCaps,
                                  uint32_t dwCapCount)
{
  if (!pSides || dwSideCount < 3)
    return;
  PushAll(m_pSettings);
  PlainState(GetPlatformGL(m_pSettings));
  ApplyWorldTransforms();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDepthMask(GL_FALSE);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glEnable(GL_STENCIL_TEST);
  glStencilMask(0xFF);
  glStencilFunc(GL_ALWAYS, 0, 0xFF);

  // Counted behind the scene, where the faces fail the depth test: the faces the ray
  // leaves by count up, then those it enters by count down, so that a visible point
  // keeps the number of volumes round it wherever the camera stands, inside one too.
  // The faces the engine calls front (the outside) appear clockwise on this
  // platform's mirrored z (its cull mode 1).
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  const bool bCaps = pCaps && dwCapCount >= 3;
  for (const auto& [eFront, eCount] : { std::pair{ GLenum(GL_CCW), GLenum(GL_INCR) }, { GL_CW, GL_DECR } })
  {
    glFrontFace(eFront);
    glStencilOp(GL_KEEP, eCount, GL_KEEP);
    EmitTriangles(pSides, dwSideCount);
    if (bCaps)
      EmitTriangles(pCaps, dwCapCount);
  }
  PopAll(m_pSettings);
}

void CShadowVolumesGL::DarkenMarked(uint32_t dwColor)
{
  PushAll(m_pSettings);
  PlainState(GetPlatformGL(m_pSettings));
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  // Only the marked pixels, each once: the pass clears what it darkens.
  glEnable(GL_STENCIL_TEST);
  glStencilMask(0xFF);
  glStencilFunc(GL_NOTEQUAL, 0, 0xFF);
  glStencilOp(GL_KEEP, GL_ZERO, GL_ZERO);
  glEnable(GL_BLEND);
  glBlendFunc(GL_DST_COLOR, GL_ZERO);
  ColorUb(dwColor);
  glBegin(GL_QUADS);
  glVertex2f(0.0f, 0.0f);
  glVertex2f(1.0f, 0.0f);
  glVertex2f(1.0f, 1.0f);
  glVertex2f(0.0f, 1.0f);
  glEnd();
  PopAll(m_pSettings);
}

void CShadowVolumesGL::DrawWireFrame(const SVector3* pPositions, uint32_t dwCount)
{
  if (!pPositions || dwCount < 3)
    return;
  PushAll(m_pSettings);
  PlainState(GetPlatformGL(m_pSettings));
  ApplyWorldTransforms();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_FALSE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glColor4ub(255, 255, 255, 255);
  EmitTriangles(pPositions, dwCount);
  PopAll(m_pSettings);
}

// ---------------------------------------------------------------- sun occlusion

CSunOcclusionGL::CSunOcclusionGL(SEngineSettings* pSettings)
    : m_pSettings(pSettings), m_uMask(0), m_uFramebuffer(0), m_iLastLevel(0)
{
}

CSunOcclusionGL* CSunOcclusionGL::Create(SEngineSettings* pSettings)
{
  const SPlatformGL* p = GetPlatformGL(pSettings);
  if (!HasContext(pSettings) || !p->glGenFramebuffersEXT || !p->glActiveTextureARB)
    return nullptr;
  CSunOcclusionGL* pService = new (std::nothrow) CSunOcclusionGL(pSettings);
  if (!pService)
    return nullptr;

  glPushAttrib(GL_TEXTURE_BIT);
  p->glActiveTextureARB(GL_TEXTURE0_ARB);
  glGenTextures(1, &pService->m_uMask);
  glBindTexture(GL_TEXTURE_2D, pService->m_uMask);
  // Every level exists from the start, so the texture is complete before the first
  // mipmap generation; each level is sampled alone (no filtering across texels).
  GLint iLevel = 0;
  for (GLsizei n = MASK_SIZE; n >= 1; n /= 2, ++iLevel)
    glTexImage2D(GL_TEXTURE_2D, iLevel, GL_RGBA8, n, n, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  pService->m_iLastLevel = iLevel - 1;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, pService->m_iLastLevel);
  glPopAttrib();

  p->glGenFramebuffersEXT(1, &pService->m_uFramebuffer);
  p->glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, pService->m_uFramebuffer);
  p->glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, pService->m_uMask,
                               0);
  const GLenum eStatus = p->glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
  p->glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  if (eStatus != GL_FRAMEBUFFER_COMPLETE_EXT || ZP_FAILED(pService->Reset()))
  {
    delete pService;
    return nullptr;
  }
  return pService;
}

CSunOcclusionGL::~CSunOcclusionGL()
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (!HasContext(m_pSettings))
    return;
  if (m_uFramebuffer && p->glDeleteFramebuffersEXT)
    p->glDeleteFramebuffersEXT(1, &m_uFramebuffer);
  if (m_uMask)
    glDeleteTextures(1, &m_uMask);
}

bool CSunOcclusionGL::BeginTarget()
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (!p || !p->glBindFramebufferEXT || !m_uFramebuffer)
    return false;
  PushAll(m_pSettings);
  p->glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, m_uFramebuffer);
  glViewport(0, 0, MASK_SIZE, MASK_SIZE);
  PlainState(p);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_DITHER);
  return true;
}

void CSunOcclusionGL::EndTarget()
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  p->glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  PopAll(m_pSettings);
  // The card averages the mask down to one texel: the coverage.
  glPushAttrib(GL_TEXTURE_BIT);
  p->glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, m_uMask);
  p->glGenerateMipmapEXT(GL_TEXTURE_2D);
  glPopAttrib();
}

ZRESULT CSunOcclusionGL::Reset()
{
  if (!BeginTarget())
    return ZP_FAIL;
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  EndTarget();
  return ZP_OK;
}

bool CSunOcclusionGL::Measure(const SMatrix* pView, float fFov, float fNear, float fFar, C3DObject* pDisc,
                              CTexture* pMask, const SOccluder* pOccluders, uint32_t dwOccluderCount)
{
  SEngineSettings* s = m_pSettings;
  if (!pView || !pDisc || !s || !(fFar > 0.0f) || !BeginTarget())
    return false;

  // The objects draw through the device camera: it takes the occlusion view for the
  // time of the measurement.  Depth is not tested, so a near distance of 0 only needs
  // to become a usable one.
  const SPlatformGL* p = GetPlatformGL(s);
  SCameraView view{};
  view.matView = *pView;
  view.matProjection = s->matProjection;
  view.fFov = fFov * kRadiansToDegrees;
  view.fAspect = 1.0f;
  view.fNear = fNear > 0.0f ? fNear : fFar * 1e-5f;
  view.fFar = fFar;
  if (p->pCamera)
    p->pCamera->SetView(&view);

  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  // The alpha channel stays opaque: the coverage fades colours only.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);

  // The disc: white where the mask's alpha passes, weighted by it.
  if (pMask)
  {
    static const GLfloat white[4] = { 1.0f, 1.0f, 1.0f, 1.0f };
    glEnable(GL_TEXTURE_2D);
    pMask->Bind(0);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, white);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_CONSTANT_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_ARB, GL_SRC_ALPHA);
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 5.0f / 255.0f);
  pDisc->DrawGeometry(ALL_PARTS);

  // The occluders in black: lit by nothing.
  static const GLfloat black[4] = { 0.0f, 0.0f, 0.0f, 1.0f };
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_COLOR_MATERIAL);
  for (GLenum l = 0; l < 8; ++l)
    glDisable(GL_LIGHT0 + l);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
  for (GLenum e : { GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION })
    glMaterialfv(GL_FRONT_AND_BACK, e, black);
  glEnable(GL_LIGHTING);
  DrawOccluders(pOccluders, dwOccluderCount);

  if (p->pCamera)
    p->pCamera->SetView(nullptr);
  EndTarget();
  return true;
}

void CSunOcclusionGL::BindMask(bool bCoverage)
{
  glBindTexture(GL_TEXTURE_2D, m_uMask);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, bCoverage ? m_iLastLevel : 0);
}

void CSunOcclusionGL::DrawOverlays()
{
  const SEngineSettings* s = m_pSettings;
  if (!s)
    return;
  PushAll(m_pSettings);
  PlainState(GetPlatformGL(s));
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, s->wWidth, s->wHeight, 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glColor4ub(255, 255, 255, 255);
  // The mask was drawn with y up: its top row is the top of the measured view.
  BindMask(false);
  Quad(225.0f, 0.0f, 325.0f, 100.0f, 0.0f, 1.0f, 1.0f, 0.0f);
  BindMask(true);
  Quad(325.0f, 0.0f, 375.0f, 50.0f, 0.0f, 0.0f, 1.0f, 1.0f);
  BindMask(false);
  PopAll(m_pSettings);
}

void CSunOcclusionGL::DrawAdditive(C3DObject* pObject, const SAdditiveDraw& how)
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (!pObject || !p)
    return;
  PushAll(m_pSettings);
  PlainState(p);
  if (how.bDepthTest)
  {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
  }
  else
  {
    glDisable(GL_DEPTH_TEST);
  }
  glDepthMask(GL_FALSE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, how.byAlphaRef / 255.0f);

  if (CTexture* pTexture = pObject->GetPartCount() ? pObject->GetTexture(0, 0) : nullptr)
  {
    glEnable(GL_TEXTURE_2D);
    pTexture->Bind(0);
    if (how.bVertexAlpha)
    {
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
    else
    {
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
      glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
      glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
      glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
      glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_PRIMARY_COLOR_ARB);
      glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
      glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_REPLACE);
      glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_TEXTURE);
      glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_ARB, GL_SRC_ALPHA);
    }
  }
  if (how.bFade)
  {
    // The second unit multiplies by the coverage texel; the object's vertices carry
    // coordinates for the first unit only, and any coordinate reads the one texel.
    p->glActiveTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    BindMask(true);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (p->glMultiTexCoord2fARB)
      p->glMultiTexCoord2fARB(GL_TEXTURE1_ARB, 0.5f, 0.5f);
    p->glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  pObject->DrawGeometry(ALL_PARTS);
  if (how.bFade)
  {
    p->glActiveTextureARB(GL_TEXTURE1_ARB);
    BindMask(false);
    p->glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  PopAll(m_pSettings);
}
