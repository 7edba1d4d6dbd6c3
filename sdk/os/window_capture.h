#pragma once

#include "sdk/os/messages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zos
{

// Reads back what the window shows, as 0xAARRGGBB words (alpha 255), top row first.
// On X11 only the part of the window that lies on the screen can be read (the server
// keeps no pixels for the rest): a window reaching past the screen gives that part,
// and *pWidth x *pHeight is then smaller than its client size.  False when nothing can
// be read (the window is gone, not shown, off the screen, or the system refuses), with
// the reason in *pWhy when given.
bool CaptureWindow(HWND hwnd, int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels,
                   std::string* pWhy = nullptr);

} // namespace zos
