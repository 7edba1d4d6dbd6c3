// X keysyms to the Windows virtual-key codes (no server needed).

#include "sdk/os/messages.h"
#include "sdk/os/x11/virtual_keys.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

using namespace zos;

namespace
{

TEST(VirtualKeys, KeysymsMapToWindowsCodes)
{
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Escape), VK_ESCAPE);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Add), VK_ADD);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Subtract), VK_SUBTRACT);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Multiply), VK_MULTIPLY);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Divide), VK_DIVIDE);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_7), VK_NUMPAD7);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Up), VK_UP);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Left), VK_LEFT);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Down), VK_DOWN);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_q), static_cast<uint32_t>('Q'));
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Q), static_cast<uint32_t>('Q'));
  EXPECT_EQ(VirtualKeyFromKeysym(XK_7), static_cast<uint32_t>('7'));
  EXPECT_EQ(VirtualKeyFromKeysym(XK_F12), VK_F12);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_minus), VK_OEM_MINUS); // not the keypad's
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Return), VK_RETURN);
  EXPECT_EQ(VirtualKeyFromKeysym(0), 0u);
  EXPECT_TRUE(IsExtendedKeysym(XK_Up));
  EXPECT_FALSE(IsExtendedKeysym(XK_KP_Up));
}

} // namespace
