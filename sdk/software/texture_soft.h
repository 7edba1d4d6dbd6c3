#pragma once

// Textures of the software platform.  The renderer draws edges only and never samples
// an image, so a texture records what it was loaded from (base name, and the size
// when the data is a PNG image) and takes part in the device's sharing and lifetime
// like any other texture.

#include "sdk/core/texture.h"

class CTextureSoft : public CTexture
{
public:
  CTextureSoft();
  ~CTextureSoft() override;

  // ZP_FAIL for missing or empty data; otherwise records the name (and, for PNG data,
  // the width, height and bits per pixel of its header).
  ZRESULT LoadFromMemory(const void* pData, uint32_t dwSize, uint32_t dwReserved,
                         const char* szName) override;
  // ZP_FAIL for an empty path; otherwise records the name (the file is not read).
  ZRESULT LoadFromFile(const char* szPath, uint32_t dwReserved) override;

  uint16_t GetWidth() const { return m_wWidth; }
  uint16_t GetHeight() const { return m_wHeight; }
  uint16_t GetBitsPerPixel() const { return m_wBitsPerPixel; }
};
