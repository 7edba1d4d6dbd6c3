#pragma once

// Window messages with the Windows numbers, so that message handlers read as they
// were written.  X11 events are translated into these by CWindow.
//
// The numbers and word helpers are macros in <windows.h>: each group is declared here
// only where that header has not given it (the values are the same), so callers spell
// them unqualified either way.

#include <cstdint>

namespace zos
{

class CWindow;
typedef CWindow* HWND; // null = no window / any window
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;

struct SPoint
{
  int32_t x;
  int32_t y;
};

// One queued or sent message.
struct SMessage
{
  HWND hwnd;
  uint32_t message;
  WPARAM wParam;
  LPARAM lParam;
  uint32_t time; // tick count in milliseconds when posted (0 when sent directly)
  SPoint pt;     // pointer position in screen coordinates when posted
};

typedef LRESULT (*WNDPROC)(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam);

// clang-format off
#ifndef WM_KEYDOWN
// Messages
constexpr uint32_t WM_NULL          = 0x0000;
constexpr uint32_t WM_CREATE        = 0x0001;
constexpr uint32_t WM_DESTROY       = 0x0002;
constexpr uint32_t WM_MOVE          = 0x0003;
constexpr uint32_t WM_SIZE          = 0x0005;
constexpr uint32_t WM_ACTIVATE      = 0x0006;
constexpr uint32_t WM_SETFOCUS      = 0x0007;
constexpr uint32_t WM_KILLFOCUS     = 0x0008;
constexpr uint32_t WM_PAINT         = 0x000F;
constexpr uint32_t WM_CLOSE         = 0x0010;
constexpr uint32_t WM_QUIT          = 0x0012;
constexpr uint32_t WM_SHOWWINDOW    = 0x0018;
constexpr uint32_t WM_KEYDOWN       = 0x0100;
constexpr uint32_t WM_KEYUP         = 0x0101;
constexpr uint32_t WM_CHAR          = 0x0102;
constexpr uint32_t WM_SYSKEYDOWN    = 0x0104;
constexpr uint32_t WM_SYSKEYUP      = 0x0105;
constexpr uint32_t WM_INITDIALOG    = 0x0110;
constexpr uint32_t WM_COMMAND       = 0x0111;
constexpr uint32_t WM_SYSCOMMAND    = 0x0112;
constexpr uint32_t WM_TIMER         = 0x0113;
constexpr uint32_t WM_MOUSEMOVE     = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN   = 0x0201;
constexpr uint32_t WM_LBUTTONUP     = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN   = 0x0204;
constexpr uint32_t WM_RBUTTONUP     = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN   = 0x0207;
constexpr uint32_t WM_MBUTTONUP     = 0x0208;
constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
constexpr uint32_t WM_MOUSEWHEEL    = 0x020A;
constexpr uint32_t WM_USER          = 0x0400;

// WM_ACTIVATE wParam
constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE   = 1;

// WM_SIZE wParam
constexpr WPARAM SIZE_RESTORED  = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_SYSCOMMAND wParam
constexpr WPARAM SC_SCREENSAVE = 0xF140;

// Mouse message wParam: buttons and modifiers held
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT   = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

constexpr int WHEEL_DELTA = 120;

// PeekMessage removal
constexpr uint32_t PM_NOREMOVE = 0;
constexpr uint32_t PM_REMOVE   = 1;

// Virtual keys ('0'-'9' and 'A'-'Z' are their ASCII codes)
constexpr uint32_t VK_LBUTTON   = 0x01;
constexpr uint32_t VK_RBUTTON   = 0x02;
constexpr uint32_t VK_MBUTTON   = 0x04;
constexpr uint32_t VK_BACK      = 0x08;
constexpr uint32_t VK_TAB       = 0x09;
constexpr uint32_t VK_CLEAR     = 0x0C;
constexpr uint32_t VK_RETURN    = 0x0D;
constexpr uint32_t VK_SHIFT     = 0x10;
constexpr uint32_t VK_CONTROL   = 0x11;
constexpr uint32_t VK_MENU      = 0x12;
constexpr uint32_t VK_PAUSE     = 0x13;
constexpr uint32_t VK_CAPITAL   = 0x14;
constexpr uint32_t VK_ESCAPE    = 0x1B;
constexpr uint32_t VK_SPACE     = 0x20;
constexpr uint32_t VK_PRIOR     = 0x21;
constexpr uint32_t VK_NEXT      = 0x22;
constexpr uint32_t VK_END       = 0x23;
constexpr uint32_t VK_HOME      = 0x24;
constexpr uint32_t VK_LEFT      = 0x25;
constexpr uint32_t VK_UP        = 0x26;
constexpr uint32_t VK_RIGHT     = 0x27;
constexpr uint32_t VK_DOWN      = 0x28;
constexpr uint32_t VK_SNAPSHOT  = 0x2C;
constexpr uint32_t VK_INSERT    = 0x2D;
constexpr uint32_t VK_DELETE    = 0x2E;
constexpr uint32_t VK_LWIN      = 0x5B;
constexpr uint32_t VK_RWIN      = 0x5C;
constexpr uint32_t VK_APPS      = 0x5D;
constexpr uint32_t VK_NUMPAD0   = 0x60;
constexpr uint32_t VK_NUMPAD1   = 0x61;
constexpr uint32_t VK_NUMPAD2   = 0x62;
constexpr uint32_t VK_NUMPAD3   = 0x63;
constexpr uint32_t VK_NUMPAD4   = 0x64;
constexpr uint32_t VK_NUMPAD5   = 0x65;
constexpr uint32_t VK_NUMPAD6   = 0x66;
constexpr uint32_t VK_NUMPAD7   = 0x67;
constexpr uint32_t VK_NUMPAD8   = 0x68;
constexpr uint32_t VK_NUMPAD9   = 0x69;
constexpr uint32_t VK_MULTIPLY  = 0x6A;
constexpr uint32_t VK_ADD       = 0x6B;
constexpr uint32_t VK_SEPARATOR = 0x6C;
constexpr uint32_t VK_SUBTRACT  = 0x6D;
constexpr uint32_t VK_DECIMAL   = 0x6E;
constexpr uint32_t VK_DIVIDE    = 0x6F;
constexpr uint32_t VK_F1        = 0x70;   // VK_F1 + n - 1 for Fn, up to F24
constexpr uint32_t VK_F12       = 0x7B;
constexpr uint32_t VK_NUMLOCK   = 0x90;
constexpr uint32_t VK_SCROLL    = 0x91;
constexpr uint32_t VK_LSHIFT    = 0xA0;
constexpr uint32_t VK_RSHIFT    = 0xA1;
constexpr uint32_t VK_LCONTROL  = 0xA2;
constexpr uint32_t VK_RCONTROL  = 0xA3;
constexpr uint32_t VK_LMENU     = 0xA4;
constexpr uint32_t VK_RMENU     = 0xA5;
constexpr uint32_t VK_OEM_1      = 0xBA;  // ;:
constexpr uint32_t VK_OEM_PLUS   = 0xBB;  // =+
constexpr uint32_t VK_OEM_COMMA  = 0xBC;
constexpr uint32_t VK_OEM_MINUS  = 0xBD;
constexpr uint32_t VK_OEM_PERIOD = 0xBE;
constexpr uint32_t VK_OEM_2      = 0xBF;  // /?
constexpr uint32_t VK_OEM_3      = 0xC0;  // `~
constexpr uint32_t VK_OEM_4      = 0xDB;  // [{
constexpr uint32_t VK_OEM_5      = 0xDC;  // \|
constexpr uint32_t VK_OEM_6      = 0xDD;  // ]}
constexpr uint32_t VK_OEM_7      = 0xDE;  // '"
#endif
// clang-format on

// Word helpers as the Windows macros give them.
#ifndef LOWORD
inline uint16_t LOWORD(uintptr_t v) { return static_cast<uint16_t>(v & 0xFFFF); }
inline uint16_t HIWORD(uintptr_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFF); }
#endif
#ifndef GET_X_LPARAM
inline int GET_X_LPARAM(LPARAM l) { return static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(l))); }
inline int GET_Y_LPARAM(LPARAM l) { return static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(l))); }
#endif
#ifndef GET_WHEEL_DELTA_WPARAM
inline int GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<int16_t>(HIWORD(w)); }
inline uint16_t GET_KEYSTATE_WPARAM(WPARAM w) { return LOWORD(w); }
#endif
#ifndef MAKELPARAM
inline LPARAM MAKELPARAM(int lo, int hi)
{
  return static_cast<LPARAM>(static_cast<uint32_t>((static_cast<uint32_t>(lo) & 0xFFFF) |
                                                   ((static_cast<uint32_t>(hi) & 0xFFFF) << 16)));
}
inline WPARAM MAKEWPARAM(int lo, int hi)
{
  return static_cast<WPARAM>(static_cast<uint32_t>(MAKELPARAM(lo, hi)));
}
#endif

} // namespace zos
