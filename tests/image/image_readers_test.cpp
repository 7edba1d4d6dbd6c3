// Image readers and the built-in image lookup: no display needed.

#include "data/embedded.h"
#include "sdk/image/image_levels.h"
#include "sdk/image/image_readers.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using Bytes = std::vector<uint8_t>;

Bytes TgaHeader(uint8_t type, uint16_t w, uint16_t h, uint8_t bits)
{
  Bytes b = { 0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
  b.push_back(w & 0xFF);
  b.push_back(w >> 8);
  b.push_back(h & 0xFF);
  b.push_back(h >> 8);
  b.push_back(bits);
  b.push_back(0x20); // top-left origin bit: ignored by the reader
  return b;
}

void Append(Bytes* b, std::initializer_list<uint8_t> bytes) { b->insert(b->end(), bytes); }

// A PNG written by libpng itself, rows given top row first as PNG stores them.
struct SPngSpec
{
  int width, height, bitDepth, colorType;
  std::vector<Bytes> rows; // packed as libpng wants them for the depth
  std::vector<png_color> palette;
  Bytes trns;
};

void WriteToVector(png_structp png, png_bytep data, png_size_t length)
{
  Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

Bytes MakePng(const SPngSpec& s)
{
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)))
  {
    ADD_FAILURE() << "libpng could not write the test image";
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, WriteToVector, nullptr);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty())
    png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.trns.empty())
    png_set_tRNS(png, info, s.trns.data(), static_cast<int>(s.trns.size()), nullptr);
  png_write_info(png, info);
  for (const Bytes& row : s.rows)
    png_write_row(png, row.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::string TempFile(const Bytes& bytes)
{
  char path[] = "/tmp/planeto_img_XXXXXX";
  int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  if (!bytes.empty())
  {
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  close(fd);
  return path;
}

} // namespace

// ---------------------------------------------------------------- TGA

TEST(TgaReader, UncompressedSwapsRedAndBlueAndKeepsRowOrder)
{
  Bytes b = TgaHeader(2, 2, 2, 24);
  // Bottom row first as stored: (10 20 30) (40 50 60) / (70 80 90) (1 2 3)
  Append(&b, { 10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3 });
  SImage img;
  ASSERT_EQ(ReadTGA(b.data(), b.size(), &img), ZP_OK);
  EXPECT_EQ(img.width, 2);
  EXPECT_EQ(img.height, 2);
  EXPECT_EQ(img.bitsPerPixel, 24);
  EXPECT_EQ(img.format, static_cast<uint32_t>(IMAGE_RGB));
  EXPECT_EQ(img.pixels, (Bytes{ 30, 20, 10, 60, 50, 40, 90, 80, 70, 3, 2, 1 }));
}

TEST(TgaReader, ThirtyTwoBitKeepsAlpha)
{
  Bytes b = TgaHeader(2, 1, 1, 32);
  Append(&b, { 1, 2, 3, 4 });
  SImage img;
  ASSERT_EQ(ReadTGA(b.data(), b.size(), &img), ZP_OK);
  EXPECT_EQ(img.format, static_cast<uint32_t>(IMAGE_RGBA));
  EXPECT_EQ(img.pixels, (Bytes{ 3, 2, 1, 4 }));
}

TEST(TgaReader, RunLengthRunsAndRawPackets)
{
  Bytes b = TgaHeader(10, 7, 1, 24);
  Append(&b, { 0x83, 1, 2, 3 });                      // run: 4 pixels of (1 2 3)
  Append(&b, { 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12 }); // raw: 3 pixels
  SImage img;
  ASSERT_EQ(ReadTGA(b.data(), b.size(), &img), ZP_OK);
  EXPECT_EQ(img.pixels, (Bytes{ 3, 2, 1, 3, 2, 1, 3, 2, 1, 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10 }));
}

TEST(TgaReader, RunLengthPacketsThatOverrunTheImageFail)
{
  SImage img;
  Bytes run = TgaHeader(10, 3, 1, 24);
  Append(&run, { 0x83, 1, 2, 3 }); // 4 pixels into 3
  EXPECT_EQ(ReadTGA(run.data(), run.size(), &img), ZP_FAIL);

  Bytes raw = TgaHeader(10, 3, 1, 24);
  Append(&raw, { 0x00, 1, 1, 1, 0x02, 1, 1, 1, 2, 2, 2, 3, 3, 3 }); // 1 + 3 into 3
  EXPECT_EQ(ReadTGA(raw.data(), raw.size(), &img), ZP_FAIL);
  EXPECT_TRUE(img.pixels.empty());
}

TEST(TgaReader, ShortInputFails)
{
  SImage img;
  Bytes b = TgaHeader(2, 2, 2, 24);
  Append(&b, { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 }); // one byte short
  EXPECT_EQ(ReadTGA(b.data(), b.size(), &img), ZP_FAIL);

  Bytes rle = TgaHeader(10, 4, 1, 32);
  Append(&rle, { 0x83, 1, 2, 3 }); // run value cut short
  EXPECT_EQ(ReadTGA(rle.data(), rle.size(), &img), ZP_FAIL);

  Bytes header = TgaHeader(2, 2, 2, 24);
  for (size_t n = 0; n < header.size(); ++n)
    EXPECT_EQ(ReadTGA(header.data(), n, &img), ZP_FAIL) << n;
}

TEST(TgaReader, OnlyTheTwoTrueColourSignaturesAreAccepted)
{
  SImage img;
  Bytes withId = TgaHeader(2, 1, 1, 24);
  withId[0] = 3; // image ID field
  Append(&withId, { 'a', 'b', 'c', 1, 2, 3 });
  EXPECT_EQ(ReadTGA(withId.data(), withId.size(), &img), ZP_FAIL);

  for (uint8_t type : { 1, 3, 9, 11 })
  {
    Bytes b = TgaHeader(type, 1, 1, 24);
    Append(&b, { 1, 2, 3 });
    EXPECT_EQ(ReadTGA(b.data(), b.size(), &img), ZP_FAIL) << int(type);
  }
  Bytes origin = TgaHeader(2, 1, 1, 24);
  origin[8] = 5; // non-zero x origin
  Append(&origin, { 1, 2, 3 });
  EXPECT_EQ(ReadTGA(origin.data(), origin.size(), &img), ZP_FAIL);
}

TEST(TgaReader, BadSizesAndDepthsFailWithoutHugeAllocations)
{
  SImage img;
  for (auto [w, h, bits] : { std::tuple{ 0, 1, 24 }, { 1, 0, 24 }, { 1, 1, 16 }, { 1, 1, 8 } })
  {
    Bytes b = TgaHeader(2, w, h, bits);
    Append(&b, { 1, 2, 3, 4 });
    EXPECT_EQ(ReadTGA(b.data(), b.size(), &img), ZP_FAIL);
  }
  // 65535 x 65535 x 4 bytes announced, a few bytes given.
  Bytes huge = TgaHeader(2, 0xFFFF, 0xFFFF, 32);
  Append(&huge, { 1, 2, 3, 4 });
  EXPECT_EQ(ReadTGA(huge.data(), huge.size(), &img), ZP_FAIL);
  Bytes hugeRle = TgaHeader(10, 0xFFFF, 0xFFFF, 32);
  Append(&hugeRle, { 0xFF, 1, 2, 3, 4 });
  EXPECT_EQ(ReadTGA(hugeRle.data(), hugeRle.size(), &img), ZP_FAIL);
}

TEST(TgaReader, FileReaderMatchesMemoryReader)
{
  Bytes b = TgaHeader(2, 1, 2, 24);
  Append(&b, { 10, 20, 30, 40, 50, 60 });
  std::string path = TempFile(b);
  SImage img;
  EXPECT_EQ(ReadTGAFile(path.c_str(), &img), ZP_OK);
  EXPECT_EQ(img.pixels, (Bytes{ 30, 20, 10, 60, 50, 40 }));
  unlink(path.c_str());
  EXPECT_EQ(ReadTGAFile(path.c_str(), &img), ZP_FAIL);
}

// ---------------------------------------------------------------- PNG

TEST(PngReader, RgbIsStoredBottomRowFirst)
{
  Bytes png =
      MakePng({ 2, 2, 8, PNG_COLOR_TYPE_RGB, { { 1, 2, 3, 4, 5, 6 }, { 7, 8, 9, 10, 11, 12 } }, {}, {} });
  SImage img;
  ASSERT_EQ(ReadPNG(png.data(), png.size(), &img), ZP_OK);
  EXPECT_EQ(img.width, 2);
  EXPECT_EQ(img.height, 2);
  EXPECT_EQ(img.format, static_cast<uint32_t>(IMAGE_RGB));
  EXPECT_EQ(img.components, 3u);
  EXPECT_EQ(img.pixels, (Bytes{ 7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6 }));
}

TEST(PngReader, ColourTypesMapToUploadFormats)
{
  struct
  {
    int type;
    Bytes row;
    uint32_t format;
    uint32_t comps;
  } cases[] = {
    { PNG_COLOR_TYPE_GRAY, { 9 }, IMAGE_LUMINANCE, 1 },
    { PNG_COLOR_TYPE_GRAY_ALPHA, { 9, 8 }, IMAGE_LUMINANCE_ALPHA, 2 },
    { PNG_COLOR_TYPE_RGB_ALPHA, { 1, 2, 3, 4 }, IMAGE_RGBA, 4 },
  };
  for (auto& c : cases)
  {
    Bytes png = MakePng({ 1, 1, 8, c.type, { c.row }, {}, {} });
    SImage img;
    ASSERT_EQ(ReadPNG(png.data(), png.size(), &img), ZP_OK) << c.type;
    EXPECT_EQ(img.format, c.format);
    EXPECT_EQ(img.components, c.comps);
    EXPECT_EQ(img.pixels, c.row);
  }
}

TEST(PngReader, SixteenBitChannelsAreStrippedToEight)
{
  Bytes png = MakePng({ 1, 1, 16, PNG_COLOR_TYPE_RGB, { { 0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00 } }, {}, {} });
  SImage img;
  ASSERT_EQ(ReadPNG(png.data(), png.size(), &img), ZP_OK);
  EXPECT_EQ(img.format, static_cast<uint32_t>(IMAGE_RGB));
  EXPECT_EQ(img.pixels, (Bytes{ 0x12, 0xAB, 0xFF }));
}

TEST(PngReader, LowDepthGreyIsExpandedToEightBits)
{
  // 2-bit grey, 4 pixels in one byte: 0, 1, 2, 3 -> 0, 85, 170, 255
  Bytes png = MakePng({ 4, 1, 2, PNG_COLOR_TYPE_GRAY, { { 0x1B } }, {}, {} });
  SImage img;
  ASSERT_EQ(ReadPNG(png.data(), png.size(), &img), ZP_OK);
  EXPECT_EQ(img.format, static_cast<uint32_t>(IMAGE_LUMINANCE));
  EXPECT_EQ(img.pixels, (Bytes{ 0, 85, 170, 255 }));
}

TEST(PngReader, PaletteBecomesRgbAndTransparencyBecomesAlpha)
{
  std::vector<png_color> pal = { { 255, 0, 0 }, { 0, 0, 255 } };
  // 1-bit palette indices 1, 0, 1 packed in one byte
  Bytes plain = MakePng({ 3, 1, 1, PNG_COLOR_TYPE_PALETTE, { { 0xA0 } }, pal, {} });
  SImage img;
  ASSERT_EQ(ReadPNG(plain.data(), plain.size(), &img), ZP_OK);
  EXPECT_EQ(img.format, static_cast<uint32_t>(IMAGE_RGB));
  EXPECT_EQ(img.pixels, (Bytes{ 0, 0, 255, 255, 0, 0, 0, 0, 255 }));

  Bytes withTrns = MakePng({ 3, 1, 1, PNG_COLOR_TYPE_PALETTE, { { 0xA0 } }, pal, { 128 } });
  ASSERT_EQ(ReadPNG(withTrns.data(), withTrns.size(), &img), ZP_OK);
  EXPECT_EQ(img.format, static_cast<uint32_t>(IMAGE_RGBA));
  EXPECT_EQ(img.pixels, (Bytes{ 0, 0, 255, 255, 255, 0, 0, 128, 0, 0, 255, 255 }));
}

TEST(PngReader, DamagedInputFails)
{
  Bytes png = MakePng({ 8, 8, 8, PNG_COLOR_TYPE_RGB, std::vector<Bytes>(8, Bytes(24, 7)), {}, {} });
  SImage img;
  for (size_t n : { size_t(0), size_t(1), size_t(8), size_t(30), png.size() / 2, png.size() - 13 })
    EXPECT_EQ(ReadPNG(png.data(), n, &img), ZP_FAIL) << n;
  Bytes wrong = png;
  wrong[0] = 0x88;
  EXPECT_EQ(ReadPNG(wrong.data(), wrong.size(), &img), ZP_FAIL);
  Bytes crc = png;
  crc[20] ^= 0xFF; // inside the header chunk
  EXPECT_EQ(ReadPNG(crc.data(), crc.size(), &img), ZP_FAIL);
  EXPECT_TRUE(img.pixels.empty());
}

TEST(PngReader, FileReader)
{
  Bytes png = MakePng({ 1, 2, 8, PNG_COLOR_TYPE_RGB, { { 1, 2, 3 }, { 4, 5, 6 } }, {}, {} });
  std::string path = TempFile(png);
  SImage img;
  ASSERT_EQ(ReadPNGFile(path.c_str(), &img), ZP_OK);
  EXPECT_EQ(img.pixels, (Bytes{ 4, 5, 6, 1, 2, 3 }));
  unlink(path.c_str());
  EXPECT_EQ(ReadPNGFile(path.c_str(), &img), ZP_FAIL);

  std::string cut = TempFile(Bytes(png.begin(), png.begin() + png.size() / 2));
  EXPECT_EQ(ReadPNGFile(cut.c_str(), &img), ZP_FAIL);
  unlink(cut.c_str());
}

// ---------------------------------------------------------------- RAW and names

TEST(RawReader, OnlyExactlySizedFiles)
{
  Bytes raw(RAW_IMAGE_SIZE);
  for (size_t i = 0; i < raw.size(); ++i)
    raw[i] = static_cast<uint8_t>(i);
  std::string ok = TempFile(raw);
  SImage img;
  ASSERT_EQ(ReadRAWFile(ok.c_str(), &img), ZP_OK);
  EXPECT_EQ(img.width, 256);
  EXPECT_EQ(img.height, 256);
  EXPECT_EQ(img.format, static_cast<uint32_t>(IMAGE_RGB));
  EXPECT_EQ(img.pixels, raw);
  unlink(ok.c_str());

  for (size_t n : { RAW_IMAGE_SIZE - 1, RAW_IMAGE_SIZE + 1, size_t(0) })
  {
    std::string path = TempFile(Bytes(n));
    EXPECT_EQ(ReadRAWFile(path.c_str(), &img), ZP_FAIL) << n;
    unlink(path.c_str());
  }
  EXPECT_EQ(ReadRAWFile("/nonexistent/planeto.raw", &img), ZP_FAIL);
}

TEST(ImageType, ChosenBySubstringInFixedOrder)
{
  EXPECT_EQ(ImageTypeFromName("a.png.tga"), EImageType::TGA);
  EXPECT_EQ(ImageTypeFromName("Sky.TGA"), EImageType::TGA);
  EXPECT_EQ(ImageTypeFromName("dir/earth.PNG"), EImageType::PNG);
  EXPECT_EQ(ImageTypeFromName("x.raw.bak"), EImageType::RAW);
  EXPECT_EQ(ImageTypeFromName("x.Png"), EImageType::Unknown);
  EXPECT_EQ(ImageTypeFromName("x.bmp"), EImageType::Unknown);
  EXPECT_EQ(ImageTypeFromName(nullptr), EImageType::Unknown);
}

TEST(BuiltInImages, CaseInsensitivePrefixMatchInTableOrder)
{
  const SEmbeddedFile* e = FindBuiltInImage("Moon.png");
  ASSERT_NE(e, nullptr);
  EXPECT_STREQ(e->name, "moon.png");
  EXPECT_EQ(FindBuiltInImage("Moon.tga"), nullptr);
  ASSERT_NE(FindBuiltInImage("earthday.png.bak"), nullptr);
  EXPECT_STREQ(FindBuiltInImage("earthday.png.bak")->name, "earthday.png");
  EXPECT_STREQ(FindBuiltInImage("EarthDay.png")->name, "earthday.png");
  EXPECT_STREQ(FindBuiltInImage("SUN2.PNG")->name, "sun2.png");
  EXPECT_EQ(FindBuiltInImage("Sun.tga"), nullptr);
  EXPECT_EQ(FindBuiltInImage("sun"), nullptr); // shorter than every entry
  EXPECT_EQ(FindBuiltInImage("Font.tga"), nullptr);
  EXPECT_EQ(FindBuiltInImage(""), nullptr);
  EXPECT_EQ(FindBuiltInImage(nullptr), nullptr);
}

TEST(BuiltInImages, EveryImageDecodesAtItsTableSize)
{
  struct
  {
    const char* name;
    int w, h;
  } table[] = {
    { "earthday.png", 1024, 512 }, { "earthnight.png", 1024, 512 }, { "earthclouds.png", 1024, 512 },
    { "moon.png", 720, 360 },      { "atmosphere.png", 128, 128 },  { "difraction.png", 256, 256 },
    { "univer.png", 512, 512 },    { "sun.png", 128, 128 },         { "sun2.png", 256, 256 },
    { "sun3.png", 256, 256 },      { "sun4.png", 337, 319 },        { "font.png", 256, 256 },
    { "sun5.png", 128, 128 },      { "sun6.png", 256, 256 },        { "sun7.png", 256, 256 },
    { "flare0.png", 128, 128 },    { "flare1.png", 128, 128 },      { "flare2.png", 128, 128 },
    { "flare3.png", 128, 128 },    { "flare4.png", 128, 128 },
  };
  unsigned count = 0;
  const SEmbeddedFile* images = GetEmbeddedImages(&count);
  ASSERT_EQ(count, 20u);
  for (unsigned i = 0; i < count; ++i)
  {
    EXPECT_STREQ(images[i].name, table[i].name);
    SImage img;
    ASSERT_EQ(ReadPNG(images[i].data, images[i].size, &img), ZP_OK) << table[i].name;
    EXPECT_EQ(img.width, table[i].w) << table[i].name;
    EXPECT_EQ(img.height, table[i].h) << table[i].name;
    EXPECT_EQ(img.pixels.size(), size_t(img.width) * img.height * img.components);
  }
}

// Random damage to valid inputs must give a clean failure or a consistent image.
TEST(ImageReaders, RandomlyDamagedInputsNeverMisbehave)
{
  Bytes tga = TgaHeader(10, 16, 16, 32);
  for (int i = 0; i < 32; ++i)
    Append(&tga, { 0x87, uint8_t(i), 2, 3, 4 });
  Bytes png = MakePng({ 16, 16, 8, PNG_COLOR_TYPE_RGB_ALPHA, std::vector<Bytes>(16, Bytes(64, 5)), {}, {} });
  std::mt19937 rng(1234);
  for (int round = 0; round < 3000; ++round)
  {
    const Bytes& base = (round & 1) ? png : tga;
    Bytes b = base;
    int flips = 1 + rng() % 4;
    for (int k = 0; k < flips; ++k)
      b[rng() % b.size()] = static_cast<uint8_t>(rng());
    b.resize(rng() % (b.size() + 1));
    SImage img;
    ZRESULT r = (round & 1) ? ReadPNG(b.data(), b.size(), &img) : ReadTGA(b.data(), b.size(), &img);
    if (r == ZP_OK)
      EXPECT_EQ(img.pixels.size(), size_t(img.width) * img.height * img.components);
    else
      EXPECT_EQ(r, ZP_FAIL);
  }
}

// Three rows scaled to four: the chain counted from the bottom row doubles the bottom
// row, the one counted from the top (the Direct3D 8 textures' own) doubles the top.
TEST(ImageLevels, ScalingFromTheTopPairsRowsFromTheOtherEnd)
{
  SImage image;
  image.width = 1;
  image.height = 3;
  image.components = 1;
  image.pixels = { 10, 20, 30 }; // bottom row first
  const std::vector<SImage> bottom = MipLevels(image), top = MipLevelsFromTop(image);
  ASSERT_EQ(bottom.size(), 3u);
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(bottom[0].pixels, (std::vector<uint8_t>{ 10, 10, 20, 30 }));
  EXPECT_EQ(top[0].pixels, (std::vector<uint8_t>{ 10, 20, 30, 30 }));
  EXPECT_EQ(top[1].pixels, (std::vector<uint8_t>{ 15, 30 }));
}
