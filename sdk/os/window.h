#pragma once

// A top-level window that behaves as a Windows window: a class name, a title, a
// style, a window procedure that receives the messages (messages.h), named
// properties, mouse capture, the cursor counter and the minimised state.  On Windows
// it is the system's own window; on X11 and Wayland (window_system.h) the events are
// translated into the messages.
// Windows are used from the one thread of the program.

#include "sdk/os/messages.h"
#include "sdk/os/system_names.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace zos
{

// Window styles and show commands: macros of the same values where <windows.h> is seen.
// clang-format off
#ifndef WS_POPUP
// Window styles (the Windows numbers; only the bits below are looked at).
constexpr uint32_t WS_OVERLAPPED       = 0x00000000;
constexpr uint32_t WS_POPUP            = 0x80000000;
constexpr uint32_t WS_CHILD            = 0x40000000;
constexpr uint32_t WS_MINIMIZE         = 0x20000000;
constexpr uint32_t WS_VISIBLE          = 0x10000000;
constexpr uint32_t WS_CLIPSIBLINGS     = 0x04000000;
constexpr uint32_t WS_CLIPCHILDREN     = 0x02000000;
constexpr uint32_t WS_MAXIMIZE         = 0x01000000;
constexpr uint32_t WS_CAPTION          = 0x00C00000;
constexpr uint32_t WS_SYSMENU          = 0x00080000;
constexpr uint32_t WS_THICKFRAME       = 0x00040000;
constexpr uint32_t WS_MINIMIZEBOX      = 0x00020000;
constexpr uint32_t WS_MAXIMIZEBOX      = 0x00010000;
constexpr uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;

// Show commands
constexpr int SW_HIDE            = 0;
constexpr int SW_SHOWNORMAL      = 1;
constexpr int SW_SHOWMINIMIZED   = 2;
constexpr int SW_SHOWMAXIMIZED   = 3;
constexpr int SW_SHOWNOACTIVATE  = 4;
constexpr int SW_SHOW            = 5;
constexpr int SW_MINIMIZE        = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA          = 8;
constexpr int SW_RESTORE         = 9;
constexpr int SW_SHOWDEFAULT     = 10;
#endif
// clang-format on

// Creation flags.
constexpr uint32_t WINDOW_OPENGL = 0x1; // the window will carry an OpenGL context
// A live desktop background instead of a window: on Wayland a layer-shell surface on
// the bottom layer of every output, on X11 a desktop-type window below the others
// over the whole screen (Windows: an ordinary window).  The rectangle is ignored; the
// size is the output's.  Input is left to the desktop: no input message is posted.
constexpr uint32_t WINDOW_BACKGROUND = 0x2;

class CWindow
{
public:
  // Creates a top-level window whose client area is width x height at x, y (the window
  // manager adds its frame).  WS_POPUP asks for a frameless window and, when it
  // covers a monitor, for the window manager's full-screen state on that monitor.  WS_VISIBLE maps
  // it at once.  WM_CREATE and WM_SIZE are sent to the procedure before it returns.
  // WINDOW_OPENGL asks for a window an OpenGL context can be made on (X11: the visual
  // the GL platform chooses; Windows: its own device context, clipped children).
  // Null when there is no display or the system refuses.
  static HWND Create(const char* szClass, const char* szTitle, uint32_t dwStyle, int x, int y, int iWidth,
                     int iHeight, WNDPROC pfnProc, uint32_t dwFlags = 0);

  // Adopts a window of another client (an xscreensaver window, the root window; on
  // Windows a window of this process, which is subclassed), given by its system
  // handle, so that it is drawn into and followed as one of ours: its size changes
  // send WM_SIZE, its destruction WM_DESTROY.  Its input stays with its owner; it is
  // never mapped, retitled, made full screen or destroyed by us.  Null when the window
  // does not exist or there is no window system.  (Windows cannot follow another
  // process's window: such a one is adopted, and its size read when asked.)
  static HWND Attach(const char* szClass, uintptr_t hNative, WNDPROC pfnProc);

  // The system handle of the desktop's root window (0 without a server; on Windows
  // the desktop window).
  static uintptr_t GetRootNativeHandle();

  // Whether the handle names a window that has not been destroyed.  A destroyed
  // window's handle stays safe to call (every operation then fails) until the
  // connection is closed (on Windows, for the life of the process).
  static bool IsWindow(HWND hwnd);

  // Screen size in pixels (0 x 0 without a server): that of the primary monitor, where
  // windows open and what full screen covers (X11: Xinerama's first screen, or the
  // whole screen without Xinerama; Wayland: the first output).
  static void GetScreenSize(int* pWidth, int* pHeight);
  // Where that monitor's top-left corner lies on the desktop (0, 0 on Windows).
  static void GetScreenOrigin(int* pX, int* pY);
  // The rectangle over every monitor (Windows: the virtual screen; X11: the root
  // window; Wayland: the first output).
  static void GetVirtualScreen(int* pX, int* pY, int* pWidth, int* pHeight);

  // Default processing: WM_CLOSE destroys the window; everything else answers 0 (on
  // Windows, the system's DefWindowProc; an adopted window is let go on WM_CLOSE).
  static LRESULT DefWindowProc(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam);

  // Mouse capture: while a window holds it, the pointer is grabbed and every motion
  // and button goes to that window, inside or out.
  static bool ReleaseCapture();
  static HWND GetCapture();

  // The Windows display counter: the cursor is hidden over our windows while it is
  // negative.  Answers the new count.
  static int ShowCursor(bool bShow);

  // The window with the keyboard focus among ours, or null.
  static HWND GetFocus();

  // Whether full screen is possible: no window manager (a screen-sized window is then
  // full screen as is), or one that supports _NET_WM_STATE_FULLSCREEN.  On Windows a
  // screen-sized popup always is.
  static bool CanFullscreen();

  // Reads every X event waiting and turns it into messages: those Windows sends
  // (WM_CLOSE from the close box, WM_SIZE, WM_ACTIVATE, focus) go to the procedure at
  // once, input is posted.  The message queue calls this; others need not.  Answers
  // how many events were read (on Windows the system does all this: it only lets
  // messages sent from other threads through, and answers 0).
  static int PumpEvents();

  // The system connection the windows live on, for the GL context and the bitmap
  // presenter (an X Display*, a wl_display*; null without a server; on Windows the
  // module instance, never null).  Opaque here so that this header names no system type.
  static void* GetNativeDisplay();

  bool Destroy();          // sends WM_DESTROY, then destroys (an adopted window: lets go)
  bool Show(int iCmdShow); // answers whether it was visible before
  bool Update();           // flushes drawing requests to the server (GDI)
  bool SetFocus();
  bool SetTitle(const char* szTitle);
  bool SetIcon(int iWidth, int iHeight, const uint32_t* pARGB); // _NET_WM_ICON, WM_SETICON
  bool SetFullscreen(bool bFullscreen); // false when the window manager (system) refuses
  bool SetCapture();
  LRESULT Send(uint32_t uMsg, WPARAM wParam, LPARAM lParam); // the procedure, directly

  bool SetProp(const char* szName, void* pValue);
  void* GetProp(const char* szName) const;
  void* RemoveProp(const char* szName);

  bool IsIconic() const { return m_bIconic; }
  // Whether anybody can see the window: shown, not minimised, not wholly covered by
  // others, its screen not asleep (X11: visibility events and DPMS; Wayland: the
  // compositor's frame callbacks come; Windows: shown and not minimised).
  bool CanBeSeen() const;
  bool IsVisible() const { return m_bMapped; }
  bool IsFullscreen() const { return m_bFullscreen; }
  bool IsDestroyed() const { return m_hNative == 0; }
  bool IsForeign() const { return m_bForeign; }
  bool GetClientSize(int* pWidth, int* pHeight) const;

  const std::string& GetClassName() const { return m_strClass; }
  const std::string& GetTitle() const { return m_strTitle; }
  uint32_t GetStyle() const { return m_dwStyle; }
  WNDPROC GetProc() const { return m_pfnProc; }
  // The system's handle of the window (an X Window id, an HWND; on Wayland the
  // wl_egl_window* of a WINDOW_OPENGL window, else its wl_surface*; 0 once destroyed).
  uintptr_t GetNativeHandle() const { return m_hNative; }

private:
  CWindow();
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;
  ~CWindow();
  friend struct SWindowRegistry;
  friend struct SWaylandWindows; // the Wayland side of the window layer

  // What only the system's window files know of a window (X11: its colormap;
  // Windows: an adopted window's own procedure, the icon, the frame to restore).
  struct SNative;

  static CWindow* FromNative(uintptr_t hNative);
  static void HandleEvent(void* pEvent); // an XEvent; a MSG on Windows
  void Forget();
  void SetIconic(bool bIconic);
  void ApplyCursor();
  void ReadWindowState();
  uint32_t KeyState(unsigned int uState) const;

  std::string m_strClass;
  std::string m_strTitle;
  uint32_t m_dwStyle = 0;
  WNDPROC m_pfnProc = nullptr;
  uintptr_t m_hNative = 0; // X Window id or HWND; 0 once destroyed
  std::unique_ptr<SNative> m_pNative;
  int m_iWidth = 0;
  int m_iHeight = 0;
  bool m_bMapped = false;
  bool m_bIconic = false;
  bool m_bObscured = false; // wholly covered by other windows (X11)
  bool m_bHiding = false; // unmapped by Show(SW_HIDE), not minimised
  bool m_bFullscreen = false;
  bool m_bFocused = false;
  bool m_bDestroying = false;
  bool m_bCursorHidden = false;
  bool m_bForeign = false; // another client's window, adopted by Attach
  bool m_bBackground = false; // made with WINDOW_BACKGROUND: input left alone
  std::map<std::string, void*> m_mapProps;
};

} // namespace zos
