#pragma once

// Where the program's window goes and what it looks like, from the display choice and
// the screen size.

#include "sdk/os/window.h"

#include <cstdint>

// The two looks of the program's own window.  (On Windows the WS_ names are the
// system's macros, elsewhere the OS layer's constants: unqualified, both read alike.)
namespace window_styles
{
using namespace zos;
// Full screen: a frameless popup, visible at once, with a system menu.
constexpr uint32_t FULLSCREEN = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYSMENU;
// Windowed: the usual framed window with a title, a sizing border and its buttons.
constexpr uint32_t WINDOWED = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
} // namespace window_styles
constexpr uint32_t WINDOW_STYLE_FULLSCREEN = window_styles::FULLSCREEN;
constexpr uint32_t WINDOW_STYLE_WINDOWED = window_styles::WINDOWED;
static_assert(WINDOW_STYLE_FULLSCREEN == 0x96080000u && WINDOW_STYLE_WINDOWED == 0x06CF0000u,
              "the window styles keep the Windows numbers");

struct SWindowPlacement
{
  uint32_t dwStyle;
  int x, y;           // of the client area
  int iWidth, iHeight; // of the client area
};

// Full screen covers the screen from its top-left corner; a window keeps the chosen
// size where the screen has room (else the screen's) and is centred on the screen.
SWindowPlacement PlaceWindow(bool bFullscreen, int iChosenWidth, int iChosenHeight, int iScreenWidth,
                             int iScreenHeight);
