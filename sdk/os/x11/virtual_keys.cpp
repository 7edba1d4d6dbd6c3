#include "sdk/os/x11/virtual_keys.h"

#include "sdk/os/messages.h"

#include <X11/keysym.h>

namespace zos
{

uint32_t VirtualKeyFromKeysym(unsigned long k)
{
  if (k >= XK_a && k <= XK_z)
    return static_cast<uint32_t>('A' + (k - XK_a));
  if (k >= XK_A && k <= XK_Z)
    return static_cast<uint32_t>('A' + (k - XK_A));
  if (k >= XK_0 && k <= XK_9)
    return static_cast<uint32_t>('0' + (k - XK_0));
  if (k >= XK_KP_0 && k <= XK_KP_9)
    return VK_NUMPAD0 + static_cast<uint32_t>(k - XK_KP_0);
  if (k >= XK_F1 && k <= XK_F24)
    return VK_F1 + static_cast<uint32_t>(k - XK_F1);

  switch (k)
  {
    case XK_Escape: return VK_ESCAPE;
    case XK_BackSpace: return VK_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Return: return VK_RETURN;
    case XK_KP_Enter: return VK_RETURN;
    case XK_space: return VK_SPACE;
    case XK_KP_Space: return VK_SPACE;
    case XK_Pause: return VK_PAUSE;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Num_Lock: return VK_NUMLOCK;
    case XK_Scroll_Lock: return VK_SCROLL;
    case XK_Print: return VK_SNAPSHOT;
    case XK_Shift_L: return VK_SHIFT;
    case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L: return VK_CONTROL;
    case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L: return VK_MENU;
    case XK_Alt_R: return VK_MENU;
    case XK_ISO_Level3_Shift: return VK_MENU;
    case XK_Super_L: return VK_LWIN;
    case XK_Super_R: return VK_RWIN;
    case XK_Menu: return VK_APPS;

    case XK_Left:
    case XK_KP_Left: return VK_LEFT;
    case XK_Up:
    case XK_KP_Up: return VK_UP;
    case XK_Right:
    case XK_KP_Right: return VK_RIGHT;
    case XK_Down:
    case XK_KP_Down: return VK_DOWN;
    case XK_Prior:
    case XK_KP_Prior: return VK_PRIOR;
    case XK_Next:
    case XK_KP_Next: return VK_NEXT;
    case XK_Home:
    case XK_KP_Home: return VK_HOME;
    case XK_End:
    case XK_KP_End: return VK_END;
    case XK_Insert:
    case XK_KP_Insert: return VK_INSERT;
    case XK_Delete:
    case XK_KP_Delete: return VK_DELETE;
    case XK_KP_Begin: return VK_CLEAR;

    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Separator: return VK_SEPARATOR;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Decimal: return VK_DECIMAL;
    case XK_KP_Divide: return VK_DIVIDE;

    case XK_semicolon: return VK_OEM_1;
    case XK_equal: return VK_OEM_PLUS;
    case XK_comma: return VK_OEM_COMMA;
    case XK_minus: return VK_OEM_MINUS;
    case XK_period: return VK_OEM_PERIOD;
    case XK_slash: return VK_OEM_2;
    case XK_grave: return VK_OEM_3;
    case XK_bracketleft: return VK_OEM_4;
    case XK_backslash: return VK_OEM_5;
    case XK_bracketright: return VK_OEM_6;
    case XK_apostrophe: return VK_OEM_7;
    default: return 0;
  }
}

bool IsExtendedKeysym(unsigned long k)
{
  switch (k)
  {
    case XK_Left:
    case XK_Up:
    case XK_Right:
    case XK_Down:
    case XK_Prior:
    case XK_Next:
    case XK_Home:
    case XK_End:
    case XK_Insert:
    case XK_Delete:
    case XK_KP_Enter:
    case XK_KP_Divide:
    case XK_Control_R:
    case XK_Alt_R:
    case XK_Num_Lock:
    case XK_Print:
    case XK_Super_L:
    case XK_Super_R:
    case XK_Menu: return true;
    default: return false;
  }
}

uint32_t KeyMessageLParam(uint32_t uScan, bool bExtended, bool bWasDown, bool bDown)
{
  uint32_t l = 1u | ((uScan & 0xFF) << 16);
  if (bExtended)
    l |= 1u << 24;
  if (bWasDown || !bDown)
    l |= 1u << 30;
  if (!bDown)
    l |= 1u << 31;
  return l;
}

bool ButtonMessage(unsigned uButton, bool bDown, uint32_t* puMsg, uint32_t* puBit)
{
  switch (uButton)
  {
    case 1:
      *puMsg = bDown ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      *puBit = MK_LBUTTON;
      return true;
    case 2:
      *puMsg = bDown ? WM_MBUTTONDOWN : WM_MBUTTONUP;
      *puBit = MK_MBUTTON;
      return true;
    case 3:
      *puMsg = bDown ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      *puBit = MK_RBUTTON;
      return true;
    default: return false;
  }
}

} // namespace zos
