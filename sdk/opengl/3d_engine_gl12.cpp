#include "sdk/opengl/3d_engine_gl12.h"

#include "sdk/core/engine_settings.h"
#include "sdk/opengl/camera_gl.h"
#include "sdk/opengl/device_services_gl.h"
#include "sdk/opengl/gl_headers.h"
#include "sdk/opengl/index_buffer_gl.h"
#include "sdk/opengl/object_gl.h"
#include "sdk/opengl/object_gl_sprites.h"
#include "sdk/opengl/shader_gl.h"
#include "sdk/opengl/state_gl.h"
#include "sdk/opengl/texture_gl.h"
#include "sdk/os/window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace zos;

namespace
{

// Whole-word search in the extension string (a name may be the prefix of another).
bool HasExtension(const char* szName)
{
  const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (!ext)
    return false;
  size_t len = std::strlen(szName);
  for (const char* p = ext; (p = std::strstr(p, szName)) != nullptr; p += len)
    if ((p == ext || p[-1] == ' ') && (p[len] == ' ' || p[len] == '\0'))
      return true;
  return false;
}

int GLMajorVersion()
{
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return version ? std::atoi(version) : 0;
}

template <typename T> T EntryPoint(const CGLContext& context, const char* szName)
{
  return reinterpret_cast<T>(context.GetProcAddress(szName));
}

inline float ColorByte(uint32_t dwColor, int iShift)
{
  return static_cast<float>((dwColor >> iShift) & 0xFF) / 255.0f;
}

} // namespace

SPlatformGL* GetPlatformGL(const SEngineSettings* pSettings)
{
  return pSettings ? static_cast<SPlatformGL*>(pSettings->pPlatform) : nullptr;
}

C3DEngineGL12::C3DEngineGL12() : m_pShadowVolumes(nullptr), m_pSunOcclusion(nullptr)
{
  std::memset(&m_platform, 0, sizeof(m_platform));
}

C3DEngineGL12::~C3DEngineGL12()
{
  DestroyServices();
  delete m_pCamera;
  m_pCamera = nullptr;
}

void C3DEngineGL12::LoadEntryPoints()
{
  // Mesa hands out a dispatch stub for any name, so the extension string decides.
  SPlatformGL& p = m_platform;
  if (HasExtension("GL_ARB_multitexture"))
  {
    p.glActiveTextureARB = EntryPoint<PFNGLACTIVETEXTUREARBPROC>(m_context, "glActiveTextureARB");
    p.glMultiTexCoord2fARB = EntryPoint<PFNGLMULTITEXCOORD2FARBPROC>(m_context, "glMultiTexCoord2fARB");
  }
  if (HasExtension("GL_ARB_shader_objects") && HasExtension("GL_ARB_fragment_shader"))
  {
    p.glCreateProgramObjectARB =
        EntryPoint<PFNGLCREATEPROGRAMOBJECTARBPROC>(m_context, "glCreateProgramObjectARB");
    p.glCreateShaderObjectARB =
        EntryPoint<PFNGLCREATESHADEROBJECTARBPROC>(m_context, "glCreateShaderObjectARB");
    p.glDeleteObjectARB = EntryPoint<PFNGLDELETEOBJECTARBPROC>(m_context, "glDeleteObjectARB");
    p.glShaderSourceARB = EntryPoint<PFNGLSHADERSOURCEARBPROC>(m_context, "glShaderSourceARB");
    p.glCompileShaderARB = EntryPoint<PFNGLCOMPILESHADERARBPROC>(m_context, "glCompileShaderARB");
    p.glAttachObjectARB = EntryPoint<PFNGLATTACHOBJECTARBPROC>(m_context, "glAttachObjectARB");
    p.glDetachObjectARB = EntryPoint<PFNGLDETACHOBJECTARBPROC>(m_context, "glDetachObjectARB");
    p.glLinkProgramARB = EntryPoint<PFNGLLINKPROGRAMARBPROC>(m_context, "glLinkProgramARB");
    p.glUseProgramObjectARB = EntryPoint<PFNGLUSEPROGRAMOBJECTARBPROC>(m_context, "glUseProgramObjectARB");
    p.glGetUniformLocationARB =
        EntryPoint<PFNGLGETUNIFORMLOCATIONARBPROC>(m_context, "glGetUniformLocationARB");
    p.glUniform1iARB = EntryPoint<PFNGLUNIFORM1IARBPROC>(m_context, "glUniform1iARB");
  }
  // Frame-buffer objects: the extension's names, else those of the core (3.0 and later,
  // or ARB_framebuffer_object), which take the same arguments.
  const char* suffix = nullptr;
  if (HasExtension("GL_EXT_framebuffer_object"))
    suffix = "EXT";
  else if (HasExtension("GL_ARB_framebuffer_object") || GLMajorVersion() >= 3)
    suffix = "";
  if (suffix)
  {
    auto fbo = [this, suffix](const char* szBase)
    {
      char szName[64];
      std::snprintf(szName, sizeof(szName), "%s%s", szBase, suffix);
      return m_context.GetProcAddress(szName);
    };
    p.glGenFramebuffersEXT = reinterpret_cast<PFNGLGENFRAMEBUFFERSEXTPROC>(fbo("glGenFramebuffers"));
    p.glDeleteFramebuffersEXT = reinterpret_cast<PFNGLDELETEFRAMEBUFFERSEXTPROC>(fbo("glDeleteFramebuffers"));
    p.glBindFramebufferEXT = reinterpret_cast<PFNGLBINDFRAMEBUFFEREXTPROC>(fbo("glBindFramebuffer"));
    p.glFramebufferTexture2DEXT =
        reinterpret_cast<PFNGLFRAMEBUFFERTEXTURE2DEXTPROC>(fbo("glFramebufferTexture2D"));
    p.glCheckFramebufferStatusEXT =
        reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC>(fbo("glCheckFramebufferStatus"));
    p.glGenerateMipmapEXT = reinterpret_cast<PFNGLGENERATEMIPMAPEXTPROC>(fbo("glGenerateMipmap"));
  }
  if (!p.glGenFramebuffersEXT || !p.glDeleteFramebuffersEXT || !p.glBindFramebufferEXT ||
      !p.glFramebufferTexture2DEXT || !p.glCheckFramebufferStatusEXT || !p.glGenerateMipmapEXT)
  {
    p.glGenFramebuffersEXT = nullptr;
    p.glDeleteFramebuffersEXT = nullptr;
    p.glBindFramebufferEXT = nullptr;
    p.glFramebufferTexture2DEXT = nullptr;
    p.glCheckFramebufferStatusEXT = nullptr;
    p.glGenerateMipmapEXT = nullptr;
  }
}

ZRESULT C3DEngineGL12::Create(SEngineSettings* pSettings, CWindow* hWnd)
{
  m_pSettings = pSettings;
  m_platform.hWnd = hWnd;
  if (!hWnd)
    return 5;
  if (!pSettings)
    return ZP_FAIL;
  pSettings->pPlatform = &m_platform;
  m_state.Reset();
  m_platform.pState = &m_state;

  // Full screen: a display mode of the settings' size; a refusal means windowed.
  if (pSettings->bFullscreen && !m_context.EnterFullscreen(hWnd, pSettings->wWidth, pSettings->wHeight))
    pSettings->bFullscreen = 0;

  if (m_context.Create(hWnd) < 0)
    return ZP_FAIL;
  m_platform.hDC = m_context.GetDeviceContext();
  m_platform.hRC = m_context.GetRenderingContext();
  m_platform.hPalette = m_context.GetPalette();

  LoadEntryPoints();

  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glPolygonMode(GL_FRONT, GL_FILL);
  glPolygonMode(GL_BACK, GL_FILL);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
  m_state.PolygonMode(GL_FILL);
  m_state.Enable(GL_ALPHA_TEST, true);
  m_state.Enable(GL_BLEND, true);
  m_state.Enable(GL_CULL_FACE, false);
  m_state.CullFace(GL_BACK);
  glDisable(GL_AUTO_NORMAL);
  m_state.Enable(GL_FOG, false);
  // Texture rows of 24-bit images are not padded to four bytes.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);

  CCameraGL* pCamera = new (std::nothrow) CCameraGL();
  if (!pCamera)
    return ZP_FAIL;
  m_pCamera = pCamera;
  m_platform.pCamera = pCamera;
  ZRESULT r = pCamera->Attach(pSettings);
  if (r < 0)
    return r;

  // Make the context current again on the same window, then the state that belongs
  // to the drawable.  A failure here is not the device's: the context stays usable.
  m_context.Reacquire();
  m_platform.hDC = m_context.GetDeviceContext();
  glDrawBuffer(GL_BACK);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
  m_state.PolygonMode(GL_FILL);
  m_state.Enable(GL_DEPTH_TEST, true);
  CreateServices();

  hWnd->Update();
  if (C3DEngine::Create(pSettings, hWnd) < 0)
    return ZP_FAIL;
  return r;
}

ZRESULT C3DEngineGL12::Destroy()
{
  if (m_pSettings && m_pSettings->bFullscreen && m_platform.hWnd)
    m_context.LeaveFullscreen(m_platform.hWnd);
  // What is left in the lists holds GL names: release it while its context is current.
  DestroyServices();
  ZRESULT r = C3DEngine::Destroy();
  m_context.Destroy();
  m_platform.hRC = nullptr;
  m_platform.hDC = nullptr;
  if (m_platform.hWnd && CWindow::IsWindow(m_platform.hWnd))
    m_platform.hWnd->Destroy();
  m_platform.hWnd = nullptr;
  // The palette may be selected into the window's own device context until the window
  // is gone.
  m_context.DeletePalette();
  m_platform.hPalette = nullptr;
  m_platform.pState = nullptr;
  if (m_pSettings && m_pSettings->pPlatform == &m_platform)
    m_pSettings->pPlatform = nullptr;
  return r < 0 ? ZP_FAIL : ZP_OK;
}

ZRESULT C3DEngineGL12::ApplyFog()
{
  const SEngineSettings* s = m_pSettings;
  if (!s)
    return ZP_OK;
  GLfloat color[4] = { ColorByte(s->dwFogColor, 16), ColorByte(s->dwFogColor, 8), ColorByte(s->dwFogColor, 0),
                       ColorByte(s->dwFogColor, 24) };
  glFogfv(GL_FOG_COLOR, color);
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glHint(GL_FOG_HINT, GL_NICEST);
  glFogf(GL_FOG_START, s->fFogStart);
  glFogf(GL_FOG_END, s->fFogEnd);
  glFogf(GL_FOG_DENSITY, s->fFogDensity);
  return ZP_OK;
}

ZRESULT C3DEngineGL12::ApplyLights()
{
  const SEngineSettings* s = m_pSettings;
  if (!s)
    return ZP_OK;
  const SLightSettings& l = s->light1;
  float a = 0.5f * l.fAmbient;
  GLfloat ambient[4] = { a, a, a, 1.0f };
  GLfloat diffuse[4] = { l.fDiffuse, l.fDiffuse, l.fDiffuse, 1.0f };
  GLfloat specular[4] = { l.fSpecular, l.fSpecular, l.fSpecular, 1.0f };
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 50.0f);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 50.0f);
  glShadeModel(GL_SMOOTH);
  // A positional light, x and y mirrored as the original placement wants; a directional
  // one (type 0) comes from that position's direction, as from a point far beyond it.
  GLfloat position[4] = { -l.vPosition.x, -l.vPosition.y, l.vPosition.z, l.iType == 0 ? 0.0f : 1.0f };
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  return ZP_OK;
}

ZRESULT C3DEngineGL12::BeginFrame()
{
  const SEngineSettings* s = m_pSettings;
  if (!s)
    return ZP_OK;
  uint32_t c = s->dwClearColor;
  glClearColor(ColorByte(c, 16), ColorByte(c, 8), ColorByte(c, 0), ColorByte(c, 24));
  // A clear writes through the depth mask: the last object may have closed it.
  m_state.DepthMask(true);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  m_state.ForgetDepth();
  ApplyFog();
  ApplyLights();
  if (m_pCamera)
    m_pCamera->ApplyPerspective();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  return ZP_OK;
}

ZRESULT C3DEngineGL12::EndFrame()
{
  // The scene may leave another matrix selected; the push was on the model-view stack.
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glFlush();
  m_context.SwapBuffers();
  return ZP_OK;
}

uint32_t C3DEngineGL12::GetMaxTextureSide()
{
  if (!m_platform.hRC)
    return 0;
  GLint iSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &iSide);
  return iSide > 0 ? static_cast<uint32_t>(iSide) : 0;
}

bool C3DEngineGL12::ReadPresentedFrame(int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels)
{
  int w = 0, h = 0;
  if (!CGLContext::ScreenshotsReadThroughOpenGL() || !m_platform.hWnd || !pPixels)
    return false;
  m_platform.hWnd->GetClientSize(&w, &h);
  if (w <= 0 || h <= 0)
    return false;
  std::vector<uint32_t> rows(size_t(w) * size_t(h));
  for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i)
  {
  } // errors of the frame are not this read's
  // The back buffer still holds the frame just presented where swapping copies it
  // (Mesa's and the common Windows drivers' windowed swap); which is all a screenshot
  // between frames needs.
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  // Little-endian BGRA bytes are 0xAARRGGBB words; OpenGL gives the bottom row first.
  glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
  if (glGetError() != GL_NO_ERROR)
    return false;
  pPixels->resize(rows.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      (*pPixels)[size_t(y) * size_t(w) + size_t(x)] =
          0xFF000000u | rows[size_t(h - 1 - y) * size_t(w) + size_t(x)];
  *pWidth = w;
  *pHeight = h;
  return true;
}

C3DObject* C3DEngineGL12::CreateObject(uint32_t dwKind, uint32_t dwRenderFlags)
{
  return MakeObject<CObjectGL3D, CObjectGL, CObjectGLSprites, CObjectGL2D>(dwKind, dwRenderFlags);
}

CIndexBuffer* C3DEngineGL12::CreateIndexBuffer(uint32_t, uint32_t, uint32_t dwType)
{
  return MakeIndexBuffer<CIndexBufferGL16, CIndexBufferGL32>(dwType);
}

CTexture* C3DEngineGL12::CreateTexture(uint32_t dwKind, uint32_t dwTextureFlags)
{
  return MakeTexture<CTextureGL>(dwKind, dwTextureFlags);
}

CShader* C3DEngineGL12::CreateShader(uint32_t dwKind, uint32_t)
{
  return AdoptShader(new (std::nothrow) CShaderGL(), dwKind);
}

void C3DEngineGL12::CreateServices()
{
  DestroyServices();
  m_pShadowVolumes = CShadowVolumesGL::Create(m_pSettings);
  m_pSunOcclusion = CSunOcclusionGL::Create(m_pSettings);
}

void C3DEngineGL12::DestroyServices()
{
  delete m_pShadowVolumes;
  m_pShadowVolumes = nullptr;
  delete m_pSunOcclusion;
  m_pSunOcclusion = nullptr;
}

CShadowVolumeService* C3DEngineGL12::GetShadowVolumeService() { return m_pShadowVolumes; }

CSunOcclusionService* C3DEngineGL12::GetSunOcclusionService() { return m_pSunOcclusion; }

// ---------------------------------------------------------------- module

ZRESULT DescribeOpenGL12(SPlatformDesc* pDesc)
{
  if (!pDesc)
    return ZP_FAIL;
  std::memset(pDesc, 0, sizeof(*pDesc));
  std::snprintf(pDesc->szBuild, sizeof(pDesc->szBuild), "%s %s", "Mar  4 2008", "23:04:54");
  std::snprintf(pDesc->szName, sizeof(pDesc->szName), "%s", "OpenGL 1.2");
  pDesc->wMinor = 0;
  pDesc->wMajor = 1;
  pDesc->dwFlags = PLATFORM_OPENGL12;
  return ZP_OK;
}

C3DEngine* CreateOpenGL12() { return new (std::nothrow) C3DEngineGL12(); }

void DestroyOpenGL12(C3DEngine* pEngine) { delete pEngine; }
