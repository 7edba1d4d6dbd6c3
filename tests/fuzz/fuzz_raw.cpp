// The readers that take a file: RAW, and the file forms of TGA and PNG, which must
// agree with the memory forms.  Input: a control byte, a name line, then the content.
// With bit 0 of the control byte set the content is repeated up to the RAW size, give
// or take the next byte's worth, so that files of exactly and nearly the RAW size come
// up.

#include "tests/fuzz/fuzz_common.h"

#include "sdk/image/image_readers.h"


namespace
{

void CheckSame(const SImage& a, const SImage& b)
{
  FUZZ_CHECK(a.width == b.width && a.height == b.height);
  FUZZ_CHECK(a.bitsPerPixel == b.bitsPerPixel && a.format == b.format && a.components == b.components);
  FUZZ_CHECK(a.pixels == b.pixels);
}

int FuzzRaw(const uint8_t* pData, size_t uSize)
{
  static const std::string s_strFile = FuzzTempDir() + "/image.bin";

  CFuzzInput in(pData, uSize);
  uint8_t byControl = in.TakeByte();
  std::string name = in.TakeLine(64);
  std::string content = in.Rest();
  if (byControl & 1)
  {
    int delta = static_cast<int8_t>(in.TakeByte());
    size_t target = static_cast<size_t>(static_cast<long>(RAW_IMAGE_SIZE) + (byControl & 2 ? delta : 0));
    std::string grown;
    grown.reserve(target);
    while (grown.size() < target)
      grown += content.empty() ? std::string(1, '\0') : content;
    grown.resize(target);
    content.swap(grown);
  }
  if (!FuzzWriteFile(s_strFile, content))
    return 0;

  // The type is taken from the name only.
  EImageType type = ImageTypeFromName(name.c_str());
  FUZZ_CHECK(type == EImageType::Unknown || !name.empty());

  SImage raw;
  ZRESULT r = ReadRAWFile(s_strFile.c_str(), &raw);
  FUZZ_CHECK((r == ZP_OK) == (content.size() == RAW_IMAGE_SIZE));
  if (r == ZP_OK)
  {
    FUZZ_CHECK(raw.width == 256 && raw.height == 256 && raw.components == 3 && raw.format == IMAGE_RGB);
    FUZZ_CHECK(raw.pixels.size() == content.size() &&
               std::equal(raw.pixels.begin(), raw.pixels.end(), content.begin(),
                          [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }));
  }

  const uint8_t* pBytes = reinterpret_cast<const uint8_t*>(content.data());
  SImage fromFile, fromMemory;
  r = ReadTGAFile(s_strFile.c_str(), &fromFile);
  FUZZ_CHECK(r == ReadTGA(pBytes, content.size(), &fromMemory));
  if (r == ZP_OK)
    CheckSame(fromFile, fromMemory);

  fromFile = SImage();
  fromMemory = SImage();
  r = ReadPNGFile(s_strFile.c_str(), &fromFile);
  FUZZ_CHECK(r == ReadPNG(pBytes, content.size(), &fromMemory));
  if (r == ZP_OK)
    CheckSame(fromFile, fromMemory);

  // A directory, a missing file and no name at all are refused.
  SImage none;
  FUZZ_CHECK(ReadRAWFile(FuzzTempDir().c_str(), &none) == ZP_FAIL);
  FUZZ_CHECK(ReadTGAFile(FuzzTempDir().c_str(), &none) == ZP_FAIL);
  FUZZ_CHECK(ReadPNGFile(FuzzTempDir().c_str(), &none) == ZP_FAIL);
  FUZZ_CHECK(ReadRAWFile((FuzzTempDir() + "/missing").c_str(), &none) == ZP_FAIL);
  FUZZ_CHECK(ReadRAWFile("", &none) == ZP_FAIL);
  FUZZ_CHECK(ReadTGAFile(nullptr, &none) == ZP_FAIL);
  FUZZ_CHECK(ReadPNGFile(nullptr, &none) == ZP_FAIL);
  return 0;
}

} // namespace

PLANETO_FUZZ_TARGET(raw, FuzzRaw)
