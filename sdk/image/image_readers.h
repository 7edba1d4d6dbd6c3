#pragma once

// Decoders for the image files the textures of every platform accept (TGA, PNG, RAW).
// They only turn bytes into pixels; uploading them is the platform texture's job.  Every
// decoder leaves the bottom row first in the buffer, as glTexImage2D wants it.

#include "sdk/core/result.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Pixel layouts, numbered as OpenGL names them so that its textures take them as they are.
constexpr uint32_t IMAGE_RGB = 0x1907;
constexpr uint32_t IMAGE_RGBA = 0x1908;
constexpr uint32_t IMAGE_LUMINANCE = 0x1909;
constexpr uint32_t IMAGE_LUMINANCE_ALPHA = 0x190A;

struct SImage
{
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t bitsPerPixel = 0;   // bits of one stored pixel (24, 32, 8, 16 ...)
  uint32_t format = 0;         // IMAGE_RGB, IMAGE_RGBA, IMAGE_LUMINANCE or IMAGE_LUMINANCE_ALPHA
  uint32_t components = 0;     // bytes per pixel
  std::vector<uint8_t> pixels; // width * height * components, bottom row first
};

// TGA: only the uncompressed and run-length true-colour signatures, 24 or 32 bits.
ZRESULT ReadTGA(const uint8_t* data, size_t size, SImage* image);
ZRESULT ReadTGAFile(const char* path, SImage* image);

// PNG through libpng: palette to RGB, grey to 8 bits, transparency to alpha, 16 to 8 bits.
ZRESULT ReadPNG(const uint8_t* data, size_t size, SImage* image);
ZRESULT ReadPNGFile(const char* path, SImage* image);

// RAW: exactly 256 x 256 RGB bytes.  The caller handles the empty path.
constexpr size_t RAW_IMAGE_SIZE = 256 * 256 * 3;
ZRESULT ReadRAWFile(const char* path, SImage* image);

// Image type by the name's extension, anywhere in the name: TGA first, then PNG, then RAW.
enum class EImageType
{
  Unknown,
  TGA,
  PNG,
  RAW
};
EImageType ImageTypeFromName(const char* name);
