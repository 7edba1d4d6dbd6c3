#pragma once

#include "sdk/os/messages.h"

#include <cstdint>
#include <string>

class C3DEngine;

// Writes 0xAARRGGBB pixels (top row first) as an 8-bit RGB PNG.  False, with a reason in
// `error`, when the file cannot be written.
bool WritePng(const std::string& path, int iWidth, int iHeight, const uint32_t* pPixels, std::string& error);

// Saves the frame last presented in the window: read through the device where it keeps
// it, else from the window.  A window reaching past the screen gives only its part on
// the screen, and `note` then says so (otherwise it is left empty).  False, with the
// reason in `error`, when nothing could be read or written.
bool SaveScreenshot(const std::string& path, zos::HWND hwnd, C3DEngine* pDevice, std::string& error,
                    std::string& note);
