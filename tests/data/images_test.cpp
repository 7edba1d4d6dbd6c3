// The built-in images: the table the textures are looked up in, and what each image
// must hold for the scene to look right.

#include "data/embedded.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

struct Decoded
{
  bool ok = false;
  uint32_t w = 0, h = 0;
  int colorType = -1, bitDepth = 0, interlace = -1, channels = 0;
  std::vector<uint8_t> px; // top row first, as stored

  const uint8_t* at(uint32_t x, uint32_t y) const { return &px[(size_t(y) * w + x) * channels]; }
  int alpha(uint32_t x, uint32_t y) const { return at(x, y)[channels - 1]; }
};

struct Source
{
  const unsigned char* data;
  size_t size, pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n)
{
  auto* src = static_cast<Source*>(png_get_io_ptr(png));
  if (src->pos + n > src->size)
    png_error(png, "read past the end");
  std::memcpy(out, src->data + src->pos, n);
  src->pos += n;
}

// Decodes without any transform, so the header read is the file's own.
Decoded Decode(const SEmbeddedFile& file)
{
  Decoded d;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  Source src{ file.data, file.size, 0 };
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_read_struct(&png, &info, nullptr);
    d.ok = false;
    return d;
  }
  png_set_read_fn(png, &src, ReadFromMemory);
  png_read_info(png, info);
  d.w = png_get_image_width(png, info);
  d.h = png_get_image_height(png, info);
  d.colorType = png_get_color_type(png, info);
  d.bitDepth = png_get_bit_depth(png, info);
  d.interlace = png_get_interlace_type(png, info);
  d.channels = png_get_channels(png, info);
  size_t stride = png_get_rowbytes(png, info);
  d.px.resize(stride * d.h);
  for (uint32_t y = 0; y < d.h; ++y)
    rows.push_back(&d.px[y * stride]);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  d.ok = true;
  return d;
}

struct Expected
{
  const char* name;
  uint32_t w, h;
  int colorType;
};

constexpr unsigned kImageCount = 20;

const Expected kTable[kImageCount] = {
  { "earthday.png", 1024, 512, PNG_COLOR_TYPE_RGB_ALPHA },
  { "earthnight.png", 1024, 512, PNG_COLOR_TYPE_RGB },
  { "earthclouds.png", 1024, 512, PNG_COLOR_TYPE_RGB_ALPHA },
  { "moon.png", 720, 360, PNG_COLOR_TYPE_RGB },
  { "atmosphere.png", 128, 128, PNG_COLOR_TYPE_RGB_ALPHA },
  { "difraction.png", 256, 256, PNG_COLOR_TYPE_RGB_ALPHA },
  { "univer.png", 512, 512, PNG_COLOR_TYPE_RGB },
  { "sun.png", 128, 128, PNG_COLOR_TYPE_RGB_ALPHA },
  { "sun2.png", 256, 256, PNG_COLOR_TYPE_RGB_ALPHA },
  { "sun3.png", 256, 256, PNG_COLOR_TYPE_RGB_ALPHA },
  { "sun4.png", 337, 319, PNG_COLOR_TYPE_RGB_ALPHA },
  { "font.png", 256, 256, PNG_COLOR_TYPE_RGB_ALPHA },
  { "sun5.png", 128, 128, PNG_COLOR_TYPE_GRAY_ALPHA },
  { "sun6.png", 256, 256, PNG_COLOR_TYPE_RGB_ALPHA },
  { "sun7.png", 256, 256, PNG_COLOR_TYPE_RGB_ALPHA },
  { "flare0.png", 128, 128, PNG_COLOR_TYPE_RGB_ALPHA },
  { "flare1.png", 128, 128, PNG_COLOR_TYPE_RGB_ALPHA },
  { "flare2.png", 128, 128, PNG_COLOR_TYPE_RGB_ALPHA },
  { "flare3.png", 128, 128, PNG_COLOR_TYPE_RGB_ALPHA },
  { "flare4.png", 128, 128, PNG_COLOR_TYPE_RGB_ALPHA },
};

class BuiltInImages : public ::testing::Test
{
protected:
  static void SetUpTestSuite()
  {
    unsigned n = 0;
    const SEmbeddedFile* files = GetEmbeddedImages(&n);
    s_images = new std::vector<Decoded>();
    for (unsigned i = 0; i < n; ++i)
      s_images->push_back(Decode(files[i]));
  }
  static void TearDownTestSuite()
  {
    delete s_images;
    s_images = nullptr;
  }
  static const Decoded& Image(const char* name)
  {
    for (unsigned i = 0; i < kImageCount; ++i)
      if (std::strcmp(kTable[i].name, name) == 0)
        return (*s_images)[i];
    std::abort();
  }
  static std::vector<Decoded>* s_images;
};

std::vector<Decoded>* BuiltInImages::s_images = nullptr;

// Share of pixels for which `pred` holds.
template <class Pred> double Share(const Decoded& d, Pred pred)
{
  size_t hits = 0;
  for (uint32_t y = 0; y < d.h; ++y)
    for (uint32_t x = 0; x < d.w; ++x)
      if (pred(d.at(x, y)))
        ++hits;
  return double(hits) / (double(d.w) * d.h);
}

TEST_F(BuiltInImages, TableHasTheImagesInOrderWithTheirFormats)
{
  unsigned n = 0;
  const SEmbeddedFile* files = GetEmbeddedImages(&n);
  ASSERT_EQ(n, kImageCount);
  for (unsigned i = 0; i < n; ++i)
  {
    SCOPED_TRACE(kTable[i].name);
    EXPECT_STREQ(files[i].name, kTable[i].name);
    const Decoded& d = (*s_images)[i];
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.w, kTable[i].w);
    EXPECT_EQ(d.h, kTable[i].h);
    EXPECT_EQ(d.colorType, kTable[i].colorType);
    EXPECT_EQ(d.bitDepth, 8);
    EXPECT_EQ(d.interlace, PNG_INTERLACE_NONE);
  }
}

TEST_F(BuiltInImages, EarthDayHasOceanAndLandWithWaterMarkedInAlpha)
{
  const Decoded& d = Image("earthday.png");
  auto ocean = [](const uint8_t* p) { return p[2] > p[0] + 25 && p[2] > p[1] + 10 && p[0] < 80; };
  auto land = [](const uint8_t* p) { return p[1] > p[2] + 10 || p[0] > p[2] + 30; };
  EXPECT_GT(Share(d, ocean), 0.4);
  EXPECT_GT(Share(d, land), 0.1);

  double oceanAlpha = 0, landAlpha = 0;
  size_t oceanN = 0, landN = 0;
  int maxAlpha = 0;
  for (uint32_t y = 0; y < d.h; ++y)
    for (uint32_t x = 0; x < d.w; ++x)
    {
      const uint8_t* p = d.at(x, y);
      maxAlpha = std::max<int>(maxAlpha, p[3]);
      if (ocean(p))
      {
        oceanAlpha += p[3];
        ++oceanN;
      }
      if (land(p))
      {
        landAlpha += p[3];
        ++landN;
      }
    }
  EXPECT_GT(oceanAlpha / oceanN, 40.0);
  EXPECT_LT(landAlpha / landN, 5.0);
  // The second Earth pass draws the day map unlit with this alpha: it must stay low.
  EXPECT_LE(maxAlpha, 80);
}

TEST_F(BuiltInImages, NightMapIsDarkWithCityLights)
{
  const Decoded& d = Image("earthnight.png");
  EXPECT_GT(Share(d, [](const uint8_t* p) { return p[0] + p[1] + p[2] < 60; }), 0.85);
  EXPECT_GT(Share(d, [](const uint8_t* p) { return p[0] > 120 && p[1] > 100; }), 0.001);
}

TEST_F(BuiltInImages, CloudsAreWhiteWithAlphaThatClosesAroundTheGlobe)
{
  const Decoded& d = Image("earthclouds.png");
  EXPECT_EQ(Share(d, [](const uint8_t* p) { return p[0] == 255 && p[1] == 255 && p[2] == 255; }), 1.0);
  double thick = Share(d, [](const uint8_t* p) { return p[3] > 200; });
  double clear = Share(d, [](const uint8_t* p) { return p[3] < 20; });
  EXPECT_GT(thick, 0.1);
  EXPECT_GT(clear, 0.15);
  // The map wraps at longitude 0: the first and last columns nearly agree.
  double diff = 0;
  for (uint32_t y = 0; y < d.h; ++y)
    diff += std::abs(d.alpha(0, y) - d.alpha(d.w - 1, y));
  EXPECT_LT(diff / d.h, 12.0);
}

TEST_F(BuiltInImages, MoonIsGreyWithRelief)
{
  const Decoded& d = Image("moon.png");
  double sum = 0, sum2 = 0, chroma = 0;
  for (uint32_t y = 0; y < d.h; ++y)
    for (uint32_t x = 0; x < d.w; ++x)
    {
      const uint8_t* p = d.at(x, y);
      sum += p[1];
      sum2 += double(p[1]) * p[1];
      chroma += std::abs(p[0] - p[2]);
    }
  double n = double(d.w) * d.h, mean = sum / n;
  EXPECT_GT(mean, 50.0);
  EXPECT_GT(std::sqrt(sum2 / n - mean * mean), 10.0);
  EXPECT_LT(chroma / n, 12.0);
}

TEST_F(BuiltInImages, SkyIsDarkWithStars)
{
  const Decoded& d = Image("univer.png");
  EXPECT_GT(Share(d, [](const uint8_t* p) { return p[0] + p[1] + p[2] < 60; }), 0.9);
  EXPECT_GT(Share(d, [](const uint8_t* p) { return p[0] > 180 || p[1] > 180 || p[2] > 180; }), 0.001);
}

TEST_F(BuiltInImages, SpritesFadeToTransparentEdges)
{
  for (const char* name : { "sun.png", "sun2.png", "sun3.png", "sun4.png", "sun5.png", "sun6.png", "sun7.png",
                            "flare0.png", "flare1.png", "flare2.png", "flare3.png", "flare4.png",
                            "difraction.png" })
  {
    SCOPED_TRACE(name);
    const Decoded& d = Image(name);
    uint32_t r = d.w - 1, b = d.h - 1;
    EXPECT_EQ(d.alpha(0, 0) + d.alpha(r, 0) + d.alpha(0, b) + d.alpha(r, b), 0);
    EXPECT_EQ(d.alpha(0, d.h / 2) + d.alpha(r, d.h / 2) + d.alpha(d.w / 2, 0) + d.alpha(d.w / 2, b), 0);
  }
  // Discs, the mask, the rays' core and the halo are opaque at the centre.
  for (const char* name : { "sun.png", "sun2.png", "sun4.png", "sun5.png", "sun6.png", "flare0.png" })
  {
    const Decoded& d = Image(name);
    EXPECT_GT(d.alpha(d.w / 2, d.h / 2), 200) << name;
  }
  // The sun discs are bright and warm.
  for (const char* name : { "sun2.png", "sun6.png" })
  {
    const uint8_t* p = Image(name).at(128, 128);
    EXPECT_GT(p[0] + p[1] + p[2], 700) << name;
    EXPECT_GE(p[0], p[2]) << name;
  }
  // The second disc layer is mostly see-through over the disc.
  EXPECT_LT(Image("sun7.png").alpha(128, 128), 128);
}

// The lens ghosts, seen along a line through the centre: a disc is even out to its
// edge, a ring is clear inside its bright band, the halo is faint all over, and the
// hexagon reaches further towards its corners (left and right) than across its flats.
TEST_F(BuiltInImages, LensGhostsHaveTheirShapes)
{
  auto row = [](const Decoded& d, int x) { return d.alpha(x, d.h / 2); };
  const Decoded& disc = Image("flare1.png");
  EXPECT_NEAR(row(disc, 64), row(disc, 64 + 30), 25);
  EXPECT_GT(row(disc, 64), 60);
  EXPECT_EQ(row(disc, 64 + 50), 0);
  const Decoded& ring = Image("flare2.png");
  EXPECT_GT(row(ring, 64 + 42), 150);
  EXPECT_LT(row(ring, 64), 30);
  const Decoded& halo = Image("flare3.png");
  for (uint32_t x = 0; x < halo.w; ++x)
    EXPECT_LT(row(halo, x), 100) << x;
  const Decoded& hex = Image("flare4.png");
  EXPECT_GT(hex.alpha(64 + 44, 64), 60); // towards a corner
  EXPECT_EQ(hex.alpha(64, 64 + 44), 0);  // past a flat side
}

TEST_F(BuiltInImages, DifractionGlowSitsOnTheSunwardLimb)
{
  const Decoded& d = Image("difraction.png");
  // The planet's limb is at 0.6 of the half-size; the u = 0 edge faces the sun.
  uint32_t limb = uint32_t(128 + 0.6 * 128);
  EXPECT_GT(d.alpha(256 - limb, 128), 200);
  EXPECT_LT(d.alpha(limb, 128), 10);
  EXPECT_LT(d.alpha(128, 128), 10);
}

TEST_F(BuiltInImages, AtmosphereHazeGrowsTowardsTheRim)
{
  const Decoded& d = Image("atmosphere.png");
  EXPECT_LT(d.alpha(64, 64), 10);
  EXPECT_GT(d.alpha(1, 64), 180);
  EXPECT_GT(d.alpha(64, 1), 180);
  EXPECT_LT(d.alpha(32, 64), d.alpha(8, 64));
}

TEST_F(BuiltInImages, FontHasWhiteGlyphsInTheAsciiGrid)
{
  const Decoded& d = Image("font.png");
  EXPECT_EQ(Share(d, [](const uint8_t* p) { return p[0] == 255 && p[1] == 255 && p[2] == 255; }), 1.0);
  auto inked = [&d](int code)
  {
    int n = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        if (d.alpha((code % 16) * 16 + x, (code / 16) * 16 + y) > 128)
          ++n;
    return n;
  };
  for (int c = 33; c < 127; ++c)
    EXPECT_GT(inked(c), 0) << "code " << c;
  EXPECT_EQ(inked(' '), 0);
  EXPECT_EQ(inked(200), 0);
  // The font settings put '#' in the first cell.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(d.alpha(x, y), d.alpha(3 * 16 + x, 2 * 16 + y));
  // 'i' and 'W' differ in width: real glyphs, not one block.
  EXPECT_GT(inked('W'), inked('i') + 10);
}

} // namespace
