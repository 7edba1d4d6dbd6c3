#pragma once

#include <cstdint>

namespace zos
{

// What keys and buttons become in the messages, for X11 and Wayland alike (xkbcommon's
// keysyms are X11's).

// The Windows virtual-key code for an X keysym (0 when the key has none).  Letters
// give 'A'-'Z' whatever their case, digits '0'-'9', the keypad its VK_NUMPAD* and
// VK_ADD / VK_SUBTRACT / VK_MULTIPLY / VK_DIVIDE codes.
uint32_t VirtualKeyFromKeysym(unsigned long dwKeysym);

// Whether the key is one Windows flags as "extended" (bit 24 of the key lParam).
bool IsExtendedKeysym(unsigned long dwKeysym);

// The lParam of WM_KEYDOWN and WM_KEYUP: a count of 1, the scan code, the extended
// bit, the key's previous state and the transition.
uint32_t KeyMessageLParam(uint32_t uScan, bool bExtended, bool bWasDown, bool bDown);

// The message and the MK_ bit of pointer button 1 (left), 2 (middle) or 3 (right);
// false for the others.  Both windows systems number them so.
bool ButtonMessage(unsigned uButton, bool bDown, uint32_t* puMsg, uint32_t* puBit);

} // namespace zos
