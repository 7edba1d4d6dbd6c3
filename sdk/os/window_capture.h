#pragma once

#include "sdk/os/messages.h"

#include <cstdint>
#include <vector>

namespace zos
{

// Reads back what the window shows, as 0xAARRGGBB words (alpha 255), top row first.
// False when the window is gone or the server refuses.
bool CaptureWindow(HWND hwnd, int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels);

} // namespace zos
