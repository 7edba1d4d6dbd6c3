// The PNG reader (libpng from memory) on arbitrary bytes.  Each input is read as it
// is and once more with the checksums of its chunks made right, since a mutated chunk
// would otherwise almost always stop at its checksum, before anything is decoded.

#include "tests/fuzz/fuzz_common.h"

#include "sdk/image/image_readers.h"

#include <zlib.h>

#include <string>

namespace
{

// The input with the CRC of every whole chunk after the signature recomputed.
std::string WithRightChecksums(const uint8_t* pData, size_t uSize)
{
  std::string bytes(reinterpret_cast<const char*>(pData), uSize);
  size_t uPos = 8;
  while (uPos + 12 <= bytes.size())
  {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data()) + uPos;
    uint32_t uLength = static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    if (uLength > bytes.size() - uPos - 12)
      break;
    uLong crc = crc32(0L, p + 4, 4 + uLength);
    for (int i = 0; i < 4; ++i)
      bytes[uPos + 8 + uLength + i] = static_cast<char>(crc >> (24 - 8 * i));
    uPos += 12 + uLength;
  }
  return bytes;
}

void CheckOne(const uint8_t* pData, size_t uSize)
{
  SImage image;
  if (ReadPNG(pData, uSize, &image) != ZP_OK)
  {
    FUZZ_CHECK(image.pixels.empty());
    return;
  }
  FUZZ_CHECK(image.width > 0 && image.height > 0);
  FUZZ_CHECK(image.components >= 1 && image.components <= 4);
  FUZZ_CHECK(image.bitsPerPixel == image.components * 8);
  static const uint32_t s_formats[] = { IMAGE_LUMINANCE, IMAGE_LUMINANCE_ALPHA, IMAGE_RGB, IMAGE_RGBA };
  FUZZ_CHECK(image.format == s_formats[image.components - 1]);
  FUZZ_CHECK(image.pixels.size() == static_cast<size_t>(image.width) * image.height * image.components);
}

int FuzzPng(const uint8_t* pData, size_t uSize)
{
  CheckOne(pData, uSize);
  std::string fixed = WithRightChecksums(pData, uSize);
  if (fixed.compare(0, std::string::npos, reinterpret_cast<const char*>(pData), uSize) != 0)
    CheckOne(reinterpret_cast<const uint8_t*>(fixed.data()), fixed.size());
  return 0;
}

} // namespace

PLANETO_FUZZ_TARGET(png, FuzzPng)
