#pragma once

#include <cstdint>

namespace zos
{

// The Windows virtual-key code for an X keysym (0 when the key has none).  Letters
// give 'A'-'Z' whatever their case, digits '0'-'9', the keypad its VK_NUMPAD* and
// VK_ADD / VK_SUBTRACT / VK_MULTIPLY / VK_DIVIDE codes.
uint32_t VirtualKeyFromKeysym(unsigned long dwKeysym);

// Whether the key is one Windows flags as "extended" (bit 24 of the key lParam).
bool IsExtendedKeysym(unsigned long dwKeysym);

} // namespace zos
