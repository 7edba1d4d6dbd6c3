#pragma once

// What the X11 and the Wayland windows share: one list of window records (so that
// handles, focus and the cursor counter work alike on both) and the capture.

#include "sdk/os/window.h"

namespace zos
{

// A new live window record, zero-filled, kept until the program ends (window.cpp).
CWindow* MakeWindowRecord();

extern CWindow* g_pCapture; // the window holding the mouse capture, or null

} // namespace zos
