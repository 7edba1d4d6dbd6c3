#include "sdk/opengl/3d_engine_gl12.h"

#include "sdk/core/engine_settings.h"
#include "sdk/opengl/camera_gl.h"
#include "sdk/opengl/device_services_gl.h"
#include "sdk/opengl/index_buffer_gl.h"
#include "sdk/opengl/object_gl.h"
#include "sdk/opengl/shader_gl.h"
#include "sdk/opengl/texture_gl.h"
#include "sdk/os/window.h"
#include "sdk/os/x11/window_x11.h"

#include <GL/glx.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_set>

using namespace zos;

namespace {

// What is asked of the frame buffer: RGBA, double-buffered, 8 bits per colour, no
// alpha, the deepest depth buffer offered but at least 24 bits, an 8-bit stencil.
constexpr int kMinDepthBits = 24;
constexpr int kStencilBits = 8;

struct SConfigScore
{
  int depth;
  int stencilExact;
  int noAlpha;
  int colourExact;
  int mono;
  int singleSample;
  int noCaveat;
  int trueColour;

  // Lexicographic: the earlier field matters more.
  bool BetterThan(const SConfigScore& o) const
  {
    const int* a = &depth;
    const int* b = &o.depth;
    for (size_t i = 0; i < sizeof(SConfigScore) / sizeof(int); ++i)
      if (a[i] != b[i])
        return a[i] > b[i];
    return false;
  }
};

int ConfigAttrib(Display* dpy, GLXFBConfig cfg, int attrib)
{
  int value = 0;
  if (glXGetFBConfigAttrib(dpy, cfg, attrib, &value) != Success)
    return 0;
  return value;
}

// The configuration closest to what is asked, on the given visual when wantVisual is
// non-zero.  Null when none has what is required.
GLXFBConfig ChooseConfig(Display* dpy, int screen, VisualID wantVisual)
{
  // Before the first GLX call loads the driver: Mesa's software rasterizer then blends
  // two mipmap levels only near the switch from one to the next ("brilinear") instead
  // of across the whole range, which saves a tenth of its work on the scene and moves
  // no pixel of it by more than a few levels.  A value the user set is kept; other
  // drivers do not read it.
  setenv("GALLIVM_PERF", "brilinear", 0);
  int count = 0;
  GLXFBConfig* configs = glXGetFBConfigs(dpy, screen, &count);
  if (!configs)
    return nullptr;
  // Each glXGetFBConfigAttrib searches the whole list (840 configurations on llvmpipe),
  // so querying every configuration costs some 100 ms at start-up.  The library first
  // keeps those that have what is required; the loop below then scores only these, in
  // the order of the full list so that ties go the same way.  Attributes that
  // glXChooseFBConfig would otherwise fix by default are left open, as the loop does.
  const int required[] = {
    GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_DOUBLEBUFFER, True,
    GLX_X_RENDERABLE, True, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
    GLX_DEPTH_SIZE, kMinDepthBits, GLX_STENCIL_SIZE, kStencilBits,
    GLX_STEREO, static_cast<int>(GLX_DONT_CARE), GLX_TRANSPARENT_TYPE, static_cast<int>(GLX_DONT_CARE),
    None
  };
  int candidateCount = 0;
  GLXFBConfig* candidates = glXChooseFBConfig(dpy, screen, required, &candidateCount);
  std::unordered_set<GLXFBConfig> keep;
  if (candidates)
  {
    keep.insert(candidates, candidates + candidateCount);
    XFree(candidates);
  }
  GLXFBConfig best = nullptr;
  SConfigScore bestScore{};
  for (int i = 0; i < count; ++i)
  {
    GLXFBConfig c = configs[i];
    // Without a filtered list (a library that refuses the request) every one is tried.
    if (!keep.empty() && !keep.count(c))
      continue;
    VisualID visual = static_cast<VisualID>(ConfigAttrib(dpy, c, GLX_VISUAL_ID));
    if (visual == 0 || (wantVisual && visual != wantVisual))
      continue;
    if (!(ConfigAttrib(dpy, c, GLX_RENDER_TYPE) & GLX_RGBA_BIT) ||
        !(ConfigAttrib(dpy, c, GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT) ||
        !ConfigAttrib(dpy, c, GLX_DOUBLEBUFFER) || !ConfigAttrib(dpy, c, GLX_X_RENDERABLE))
      continue;
    int red = ConfigAttrib(dpy, c, GLX_RED_SIZE);
    int green = ConfigAttrib(dpy, c, GLX_GREEN_SIZE);
    int blue = ConfigAttrib(dpy, c, GLX_BLUE_SIZE);
    int depth = ConfigAttrib(dpy, c, GLX_DEPTH_SIZE);
    int stencil = ConfigAttrib(dpy, c, GLX_STENCIL_SIZE);
    if (red < 8 || green < 8 || blue < 8 || depth < kMinDepthBits || stencil < kStencilBits)
      continue;
    SConfigScore score;
    score.depth = depth;
    score.stencilExact = stencil == kStencilBits;
    score.noAlpha = ConfigAttrib(dpy, c, GLX_ALPHA_SIZE) == 0;
    score.colourExact = red == 8 && green == 8 && blue == 8;
    score.mono = !ConfigAttrib(dpy, c, GLX_STEREO);
    score.singleSample = ConfigAttrib(dpy, c, GLX_SAMPLES) <= 1;
    score.noCaveat = ConfigAttrib(dpy, c, GLX_CONFIG_CAVEAT) == GLX_NONE;
    score.trueColour = ConfigAttrib(dpy, c, GLX_X_VISUAL_TYPE) == GLX_TRUE_COLOR;
    if (!best || score.BetterThan(bestScore))
    {
      best = c;
      bestScore = score;
    }
  }
  XFree(configs);
  return best;
}

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

template <typename T>
T EntryPoint(const char* szName)
{
  return reinterpret_cast<T>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(szName)));
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

ZRESULT C3DEngineGL12::ChoosePixelFormat()
{
  Display* dpy = static_cast<Display*>(m_platform.hDC);
  Window xwin = m_platform.hWnd->GetNativeHandle();
  if (!dpy || !xwin)
    return ZP_FAIL;
  // The window's visual is fixed: look for the best configuration on it.
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(dpy, xwin, &attrs) || !attrs.visual)
    return ZP_FAIL;
  GLXFBConfig cfg = ChooseConfig(dpy, XScreenNumberOfScreen(attrs.screen),
                                 XVisualIDFromVisual(attrs.visual));
  if (!cfg)
    return ZP_FAIL;
  m_platform.pConfig = cfg;
  m_platform.dwDrawable = xwin;
  return ZP_OK;
}

void C3DEngineGL12::LoadEntryPoints()
{
  // Mesa hands out a dispatch stub for any name, so the extension string decides.
  SPlatformGL& p = m_platform;
  if (HasExtension("GL_ARB_multitexture"))
  {
    p.glActiveTextureARB = EntryPoint<PFNGLACTIVETEXTUREARBPROC>("glActiveTextureARB");
    p.glMultiTexCoord2fARB = EntryPoint<PFNGLMULTITEXCOORD2FARBPROC>("glMultiTexCoord2fARB");
  }
  if (HasExtension("GL_ARB_shader_objects") && HasExtension("GL_ARB_fragment_shader"))
  {
    p.glCreateProgramObjectARB = EntryPoint<PFNGLCREATEPROGRAMOBJECTARBPROC>("glCreateProgramObjectARB");
    p.glCreateShaderObjectARB = EntryPoint<PFNGLCREATESHADEROBJECTARBPROC>("glCreateShaderObjectARB");
    p.glDeleteObjectARB = EntryPoint<PFNGLDELETEOBJECTARBPROC>("glDeleteObjectARB");
    p.glShaderSourceARB = EntryPoint<PFNGLSHADERSOURCEARBPROC>("glShaderSourceARB");
    p.glCompileShaderARB = EntryPoint<PFNGLCOMPILESHADERARBPROC>("glCompileShaderARB");
    p.glAttachObjectARB = EntryPoint<PFNGLATTACHOBJECTARBPROC>("glAttachObjectARB");
    p.glDetachObjectARB = EntryPoint<PFNGLDETACHOBJECTARBPROC>("glDetachObjectARB");
    p.glLinkProgramARB = EntryPoint<PFNGLLINKPROGRAMARBPROC>("glLinkProgramARB");
    p.glUseProgramObjectARB = EntryPoint<PFNGLUSEPROGRAMOBJECTARBPROC>("glUseProgramObjectARB");
    p.glGetUniformLocationARB = EntryPoint<PFNGLGETUNIFORMLOCATIONARBPROC>("glGetUniformLocationARB");
    p.glUniform1iARB = EntryPoint<PFNGLUNIFORM1IARBPROC>("glUniform1iARB");
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
    auto fbo = [suffix](const char* szBase) {
      char szName[64];
      std::snprintf(szName, sizeof(szName), "%s%s", szBase, suffix);
      return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(szName));
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

  // Full screen is the window manager's state here; a refusal means windowed.
  if (pSettings->bFullscreen && !hWnd->SetFullscreen(true))
    pSettings->bFullscreen = 0;

  m_platform.hDC = CWindow::GetNativeDisplay();
  if (ChoosePixelFormat() < 0)
    return ZP_FAIL;

  Display* dpy = static_cast<Display*>(m_platform.hDC);
  GLXFBConfig cfg = static_cast<GLXFBConfig>(m_platform.pConfig);
  GLXContext ctx = glXCreateNewContext(dpy, cfg, GLX_RGBA_TYPE, nullptr, True);
  if (!ctx)
    return ZP_FAIL;
  m_platform.hRC = ctx;
  if (!glXMakeCurrent(dpy, m_platform.dwDrawable, ctx))
  {
    glXDestroyContext(dpy, ctx);
    m_platform.hRC = nullptr;
    return ZP_FAIL;
  }

  LoadEntryPoints();

  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glPolygonMode(GL_FRONT, GL_FILL);
  glPolygonMode(GL_BACK, GL_FILL);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_ALPHA_TEST);
  glEnable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glDisable(GL_AUTO_NORMAL);
  glDisable(GL_FOG);
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

  // Make the context current again on the same drawable, then the state that belongs
  // to the drawable.
  glXMakeCurrent(dpy, None, nullptr);
  glXMakeCurrent(dpy, m_platform.dwDrawable, ctx);
  glDrawBuffer(GL_BACK);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_DEPTH_TEST);
  CreateServices();

  hWnd->Update();
  if (C3DEngine::Create(pSettings, hWnd) < 0)
    return ZP_FAIL;
  return r;
}

void C3DEngineGL12::ReleaseContext()
{
  Display* dpy = static_cast<Display*>(m_platform.hDC);
  if (dpy && m_platform.hRC)
  {
    glXMakeCurrent(dpy, None, nullptr);
    glXDestroyContext(dpy, static_cast<GLXContext>(m_platform.hRC));
  }
  m_platform.hRC = nullptr;
}

ZRESULT C3DEngineGL12::Destroy()
{
  if (m_pSettings && m_pSettings->bFullscreen && m_platform.hWnd)
    m_platform.hWnd->SetFullscreen(false);
  // What is left in the lists holds GL names: release it while its context is current.
  DestroyServices();
  ZRESULT r = C3DEngine::Destroy();
  ReleaseContext();
  if (m_platform.hWnd && CWindow::IsWindow(m_platform.hWnd))
    m_platform.hWnd->Destroy();
  m_platform.hWnd = nullptr;
  m_platform.hDC = nullptr;
  if (m_pSettings && m_pSettings->pPlatform == &m_platform)
    m_pSettings->pPlatform = nullptr;
  return r < 0 ? ZP_FAIL : ZP_OK;
}

ZRESULT C3DEngineGL12::ApplyFog()
{
  const SEngineSettings* s = m_pSettings;
  if (!s)
    return ZP_OK;
  GLfloat color[4] = { ColorByte(s->dwFogColor, 16), ColorByte(s->dwFogColor, 8),
                       ColorByte(s->dwFogColor, 0), ColorByte(s->dwFogColor, 24) };
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
  // Always a positional light; x and y mirrored as the original placement wants.
  GLfloat position[4] = { -l.vPosition.x, -l.vPosition.y, l.vPosition.z, 1.0f };
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
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  ForgetDepthWrites();
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
  if (m_platform.hDC && m_platform.dwDrawable)
    glXSwapBuffers(static_cast<Display*>(m_platform.hDC), m_platform.dwDrawable);
  return ZP_OK;
}

C3DObject* C3DEngineGL12::CreateObject(uint32_t dwKind, uint32_t dwRenderFlags)
{
  C3DObject* pObject = nullptr;
  switch (ObjectClassBit(dwKind))
  {
    case OBJECT_KIND_MESH:    pObject = new (std::nothrow) CObjectGL3D(); break;
    case OBJECT_KIND_BARE:    pObject = new (std::nothrow) CObjectGL(); break;
    case OBJECT_KIND_SPRITES: pObject = new (std::nothrow) CObjectGLSprites(); break;
    case OBJECT_KIND_SCREEN:  pObject = new (std::nothrow) CObjectGL2D(); break;
    default: return nullptr;
  }
  return AdoptObject(pObject, dwKind, dwRenderFlags);
}

CIndexBuffer* C3DEngineGL12::CreateIndexBuffer(uint32_t, uint32_t, uint32_t dwType)
{
  CIndexBuffer* pBuffer = nullptr;
  if (dwType == INDEX_TYPE_16)
    pBuffer = new (std::nothrow) CIndexBufferGL16();
  else if (dwType == INDEX_TYPE_32)
    pBuffer = new (std::nothrow) CIndexBufferGL32();
  else
    return nullptr;
  return AdoptIndexBuffer(pBuffer, dwType);
}

CTexture* C3DEngineGL12::CreateTexture(uint32_t dwKind, uint32_t dwTextureFlags)
{
  return AdoptTexture(new (std::nothrow) CTextureGL(), dwKind, dwTextureFlags);
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

CShadowVolumeService* C3DEngineGL12::GetShadowVolumeService()
{
  return m_pShadowVolumes;
}

CSunOcclusionService* C3DEngineGL12::GetSunOcclusionService()
{
  return m_pSunOcclusion;
}

// ---------------------------------------------------------------- visual and module

// The visual of the configuration Create will choose, for windows made for OpenGL:
// X11 fixes a window's visual when it is created.  False when the server offers no
// suitable visual (the window then gets the default one and Create looks for a
// configuration on that).
static bool ChooseWindowVisual(Display* dpy, SWindowVisual* pVisual)
{
  GLXFBConfig cfg = ChooseConfig(dpy, DefaultScreen(dpy), 0);
  if (!cfg)
    return false;
  XVisualInfo* vi = glXGetVisualFromFBConfig(dpy, cfg);
  if (!vi)
    return false;
  pVisual->pVisual = vi->visual;
  pVisual->iDepth = vi->depth;
  pVisual->colormap = 0;
  XFree(vi);
  return true;
}

static const bool s_bVisualChooser = (SetOpenGLVisualChooser(ChooseWindowVisual), true);

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

C3DEngine* CreateOpenGL12()
{
  return new (std::nothrow) C3DEngineGL12();
}

void DestroyOpenGL12(C3DEngine* pEngine)
{
  delete pEngine;
}
