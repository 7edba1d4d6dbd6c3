// The TGA reader on arbitrary bytes.

#include "tests/fuzz/fuzz_common.h"

#include "sdk/image/image_readers.h"


namespace
{

int FuzzTga(const uint8_t* pData, size_t uSize)
{
  SImage image;
  if (ReadTGA(pData, uSize, &image) != ZP_OK)
  {
    FUZZ_CHECK(image.pixels.empty());
    return 0;
  }
  FUZZ_CHECK(image.width > 0 && image.height > 0);
  FUZZ_CHECK(image.bitsPerPixel == 24 || image.bitsPerPixel == 32);
  FUZZ_CHECK(image.components == image.bitsPerPixel / 8u);
  FUZZ_CHECK(image.format == (image.components == 3 ? IMAGE_RGB : IMAGE_RGBA));
  FUZZ_CHECK(image.pixels.size() == static_cast<size_t>(image.width) * image.height * image.components);
  // Uncompressed: the pixels are the stored ones with blue and red swapped.
  if (pData[2] == 2)
  {
    const uint8_t* p = pData + 18;
    FUZZ_CHECK(uSize >= 18 + image.pixels.size());
    FUZZ_CHECK(image.pixels[0] == p[2] && image.pixels[1] == p[1] && image.pixels[2] == p[0]);
  }
  return 0;
}

} // namespace

PLANETO_FUZZ_TARGET(tga, FuzzTga)
