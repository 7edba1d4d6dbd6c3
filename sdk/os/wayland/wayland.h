#pragma once

// The Wayland side of the window layer: the one connection, its globals and outputs,
// the seat's input, and the windows on it (xdg-shell toplevels, or layer-shell
// surfaces for a background).  Used by sdk/os only; the X11 files' CWindow hands its
// work here when Wayland was chosen (window_system.h).

#include "sdk/os/window.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_output;
struct wl_surface;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;

namespace zos
{

struct SWaylandOutput
{
  wl_output* pOutput = nullptr;
  uint32_t dwName = 0;   // the registry's name for it
  int32_t iWidth = 0;    // current mode, in pixels
  int32_t iHeight = 0;
  int32_t iScale = 1;    // buffers shown on it are drawn at this scale
  bool bDone = false;    // its first description is complete
};

// The connection and what it offers; display is null until ConnectWayland succeeds.
struct SWaylandGlobals
{
  wl_display* pDisplay = nullptr;
  wl_registry* pRegistry = nullptr;
  wl_compositor* pCompositor = nullptr;
  wl_shm* pShm = nullptr;
  wl_seat* pSeat = nullptr;
  xdg_wm_base* pWmBase = nullptr;
  zwlr_layer_shell_v1* pLayerShell = nullptr;
  std::vector<std::unique_ptr<SWaylandOutput>> outputs;
};
SWaylandGlobals& Wayland();

// Connects to $WAYLAND_DISPLAY and binds the globals.  False, with the reason, when
// there is no compositor or it lacks the shell that windows need (xdg_wm_base).
bool ConnectWayland(std::string* pWhy);
// Reads and dispatches whatever the compositor sent, never blocking; answers how many
// events were handled.  A lost connection ends the process (as X11's does).
int PumpWayland();
// Sends what is queued; waits for the compositor's answer to everything sent so far.
void FlushWayland();
bool RoundtripWayland();
// The connection's file descriptor, for waiting (-1 when not connected).
int WaylandFd();
// Called once, with a one-line text, when the connection is lost.
typedef void (*PFN_WAYLAND_LOST)(const char* szMessage);
void SetWaylandLostHandler(PFN_WAYLAND_LOST pfnHandler);

// The seat's keyboard and pointer (input.cpp), bound by the registry.
void BindSeat(wl_registry* pRegistry, uint32_t dwName, uint32_t dwVersion);
// The cursor over our surfaces follows the display counter (hidden when negative).
void ApplyWaylandCursor();
// Posts the repeat of a held key when it is due (answers 1 then, else 0), and the
// milliseconds until the next one (-1: no key held).
int RepeatWaylandKeys();
int WaylandRepeatDueMs();

// What CWindow's Wayland half does (window.cpp), with access to the window's state.
struct SWaylandWindows
{
  static bool Active(); // Wayland was chosen
  static HWND Create(const char* szClass, const char* szTitle, uint32_t dwStyle, int iWidth, int iHeight,
                     WNDPROC pfnProc, uint32_t dwFlags);
  static bool Destroy(CWindow* pWnd);
  static bool Show(CWindow* pWnd, int iCmdShow);
  static bool SetTitle(CWindow* pWnd, const char* szTitle);
  static bool SetFullscreen(CWindow* pWnd, bool bFullscreen);
  static bool GetClientSize(const CWindow* pWnd, int* pWidth, int* pHeight);
  // Whether the compositor shows the window: its frame callback comes soon after a
  // commit; a hidden, minimised or covered surface gets none until it is shown again.
  static bool CanBeSeen(const CWindow* pWnd);
  static void GetScreenSize(int* pWidth, int* pHeight);
  // From the compositor's configure: the window's size in pixels, its full-screen state.
  static void Resized(CWindow* pWnd, int iWidth, int iHeight);
  static void FullscreenChanged(CWindow* pWnd, bool bFullscreen);
  // Another surface became the window's own (a background's output went away).
  static void NativeChanged(CWindow* pWnd, uintptr_t hNative);

  // From the seat: the window a surface belongs to (null for others' and for a
  // background, which takes no input), the scale its surface coordinates are
  // multiplied by, and the keyboard focus.
  static CWindow* InputWindow(wl_surface* pSurface, int* pScale);
  static void SetKeyboardFocus(CWindow* pWnd, bool bFocused);
  static bool CursorHidden();

  // From the registry: outputs come and go (a background follows them).
  static void OutputAdded(SWaylandOutput* pOutput);
  static void OutputRemoved(SWaylandOutput* pOutput);

  // For the presenter and the capture: the surfaces a window shows its picture on (its
  // own first), and what was presented last.
  struct SView
  {
    wl_surface* pSurface;
    int iWidth, iHeight; // buffer pixels
    int iScale;
  };
  static std::vector<SView> Views(const CWindow* pWnd);
  static void KeepPresented(const CWindow* pWnd, const uint32_t* pPixels, int iWidth, int iHeight, int iStride);
  static bool Presented(const CWindow* pWnd, int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels);
};

} // namespace zos
