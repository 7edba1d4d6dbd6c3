#include "sdk/os/wayland/wayland.h"

#include "sdk/os/message_queue.h"
#include "sdk/os/process_events.h"
#include "sdk/os/wayland/window_wayland.h"
#include "sdk/os/x11/window_records.h"

#include "xdg-shell-client-protocol.h"
// The generated header names an argument "namespace", a word of C++.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

#include <wayland-client.h>
#include <wayland-egl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <poll.h>

// Windows on Wayland: an xdg-shell toplevel, or for a background one layer-shell
// surface on the bottom layer of each output.  Sizes given to and reported by the
// window are buffer pixels: the surface's size times the scale of the outputs it is on.

namespace zos
{

namespace
{

struct SWlWindow;

// One wl_surface of a window: its toplevel, or a background's surface on one output.
struct SSurface
{
  SWlWindow* pOwner = nullptr;
  wl_surface* pSurface = nullptr;
  xdg_surface* pXdg = nullptr;
  xdg_toplevel* pToplevel = nullptr;
  zwlr_layer_surface_v1* pLayer = nullptr;
  SWaylandOutput* pOutput = nullptr; // a background surface's output
  wl_egl_window* pEgl = nullptr;
  int iLogicalW = 0, iLogicalH = 0;  // surface coordinates
  int iScale = 1;
  bool bConfigured = false;
  std::vector<wl_output*> entered;

  int PixelW() const { return iLogicalW * iScale; }
  int PixelH() const { return iLogicalH * iScale; }
};

struct SWlWindow
{
  CWindow* pWnd = nullptr;
  bool bOpenGL = false;
  bool bBackground = false;
  std::vector<std::unique_ptr<SSurface>> surfaces; // the window's own first
  // The toplevel's configure, applied when its xdg_surface.configure comes.
  int iPendingW = 0, iPendingH = 0;
  bool bPendingFullscreen = false;
  // What the presenter showed last, for CaptureWindow.
  std::vector<uint32_t> presented;
  int iPresentedW = 0, iPresentedH = 0;
  // The frame callback asked for on the main surface (carried by the next commit) and
  // when; null once it came.
  wl_callback* pFrame = nullptr;
  wl_surface* pFrameSurface = nullptr;
  int64_t llFrameAskedMs = 0;
};

// A frame callback not answered for this long means the surface is not shown.
constexpr int64_t FRAME_CALLBACK_LATE_MS = 1000;

std::vector<std::unique_ptr<SWlWindow>> s_windows;

int64_t NowMs()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

SWlWindow* Find(const CWindow* pWnd)
{
  for (auto& p : s_windows)
    if (p->pWnd == pWnd)
      return p.get();
  return nullptr;
}

SSurface* Main(SWlWindow* p) { return p && !p->surfaces.empty() ? p->surfaces[0].get() : nullptr; }

// The scale of the outputs a toplevel is on: the largest, so that it is sharp on each.
int ScaleOfEntered(const SSurface& s)
{
  int iScale = 1;
  for (wl_output* pOut : s.entered)
    for (const auto& o : Wayland().outputs)
      if (o->pOutput == pOut)
        iScale = std::max(iScale, o->iScale);
  return iScale;
}

// Brings the window's size and the GL window's buffers to the main surface's, and
// tells the procedure when it changed.
void SyncSize(SWlWindow* p)
{
  for (auto& s : p->surfaces)
    if (s->pEgl)
      wl_egl_window_resize(s->pEgl, std::max(s->PixelW(), 1), std::max(s->PixelH(), 1), 0, 0);
  SSurface* pMain = Main(p);
  if (!pMain)
    return;
  wl_surface_set_buffer_scale(pMain->pSurface, pMain->iScale);
  SWaylandWindows::Resized(p->pWnd, pMain->PixelW(), pMain->PixelH());
}

// ---- surface

void OnEnter(void* pData, wl_surface*, wl_output* pOutput)
{
  auto* s = static_cast<SSurface*>(pData);
  s->entered.push_back(pOutput);
  if (s->pToplevel && ScaleOfEntered(*s) != s->iScale)
  {
    s->iScale = ScaleOfEntered(*s);
    SyncSize(s->pOwner);
  }
}

void OnLeave(void* pData, wl_surface*, wl_output* pOutput)
{
  auto* s = static_cast<SSurface*>(pData);
  s->entered.erase(std::remove(s->entered.begin(), s->entered.end(), pOutput), s->entered.end());
  if (s->pToplevel && !s->entered.empty() && ScaleOfEntered(*s) != s->iScale)
  {
    s->iScale = ScaleOfEntered(*s);
    SyncSize(s->pOwner);
  }
}

const wl_surface_listener s_surfaceListener = { OnEnter, OnLeave };

void DropFrameCallback(SWlWindow* p)
{
  if (p->pFrame)
    wl_callback_destroy(p->pFrame);
  p->pFrame = nullptr;
  p->pFrameSurface = nullptr;
}

void OnFrameDone(void* pData, wl_callback*, uint32_t)
{
  DropFrameCallback(static_cast<SWlWindow*>(pData));
}

const wl_callback_listener s_frameListener = { OnFrameDone };

// ---- xdg toplevel

void OnXdgConfigure(void* pData, xdg_surface* pXdg, uint32_t dwSerial)
{
  auto* s = static_cast<SSurface*>(pData);
  SWlWindow* p = s->pOwner;
  xdg_surface_ack_configure(pXdg, dwSerial);
  s->bConfigured = true;
  SWaylandWindows::FullscreenChanged(p->pWnd, p->bPendingFullscreen);
  // A zero size leaves the choice to us: the size asked for, or the last one.
  if (p->iPendingW > 0 && p->iPendingH > 0 &&
      (p->iPendingW != s->iLogicalW || p->iPendingH != s->iLogicalH))
  {
    s->iLogicalW = p->iPendingW;
    s->iLogicalH = p->iPendingH;
    SyncSize(p);
  }
}

const xdg_surface_listener s_xdgSurfaceListener = { OnXdgConfigure };

void OnToplevelConfigure(void* pData, xdg_toplevel*, int32_t iWidth, int32_t iHeight, wl_array* pStates)
{
  auto* p = static_cast<SWlWindow*>(pData);
  p->iPendingW = iWidth;
  p->iPendingH = iHeight;
  p->bPendingFullscreen = false;
  const uint32_t* pState = nullptr;
  for (pState = static_cast<const uint32_t*>(pStates->data);
       reinterpret_cast<const char*>(pState) < static_cast<const char*>(pStates->data) + pStates->size; ++pState)
    if (*pState == XDG_TOPLEVEL_STATE_FULLSCREEN)
      p->bPendingFullscreen = true;
}

void OnToplevelClose(void* pData, xdg_toplevel*)
{
  // The close box: sent, not posted, as on Windows.
  static_cast<SWlWindow*>(pData)->pWnd->Send(WM_CLOSE, 0, 0);
}

void OnToplevelConfigureBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void OnToplevelWmCapabilities(void*, xdg_toplevel*, wl_array*) {}

const xdg_toplevel_listener s_toplevelListener = { OnToplevelConfigure, OnToplevelClose,
                                                   OnToplevelConfigureBounds, OnToplevelWmCapabilities };

// ---- layer surface (background)

void OnLayerConfigure(void* pData, zwlr_layer_surface_v1* pLayer, uint32_t dwSerial, uint32_t dwWidth,
                      uint32_t dwHeight)
{
  auto* s = static_cast<SSurface*>(pData);
  zwlr_layer_surface_v1_ack_configure(pLayer, dwSerial);
  s->bConfigured = true;
  const int w = dwWidth ? static_cast<int>(dwWidth) : (s->pOutput ? s->pOutput->iWidth / s->iScale : 0);
  const int h = dwHeight ? static_cast<int>(dwHeight) : (s->pOutput ? s->pOutput->iHeight / s->iScale : 0);
  if (w > 0 && h > 0 && (w != s->iLogicalW || h != s->iLogicalH))
  {
    s->iLogicalW = w;
    s->iLogicalH = h;
    SyncSize(s->pOwner);
  }
}

void DestroySurface(SSurface* s);

void OnLayerClosed(void* pData, zwlr_layer_surface_v1*)
{
  // Its output is gone, or the user took it away: the others go on; the last one
  // closes the window.
  auto* s = static_cast<SSurface*>(pData);
  SWlWindow* p = s->pOwner;
  auto it = std::find_if(p->surfaces.begin(), p->surfaces.end(), [&](const auto& q) { return q.get() == s; });
  if (it == p->surfaces.end())
    return;
  if (p->surfaces.size() == 1)
  {
    p->pWnd->Send(WM_CLOSE, 0, 0);
    return;
  }
  const bool bMain = it == p->surfaces.begin();
  DestroySurface(s);
  p->surfaces.erase(it);
  if (bMain)
  {
    // Another output's surface is the window's own now.
    SSurface* pMain = Main(p);
    SWaylandWindows::NativeChanged(p->pWnd, pMain->pEgl ? reinterpret_cast<uintptr_t>(pMain->pEgl)
                                                        : reinterpret_cast<uintptr_t>(pMain->pSurface));
    SyncSize(p);
  }
}

const zwlr_layer_surface_v1_listener s_layerListener = { OnLayerConfigure, OnLayerClosed };

SSurface* NewSurface(SWlWindow* p)
{
  auto s = std::make_unique<SSurface>();
  s->pOwner = p;
  s->pSurface = wl_compositor_create_surface(Wayland().pCompositor);
  if (!s->pSurface)
    return nullptr;
  wl_surface_add_listener(s->pSurface, &s_surfaceListener, s.get());
  p->surfaces.push_back(std::move(s));
  return p->surfaces.back().get();
}

// A background's surface on one output (null: wherever the compositor likes).
SSurface* AddLayerSurface(SWlWindow* p, SWaylandOutput* pOutput)
{
  SSurface* s = NewSurface(p);
  if (!s)
    return nullptr;
  s->pOutput = pOutput;
  s->iScale = pOutput ? pOutput->iScale : 1;
  s->iLogicalW = pOutput ? pOutput->iWidth / s->iScale : 0;
  s->iLogicalH = pOutput ? pOutput->iHeight / s->iScale : 0;
  wl_surface_set_buffer_scale(s->pSurface, s->iScale);
  // Input goes through it to the desktop.
  wl_region* pEmpty = wl_compositor_create_region(Wayland().pCompositor);
  wl_surface_set_input_region(s->pSurface, pEmpty);
  wl_region_destroy(pEmpty);
  s->pLayer = zwlr_layer_shell_v1_get_layer_surface(Wayland().pLayerShell, s->pSurface,
                                                    pOutput ? pOutput->pOutput : nullptr,
                                                    ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM, "wallpaper");
  zwlr_layer_surface_v1_add_listener(s->pLayer, &s_layerListener, s);
  zwlr_layer_surface_v1_set_anchor(s->pLayer,
                                   ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                       ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  zwlr_layer_surface_v1_set_size(s->pLayer, 0, 0);
  zwlr_layer_surface_v1_set_exclusive_zone(s->pLayer, -1); // under panels too
  zwlr_layer_surface_v1_set_keyboard_interactivity(s->pLayer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
  wl_surface_commit(s->pSurface);
  if (p->bOpenGL)
    s->pEgl = wl_egl_window_create(s->pSurface, std::max(s->PixelW(), 1), std::max(s->PixelH(), 1));
  return s;
}

void DestroySurface(SSurface* s)
{
  if (s->pEgl)
    wl_egl_window_destroy(s->pEgl);
  if (s->pLayer)
    zwlr_layer_surface_v1_destroy(s->pLayer);
  if (s->pToplevel)
    xdg_toplevel_destroy(s->pToplevel);
  if (s->pXdg)
    xdg_surface_destroy(s->pXdg);
  if (s->pSurface)
    wl_surface_destroy(s->pSurface);
  *s = SSurface();
}

// Waits, reading events, until the surfaces have their first configure.
bool WaitConfigured(SWlWindow* p, int iTimeoutMs)
{
  const int64_t llEnd = NowMs() + iTimeoutMs;
  auto done = [&]
  {
    return std::all_of(p->surfaces.begin(), p->surfaces.end(), [](const auto& s) { return s->bConfigured; });
  };
  FlushWayland();
  while (!done())
  {
    const int64_t llLeft = llEnd - NowMs();
    if (llLeft <= 0)
      return false;
    if (PumpWayland() == 0)
    {
      struct pollfd pfd = { WaylandFd(), POLLIN, 0 };
      poll(&pfd, 1, static_cast<int>(std::min<int64_t>(llLeft, 20)));
    }
  }
  return true;
}

} // namespace

// ---------------------------------------------------------------------------------------

HWND SWaylandWindows::Create(const char* szClass, const char* szTitle, uint32_t dwStyle, int iWidth, int iHeight,
                             WNDPROC pfnProc, uint32_t dwFlags)
{
  const SWaylandGlobals& g = Wayland();
  if (!g.pDisplay || !szClass)
    return nullptr;
  bool bBackground = (dwFlags & WINDOW_BACKGROUND) != 0;
  if (bBackground && !g.pLayerShell)
  {
    SystemNotice("The Wayland compositor has no layer shell (zwlr_layer_shell_v1): the background runs as "
                 "a normal window.");
    bBackground = false;
  }

  auto pOwned = std::make_unique<SWlWindow>();
  SWlWindow* p = pOwned.get();
  p->bOpenGL = (dwFlags & WINDOW_OPENGL) != 0;
  p->bBackground = bBackground;
  if (bBackground)
  {
    // One surface on each output; without any known, one where the compositor likes.
    for (const auto& o : g.outputs)
      if (o->bDone)
        AddLayerSurface(p, o.get());
    if (p->surfaces.empty())
      AddLayerSurface(p, nullptr);
  }
  else
  {
    SSurface* s = NewSurface(p);
    if (!s)
      return nullptr;
    s->iLogicalW = std::max(iWidth, 1);
    s->iLogicalH = std::max(iHeight, 1);
    s->pXdg = xdg_wm_base_get_xdg_surface(g.pWmBase, s->pSurface);
    xdg_surface_add_listener(s->pXdg, &s_xdgSurfaceListener, s);
    s->pToplevel = xdg_surface_get_toplevel(s->pXdg);
    xdg_toplevel_add_listener(s->pToplevel, &s_toplevelListener, p);
    xdg_toplevel_set_app_id(s->pToplevel, szClass);
    if (szTitle)
      xdg_toplevel_set_title(s->pToplevel, szTitle);
    if (dwStyle & WS_MINIMIZE)
      xdg_toplevel_set_minimized(s->pToplevel);
    if (dwStyle & WS_POPUP)
    {
      int iScreenW = 0, iScreenH = 0;
      GetScreenSize(&iScreenW, &iScreenH);
      if (iWidth >= iScreenW && iHeight >= iScreenH)
        xdg_toplevel_set_fullscreen(s->pToplevel, nullptr);
    }
    wl_surface_commit(s->pSurface);
    if (p->bOpenGL)
      s->pEgl = wl_egl_window_create(s->pSurface, s->iLogicalW, s->iLogicalH);
  }
  if (p->surfaces.empty())
    return nullptr;
  s_windows.push_back(std::move(pOwned));

  CWindow* pWnd = MakeWindowRecord();
  p->pWnd = pWnd;
  pWnd->m_strClass = szClass;
  pWnd->m_strTitle = szTitle ? szTitle : "";
  pWnd->m_dwStyle = dwStyle;
  pWnd->m_pfnProc = pfnProc;
  pWnd->m_bBackground = bBackground;
  // The first configure says what size the compositor gives us: wait for it, as X11
  // waits to be mapped.  Until the record has its handle, no WM_SIZE goes out: the
  // procedure gets WM_CREATE first.
  WaitConfigured(p, 2000);
  for (auto& s : p->surfaces)
    if (s->pToplevel)
      s->iScale = ScaleOfEntered(*s);
  SyncSize(p);
  SSurface* pMain = Main(p);
  pWnd->m_hNative =
      pMain->pEgl ? reinterpret_cast<uintptr_t>(pMain->pEgl) : reinterpret_cast<uintptr_t>(pMain->pSurface);
  pWnd->m_iWidth = pMain->PixelW();
  pWnd->m_iHeight = pMain->PixelH();

  if (pWnd->Send(WM_CREATE, 0, 0) == -1)
  {
    pWnd->Destroy();
    return nullptr;
  }
  pWnd->Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(pWnd->m_iWidth, pWnd->m_iHeight));
  if (dwStyle & WS_VISIBLE)
    pWnd->Show(SW_SHOW);
  FlushWayland();
  return pWnd;
}

void SWaylandWindows::Resized(CWindow* pWnd, int iWidth, int iHeight)
{
  // Before the record exists (while the window is made) there is nobody to tell.
  if (!pWnd || pWnd->IsDestroyed() || (iWidth == pWnd->m_iWidth && iHeight == pWnd->m_iHeight))
    return;
  pWnd->m_iWidth = iWidth;
  pWnd->m_iHeight = iHeight;
  pWnd->Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(iWidth, iHeight));
}

void SWaylandWindows::NativeChanged(CWindow* pWnd, uintptr_t hNative)
{
  if (pWnd && !pWnd->IsDestroyed())
    pWnd->m_hNative = hNative;
}

void SWaylandWindows::FullscreenChanged(CWindow* pWnd, bool bFullscreen)
{
  if (pWnd)
    pWnd->m_bFullscreen = bFullscreen;
}

bool SWaylandWindows::Destroy(CWindow* pWnd)
{
  if (pWnd->IsDestroyed() || pWnd->m_bDestroying)
    return false;
  pWnd->m_bDestroying = true;
  if (g_pCapture == pWnd)
    CWindow::ReleaseCapture();
  pWnd->Send(WM_DESTROY, 0, 0);
  auto it = std::find_if(s_windows.begin(), s_windows.end(), [&](const auto& q) { return q->pWnd == pWnd; });
  if (it != s_windows.end())
  {
    DropFrameCallback(it->get());
    for (auto& s : (*it)->surfaces)
      DestroySurface(s.get());
    s_windows.erase(it);
  }
  FlushWayland();
  pWnd->Forget();
  return true;
}

bool SWaylandWindows::CanBeSeen(const CWindow* pWnd)
{
  SWlWindow* p = Find(pWnd);
  SSurface* pMain = Main(p);
  if (!pMain || !pWnd->m_bMapped)
    return false;
  // A callback asked on a surface the window no longer shows on never comes.
  if (p->pFrame && p->pFrameSurface != pMain->pSurface)
    DropFrameCallback(p);
  if (!p->pFrame)
  {
    p->pFrame = wl_surface_frame(pMain->pSurface);
    p->pFrameSurface = pMain->pSurface;
    p->llFrameAskedMs = NowMs();
    wl_callback_add_listener(p->pFrame, &s_frameListener, p);
    return true;
  }
  return NowMs() - p->llFrameAskedMs < FRAME_CALLBACK_LATE_MS;
}

bool SWaylandWindows::Show(CWindow* pWnd, int iCmdShow)
{
  SWlWindow* p = Find(pWnd);
  SSurface* pMain = Main(p);
  if (!pMain || pWnd->IsDestroyed())
    return false;
  const bool bWasVisible = pWnd->m_bMapped;
  switch (iCmdShow)
  {
    case SW_HIDE:
      // A null buffer unmaps; showing again starts over with a commit without one.
      for (auto& s : p->surfaces)
      {
        wl_surface_attach(s->pSurface, nullptr, 0, 0);
        wl_surface_commit(s->pSurface);
        s->bConfigured = false;
      }
      pWnd->m_bMapped = false;
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (pMain->pToplevel)
        xdg_toplevel_set_minimized(pMain->pToplevel);
      break;
    default:
      if (!pWnd->m_bMapped)
      {
        bool bCommitted = false;
        for (auto& s : p->surfaces)
          if (!s->bConfigured)
          {
            wl_surface_commit(s->pSurface);
            bCommitted = true;
          }
        if (bCommitted)
          WaitConfigured(p, 2000);
        // The surface shows once the first frame is attached to it.
        pWnd->m_bMapped = true;
      }
      break;
  }
  FlushWayland();
  return bWasVisible;
}

bool SWaylandWindows::SetTitle(CWindow* pWnd, const char* szTitle)
{
  SSurface* pMain = Main(Find(pWnd));
  if (!pMain || !szTitle)
    return false;
  pWnd->m_strTitle = szTitle;
  if (pMain->pToplevel)
    xdg_toplevel_set_title(pMain->pToplevel, szTitle);
  FlushWayland();
  return true;
}

bool SWaylandWindows::SetFullscreen(CWindow* pWnd, bool bFullscreen)
{
  SSurface* pMain = Main(Find(pWnd));
  if (!pMain || !pMain->pToplevel)
    return pMain && bFullscreen; // a background covers its output already
  if (bFullscreen)
    xdg_toplevel_set_fullscreen(pMain->pToplevel, nullptr);
  else
    xdg_toplevel_unset_fullscreen(pMain->pToplevel);
  pWnd->m_bFullscreen = bFullscreen;
  FlushWayland();
  return true;
}

bool SWaylandWindows::GetClientSize(const CWindow* pWnd, int* pWidth, int* pHeight)
{
  if (pWidth)
    *pWidth = pWnd->m_iWidth;
  if (pHeight)
    *pHeight = pWnd->m_iHeight;
  return true;
}

void SWaylandWindows::GetScreenSize(int* pWidth, int* pHeight)
{
  // The first output's (there is no one screen); 0 x 0 before any is known.
  int w = 0, h = 0;
  for (const auto& o : Wayland().outputs)
    if (o->bDone)
    {
      w = o->iWidth;
      h = o->iHeight;
      break;
    }
  if (pWidth)
    *pWidth = w;
  if (pHeight)
    *pHeight = h;
}

CWindow* SWaylandWindows::InputWindow(wl_surface* pSurface, int* pScale)
{
  for (auto& p : s_windows)
    for (auto& s : p->surfaces)
      if (s->pSurface == pSurface)
      {
        if (pScale)
          *pScale = s->iScale;
        return p->bBackground ? nullptr : p->pWnd;
      }
  return nullptr;
}

void SWaylandWindows::SetKeyboardFocus(CWindow* pWnd, bool bFocused)
{
  if (pWnd->IsDestroyed() || pWnd->m_bFocused == bFocused)
    return;
  pWnd->m_bFocused = bFocused;
  if (bFocused)
  {
    pWnd->Send(WM_ACTIVATE, WA_ACTIVE, 0);
    if (!pWnd->IsDestroyed())
      pWnd->Send(WM_SETFOCUS, 0, 0);
  }
  else
  {
    pWnd->Send(WM_KILLFOCUS, 0, 0);
    if (!pWnd->IsDestroyed())
      pWnd->Send(WM_ACTIVATE, WA_INACTIVE, 0);
  }
}

void SWaylandWindows::OutputAdded(SWaylandOutput* pOutput)
{
  // A background spreads to a new output.
  for (auto& p : s_windows)
    if (p->bBackground && !p->pWnd->IsDestroyed())
      AddLayerSurface(p.get(), pOutput);
  FlushWayland();
}

void SWaylandWindows::OutputRemoved(SWaylandOutput* pOutput)
{
  for (auto& p : s_windows)
    for (auto& s : p->surfaces)
    {
      if (s->pOutput == pOutput)
        s->pOutput = nullptr; // its layer surface is closed by the compositor
      s->entered.erase(std::remove(s->entered.begin(), s->entered.end(), pOutput->pOutput), s->entered.end());
    }
}

std::vector<SWaylandWindows::SView> SWaylandWindows::Views(const CWindow* pWnd)
{
  std::vector<SView> views;
  if (SWlWindow* p = Find(pWnd))
    for (auto& s : p->surfaces)
      if (s->bConfigured && s->iLogicalW > 0 && s->iLogicalH > 0)
        views.push_back({ s->pSurface, s->PixelW(), s->PixelH(), s->iScale });
  return views;
}

void SWaylandWindows::KeepPresented(const CWindow* pWnd, const uint32_t* pPixels, int iWidth, int iHeight,
                                    int iStride)
{
  SWlWindow* p = Find(pWnd);
  if (!p)
    return;
  p->presented.resize(static_cast<size_t>(iWidth) * static_cast<size_t>(iHeight));
  for (int y = 0; y < iHeight; ++y)
    std::memcpy(&p->presented[static_cast<size_t>(y) * static_cast<size_t>(iWidth)],
                pPixels + static_cast<size_t>(y) * static_cast<size_t>(iStride),
                static_cast<size_t>(iWidth) * sizeof(uint32_t));
  p->iPresentedW = iWidth;
  p->iPresentedH = iHeight;
}

bool SWaylandWindows::Presented(const CWindow* pWnd, int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels)
{
  SWlWindow* p = Find(pWnd);
  if (!p || p->presented.empty())
    return false;
  *pPixels = p->presented;
  *pWidth = p->iPresentedW;
  *pHeight = p->iPresentedH;
  return true;
}

void GetWaylandMirrors(HWND hwnd, std::vector<SWaylandMirror>* pMirrors)
{
  pMirrors->clear();
  SWlWindow* p = Find(hwnd);
  if (!p)
    return;
  for (size_t i = 1; i < p->surfaces.size(); ++i)
  {
    const SSurface& s = *p->surfaces[i];
    if (s.pEgl && s.bConfigured && s.iLogicalW > 0)
      pMirrors->push_back({ s.pEgl, s.PixelW(), s.PixelH() });
  }
}

} // namespace zos
