#include "sdk/opengl/gl_context_system.h"

#include "sdk/os/window.h"
#include "sdk/os/x11/window_x11.h"

#include <GL/glx.h>

#include <cstdlib>
#include <unordered_set>

using namespace zos;

namespace
{

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
  const int required[] = { GLX_RENDER_TYPE,
                           GLX_RGBA_BIT,
                           GLX_DRAWABLE_TYPE,
                           GLX_WINDOW_BIT,
                           GLX_DOUBLEBUFFER,
                           True,
                           GLX_X_RENDERABLE,
                           True,
                           GLX_RED_SIZE,
                           8,
                           GLX_GREEN_SIZE,
                           8,
                           GLX_BLUE_SIZE,
                           8,
                           GLX_DEPTH_SIZE,
                           kMinDepthBits,
                           GLX_STENCIL_SIZE,
                           kStencilBits,
                           GLX_STEREO,
                           static_cast<int>(GLX_DONT_CARE),
                           GLX_TRANSPARENT_TYPE,
                           static_cast<int>(GLX_DONT_CARE),
                           None };
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

// The visual of the configuration Create will choose, for windows made for OpenGL:
// X11 fixes a window's visual when it is created.  False when the server offers no
// suitable visual (the window then gets the default one and Create looks for a
// configuration on that).
bool ChooseWindowVisual(Display* dpy, SWindowVisual* pVisual)
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

// Every program that makes OpenGL contexts links this file, so windows made with
// WINDOW_OPENGL get the visual before any context exists.
const bool s_bVisualChooser = (SetOpenGLVisualChooser(ChooseWindowVisual), true);

// The context through GLX, on the window's visual.
class CGLXContext final : public CGLSystemContext
{
public:
  ~CGLXContext() override { Destroy(); }
  ZRESULT Create(CWindow* pWnd, uintptr_t hNativeWindow) override;
  bool MakeCurrent() override { return m_context && glXMakeCurrent(m_pDisplay, m_window, m_context); }
  void ReleaseCurrent() override
  {
    if (m_pDisplay && m_context)
      glXMakeCurrent(m_pDisplay, None, nullptr);
  }
  bool SwapBuffers() override;
  void* GetProcAddress(const char* szName) const override
  {
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(szName)));
  }
  void Destroy() override;
  void* GetDeviceContext() const override { return m_pDisplay; }
  void* GetRenderingContext() const override { return m_context; }

private:
  Display* m_pDisplay = nullptr;  // the connection the windows live on
  Window m_window = 0;            // the drawable
  GLXFBConfig m_config = nullptr; // the configuration the context was made for
  GLXContext m_context = nullptr;
};

ZRESULT CGLXContext::Create(CWindow*, uintptr_t hNativeWindow)
{
  Destroy();
  m_pDisplay = static_cast<Display*>(CWindow::GetNativeDisplay());
  Window xwin = static_cast<Window>(hNativeWindow);
  if (!m_pDisplay || !xwin)
    return ZP_FAIL;
  // The window's visual is fixed: look for the best configuration on it.
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(m_pDisplay, xwin, &attrs) || !attrs.visual)
    return ZP_FAIL;
  GLXFBConfig cfg =
      ChooseConfig(m_pDisplay, XScreenNumberOfScreen(attrs.screen), XVisualIDFromVisual(attrs.visual));
  if (!cfg)
    return ZP_FAIL;
  m_config = cfg;
  m_window = xwin;

  GLXContext ctx = glXCreateNewContext(m_pDisplay, cfg, GLX_RGBA_TYPE, nullptr, True);
  if (!ctx)
    return ZP_FAIL;
  if (!glXMakeCurrent(m_pDisplay, m_window, ctx))
  {
    glXDestroyContext(m_pDisplay, ctx);
    return ZP_FAIL;
  }
  m_context = ctx;
  return ZP_OK;
}

bool CGLXContext::SwapBuffers()
{
  if (!m_pDisplay || !m_window)
    return false;
  glXSwapBuffers(m_pDisplay, m_window);
  return true;
}

void CGLXContext::Destroy()
{
  if (m_pDisplay && m_context)
  {
    glXMakeCurrent(m_pDisplay, None, nullptr);
    glXDestroyContext(m_pDisplay, m_context);
  }
  m_pDisplay = nullptr;
  m_window = 0;
  m_config = nullptr;
  m_context = nullptr;
}

} // namespace

std::unique_ptr<CGLSystemContext> MakeGLXContext() { return std::make_unique<CGLXContext>(); }
