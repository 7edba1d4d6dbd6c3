#include "sdk/software/texture_soft.h"

#include <cstring>

CTextureSoft::CTextureSoft() {}

CTextureSoft::~CTextureSoft() {}

namespace
{

uint32_t ReadBE32(const uint8_t* p)
{
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

} // namespace

ZRESULT CTextureSoft::LoadFromMemory(const void* pData, uint32_t dwSize, uint32_t dwReserved,
                                     const char* szName)
{
  if (!pData || dwSize == 0)
    return ZP_FAIL;
  // A PNG starts with its signature and the IHDR chunk: width, height, bit depth and
  // colour type.  Anything else is kept by name only.
  static const uint8_t kSignature[8] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
  const uint8_t* p = static_cast<const uint8_t*>(pData);
  if (dwSize >= 33 && std::memcmp(p, kSignature, 8) == 0 && std::memcmp(p + 12, "IHDR", 4) == 0)
  {
    const uint32_t w = ReadBE32(p + 16), h = ReadBE32(p + 20);
    const uint8_t depth = p[24], type = p[25];
    const uint32_t channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
    m_wWidth = uint16_t(w > 0xFFFF ? 0xFFFF : w);
    m_wHeight = uint16_t(h > 0xFFFF ? 0xFFFF : h);
    m_wBitsPerPixel = uint16_t(channels * depth);
  }
  return CTexture::LoadFromMemory(pData, dwSize, dwReserved, szName);
}

ZRESULT CTextureSoft::LoadFromFile(const char* szPath, uint32_t dwReserved)
{
  // The image itself is never needed here, so the file is not read.
  if (!szPath || !*szPath)
    return ZP_FAIL;
  return CTexture::LoadFromFile(szPath, dwReserved);
}
