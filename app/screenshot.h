#pragma once

#include <cstdint>
#include <string>

// Writes 0xAARRGGBB pixels (top row first) as an 8-bit RGB PNG.  False, with a reason in
// `error`, when the file cannot be written.
bool WritePng(const std::string& path, int iWidth, int iHeight, const uint32_t* pPixels, std::string& error);
