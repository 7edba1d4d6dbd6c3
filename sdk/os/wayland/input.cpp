#include "sdk/os/wayland/wayland.h"

#include "sdk/os/message_queue.h"
#include "sdk/os/x11/virtual_keys.h"

#include <wayland-client.h>
#include <wayland-cursor.h>
#include <xkbcommon/xkbcommon.h>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

// The seat's keyboard and pointer, translated into the same messages as X11's events:
// keys through xkbcommon to the virtual keys of X11's keysyms (xkbcommon's keysyms are
// X11's), buttons 1-3, the wheel and motion in the window's pixels.

namespace zos
{

namespace
{

struct SSeat
{
  wl_keyboard* pKeyboard = nullptr;
  wl_pointer* pPointer = nullptr;
  xkb_context* pXkb = nullptr;
  xkb_keymap* pKeymap = nullptr;
  xkb_state* pState = nullptr;
  bool bKeyDown[256] = {}; // by key code, for the repeat bit of WM_KEYDOWN
  CWindow* pKeyWindow = nullptr;
  // Held keys repeat on the client's side: the compositor says how fast.
  int32_t iRepeatRate = 25;   // a second; 0: no repeat
  int32_t iRepeatDelay = 600; // ms before the first
  uint32_t dwRepeatKey = 0;   // evdev code of the key repeating, 0: none
  int64_t llRepeatDue = 0;

  CWindow* pPointerWindow = nullptr;
  int iPointerScale = 1;
  uint32_t dwEnterSerial = 0;
  SPoint pt = { 0, 0 };
  uint32_t dwButtons = 0; // MK_LBUTTON, MK_MBUTTON, MK_RBUTTON held
  double dWheel = 0.0;     // scroll not yet a whole notch (touchpads)
  int iWheelSteps = 0;     // notches of this frame (wheels)

  wl_cursor_theme* pCursorTheme = nullptr;
  wl_surface* pCursorSurface = nullptr;
};
SSeat s_seat;

int64_t NowMs()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

uint32_t Modifiers()
{
  uint32_t mk = s_seat.dwButtons;
  if (s_seat.pState)
  {
    if (xkb_state_mod_name_is_active(s_seat.pState, XKB_MOD_NAME_SHIFT, XKB_STATE_MODS_EFFECTIVE) > 0)
      mk |= MK_SHIFT;
    if (xkb_state_mod_name_is_active(s_seat.pState, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0)
      mk |= MK_CONTROL;
  }
  return mk;
}

// ---- keyboard

void OnKeymap(void*, wl_keyboard*, uint32_t dwFormat, int32_t fd, uint32_t dwSize)
{
  if (dwFormat != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || !s_seat.pXkb)
  {
    close(fd);
    return;
  }
  void* pMap = mmap(nullptr, dwSize, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (pMap == MAP_FAILED)
    return;
  xkb_keymap* pKeymap = xkb_keymap_new_from_string(s_seat.pXkb, static_cast<const char*>(pMap),
                                                   XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
  munmap(pMap, dwSize);
  if (!pKeymap)
    return;
  xkb_state_unref(s_seat.pState);
  xkb_keymap_unref(s_seat.pKeymap);
  s_seat.pKeymap = pKeymap;
  s_seat.pState = xkb_state_new(pKeymap);
}

void OnKeyEnter(void*, wl_keyboard*, uint32_t, wl_surface* pSurface, wl_array*)
{
  s_seat.pKeyWindow = SWaylandWindows::InputWindow(pSurface, nullptr);
  if (s_seat.pKeyWindow)
    SWaylandWindows::SetKeyboardFocus(s_seat.pKeyWindow, true);
}

void OnKeyLeave(void*, wl_keyboard*, uint32_t, wl_surface* pSurface)
{
  CWindow* pWnd = SWaylandWindows::InputWindow(pSurface, nullptr);
  if (pWnd)
    SWaylandWindows::SetKeyboardFocus(pWnd, false);
  s_seat.pKeyWindow = nullptr;
  s_seat.dwRepeatKey = 0;
}

// A press, a repeat (bit 30 set) or a release of the key with evdev code dwKey.
void PostKey(uint32_t dwKey, bool bDown)
{
  CWindow* pWnd = s_seat.pKeyWindow;
  if (!pWnd || !CWindow::IsWindow(pWnd) || !s_seat.pState)
    return;
  const xkb_keycode_t code = dwKey + 8; // evdev to XKB, as X11 numbers them
  // As on X11: the keypad follows NumLock (digits or arrows), the rest its unshifted key.
  const xkb_keysym_t* pSyms = nullptr;
  const xkb_layout_index_t layout = xkb_state_key_get_layout(s_seat.pState, code);
  const xkb_keysym_t sym0 =
      xkb_keymap_key_get_syms_by_level(s_seat.pKeymap, code, layout == XKB_LAYOUT_INVALID ? 0 : layout, 0, &pSyms) > 0
          ? pSyms[0]
          : XKB_KEY_NoSymbol;
  const xkb_keysym_t symState = xkb_state_key_get_one_sym(s_seat.pState, code);
  const bool bKeypad = sym0 >= XKB_KEY_KP_Space && sym0 <= XKB_KEY_KP_Equal;
  const xkb_keysym_t sym = bKeypad && symState != XKB_KEY_NoSymbol ? symState : sym0;
  uint32_t vk = VirtualKeyFromKeysym(sym);
  if (!vk)
    vk = VirtualKeyFromKeysym(symState);
  if (!vk)
    vk = 0xFF;

  const unsigned uCode = code & 0xFF;
  const bool bWasDown = s_seat.bKeyDown[uCode];
  s_seat.bKeyDown[uCode] = bDown;
  const uint32_t l = KeyMessageLParam(dwKey, IsExtendedKeysym(sym), bWasDown, bDown);
  uint32_t dwChar = 0;
  if (bDown)
  {
    const uint32_t u = xkb_state_key_get_utf32(s_seat.pState, code);
    dwChar = u <= 0xFF ? u : 0;
  }
  CMessageQueue::PostInput(pWnd, bDown ? WM_KEYDOWN : WM_KEYUP, vk, static_cast<LPARAM>(l), s_seat.pt, dwChar);
}

void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t dwKey, uint32_t dwState)
{
  const bool bDown = dwState == WL_KEYBOARD_KEY_STATE_PRESSED;
  PostKey(dwKey, bDown);
  if (bDown && s_seat.iRepeatRate > 0 && s_seat.pKeymap && xkb_keymap_key_repeats(s_seat.pKeymap, dwKey + 8))
  {
    s_seat.dwRepeatKey = dwKey;
    s_seat.llRepeatDue = NowMs() + s_seat.iRepeatDelay;
  }
  else if (!bDown && dwKey == s_seat.dwRepeatKey)
    s_seat.dwRepeatKey = 0;
}

void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t dwDepressed, uint32_t dwLatched, uint32_t dwLocked,
                 uint32_t dwGroup)
{
  if (s_seat.pState)
    xkb_state_update_mask(s_seat.pState, dwDepressed, dwLatched, dwLocked, 0, 0, dwGroup);
}

void OnRepeatInfo(void*, wl_keyboard*, int32_t iRate, int32_t iDelay)
{
  s_seat.iRepeatRate = std::max(iRate, 0);
  s_seat.iRepeatDelay = std::max(iDelay, 0);
}

const wl_keyboard_listener s_keyboardListener = { OnKeymap, OnKeyEnter, OnKeyLeave, OnKey, OnModifiers,
                                                  OnRepeatInfo };

// ---- pointer

void SetCursor()
{
  if (!s_seat.pPointer || !s_seat.pPointerWindow)
    return;
  if (SWaylandWindows::CursorHidden())
  {
    wl_pointer_set_cursor(s_seat.pPointer, s_seat.dwEnterSerial, nullptr, 0, 0);
    return;
  }
  const SWaylandGlobals& g = Wayland();
  if (!s_seat.pCursorTheme)
    s_seat.pCursorTheme = wl_cursor_theme_load(nullptr, 24, g.pShm);
  wl_cursor* pCursor = s_seat.pCursorTheme ? wl_cursor_theme_get_cursor(s_seat.pCursorTheme, "left_ptr") : nullptr;
  if (!pCursor || pCursor->image_count == 0)
    return;
  wl_cursor_image* pImage = pCursor->images[0];
  wl_buffer* pBuffer = wl_cursor_image_get_buffer(pImage);
  if (!s_seat.pCursorSurface)
    s_seat.pCursorSurface = wl_compositor_create_surface(g.pCompositor);
  if (!pBuffer || !s_seat.pCursorSurface)
    return;
  wl_surface_attach(s_seat.pCursorSurface, pBuffer, 0, 0);
  wl_surface_damage(s_seat.pCursorSurface, 0, 0, static_cast<int32_t>(pImage->width),
                    static_cast<int32_t>(pImage->height));
  wl_surface_commit(s_seat.pCursorSurface);
  wl_pointer_set_cursor(s_seat.pPointer, s_seat.dwEnterSerial, s_seat.pCursorSurface,
                        static_cast<int32_t>(pImage->hotspot_x), static_cast<int32_t>(pImage->hotspot_y));
}

void MovePointer(wl_fixed_t x, wl_fixed_t y)
{
  const double s = s_seat.iPointerScale;
  s_seat.pt = { static_cast<int32_t>(std::floor(wl_fixed_to_double(x) * s)),
                static_cast<int32_t>(std::floor(wl_fixed_to_double(y) * s)) };
}

// The window taking pointer input now: while one holds the capture, every motion and
// button goes to it (Wayland keeps the pointer's events with the surface a button
// went down on).
CWindow* PointerTarget()
{
  CWindow* pCapture = CWindow::GetCapture();
  CWindow* pWnd = pCapture ? pCapture : s_seat.pPointerWindow;
  return pWnd && CWindow::IsWindow(pWnd) ? pWnd : nullptr;
}

void OnPointerEnter(void*, wl_pointer*, uint32_t dwSerial, wl_surface* pSurface, wl_fixed_t x, wl_fixed_t y)
{
  s_seat.dwEnterSerial = dwSerial;
  s_seat.pPointerWindow = SWaylandWindows::InputWindow(pSurface, &s_seat.iPointerScale);
  if (!s_seat.pPointerWindow)
    return;
  MovePointer(x, y);
  SetCursor();
}

void OnPointerLeave(void*, wl_pointer*, uint32_t, wl_surface*)
{
  s_seat.pPointerWindow = nullptr;
  s_seat.dwButtons = 0;
}

void OnPointerMotion(void*, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y)
{
  if (!s_seat.pPointerWindow)
    return;
  MovePointer(x, y);
  if (CWindow* pWnd = PointerTarget())
    CMessageQueue::PostInput(pWnd, WM_MOUSEMOVE, Modifiers(), MAKELPARAM(s_seat.pt.x, s_seat.pt.y), s_seat.pt);
}

void OnPointerButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t dwButton, uint32_t dwState)
{
  CWindow* pWnd = PointerTarget();
  if (!pWnd)
    return;
  const bool bDown = dwState == WL_POINTER_BUTTON_STATE_PRESSED;
  // Left, middle and right, numbered 1 to 3 as X11 numbers them.
  const unsigned uButton = dwButton == BTN_LEFT ? 1 : dwButton == BTN_MIDDLE ? 2 : dwButton == BTN_RIGHT ? 3 : 0;
  uint32_t uMsg = 0, uBit = 0;
  if (!ButtonMessage(uButton, bDown, &uMsg, &uBit))
    return;
  s_seat.dwButtons = bDown ? (s_seat.dwButtons | uBit) : (s_seat.dwButtons & ~uBit);
  CMessageQueue::PostInput(pWnd, uMsg, Modifiers(), MAKELPARAM(s_seat.pt.x, s_seat.pt.y), s_seat.pt);
}

void PostWheel(int iNotches)
{
  CWindow* pWnd = PointerTarget();
  if (!pWnd)
    return;
  // Scrolling down (positive) is a turn towards the user: a negative delta.
  for (int i = 0; i < std::abs(iNotches); ++i)
    CMessageQueue::PostInput(pWnd, WM_MOUSEWHEEL,
                             MAKEWPARAM(static_cast<int>(Modifiers()), iNotches > 0 ? -WHEEL_DELTA : WHEEL_DELTA),
                             MAKELPARAM(s_seat.pt.x, s_seat.pt.y), s_seat.pt);
}

void OnPointerAxis(void*, wl_pointer* pPointer, uint32_t, uint32_t dwAxis, wl_fixed_t value)
{
  if (dwAxis != WL_POINTER_AXIS_VERTICAL_SCROLL)
    return;
  // Before version 5 there are no frames or notches: ten units make one.
  s_seat.dWheel += wl_fixed_to_double(value);
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(pPointer)) < 5)
  {
    const int n = static_cast<int>(s_seat.dWheel / 10.0);
    s_seat.dWheel -= n * 10.0;
    PostWheel(n);
  }
}

void OnPointerFrame(void*, wl_pointer*)
{
  int n = s_seat.iWheelSteps;
  if (n == 0)
  {
    n = static_cast<int>(s_seat.dWheel / 10.0);
    s_seat.dWheel -= n * 10.0;
  }
  else
    s_seat.dWheel = 0.0;
  s_seat.iWheelSteps = 0;
  PostWheel(n);
}

void OnPointerAxisSource(void*, wl_pointer*, uint32_t) {}
void OnPointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}

void OnPointerAxisDiscrete(void*, wl_pointer*, uint32_t dwAxis, int32_t iDiscrete)
{
  if (dwAxis == WL_POINTER_AXIS_VERTICAL_SCROLL)
    s_seat.iWheelSteps += iDiscrete;
}

// Bound at version 5 at most: the high-resolution wheel of version 8 never comes.
const wl_pointer_listener s_pointerListener = { OnPointerEnter,      OnPointerLeave,    OnPointerMotion,
                                                OnPointerButton,     OnPointerAxis,     OnPointerFrame,
                                                OnPointerAxisSource, OnPointerAxisStop, OnPointerAxisDiscrete,
                                                nullptr };

// ---- seat

void OnCapabilities(void*, wl_seat* pSeat, uint32_t dwCaps)
{
  if ((dwCaps & WL_SEAT_CAPABILITY_KEYBOARD) && !s_seat.pKeyboard)
  {
    if (!s_seat.pXkb)
      s_seat.pXkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    s_seat.pKeyboard = wl_seat_get_keyboard(pSeat);
    wl_keyboard_add_listener(s_seat.pKeyboard, &s_keyboardListener, nullptr);
  }
  else if (!(dwCaps & WL_SEAT_CAPABILITY_KEYBOARD) && s_seat.pKeyboard)
  {
    wl_keyboard_destroy(s_seat.pKeyboard);
    s_seat.pKeyboard = nullptr;
    s_seat.pKeyWindow = nullptr;
  }
  if ((dwCaps & WL_SEAT_CAPABILITY_POINTER) && !s_seat.pPointer)
  {
    s_seat.pPointer = wl_seat_get_pointer(pSeat);
    wl_pointer_add_listener(s_seat.pPointer, &s_pointerListener, nullptr);
  }
  else if (!(dwCaps & WL_SEAT_CAPABILITY_POINTER) && s_seat.pPointer)
  {
    wl_pointer_destroy(s_seat.pPointer);
    s_seat.pPointer = nullptr;
    s_seat.pPointerWindow = nullptr;
  }
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener s_seatListener = { OnCapabilities, OnSeatName };

} // namespace

void BindSeat(wl_registry* pRegistry, uint32_t dwName, uint32_t dwVersion)
{
  wl_seat* pSeat =
      static_cast<wl_seat*>(wl_registry_bind(pRegistry, dwName, &wl_seat_interface, std::min(dwVersion, 5u)));
  Wayland().pSeat = pSeat;
  wl_seat_add_listener(pSeat, &s_seatListener, nullptr);
}

void ApplyWaylandCursor() { SetCursor(); }

int RepeatWaylandKeys()
{
  if (!s_seat.dwRepeatKey || NowMs() < s_seat.llRepeatDue)
    return 0;
  // One repeat a call, however late: a slow frame does not make a burst.
  PostKey(s_seat.dwRepeatKey, true);
  s_seat.llRepeatDue = NowMs() + 1000 / std::max(s_seat.iRepeatRate, 1);
  return 1;
}

int WaylandRepeatDueMs()
{
  if (!s_seat.dwRepeatKey)
    return -1;
  return static_cast<int>(std::max<int64_t>(s_seat.llRepeatDue - NowMs(), 0));
}

} // namespace zos
