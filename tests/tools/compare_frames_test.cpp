// The picture check's arithmetic on pictures whose differences are known.

#include "tools/frame_compare.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace
{

SFrameImage Flat(int w, int h, uint8_t level)
{
  SFrameImage img;
  img.width = w;
  img.height = h;
  img.rgb.assign(static_cast<size_t>(w) * h * 3, level);
  return img;
}

SFrameDifference Compare(const SFrameImage& a, const SFrameImage& b)
{
  SFrameDifference d;
  std::string error;
  EXPECT_TRUE(CompareFrameImages(a, b, &d, &error)) << error;
  return d;
}

} // namespace

TEST(CompareFrames, IdenticalPicturesHaveNoDifferenceAndInfinitePsnr)
{
  const SFrameDifference d = Compare(Flat(40, 30, 77), Flat(40, 30, 77));
  EXPECT_EQ(d.iMaxChannel, 0);
  EXPECT_EQ(d.qwPixelsOver, 0u);
  EXPECT_TRUE(std::isinf(d.dPsnr));
  EXPECT_TRUE(FrameWithinTolerance(d, 40.0, 0.5));
}

// A pixel counts as off only past 8 levels; the PSNR takes every channel.
TEST(CompareFrames, OnePixelOffByNineCountsAndOneOffByEightDoesNot)
{
  const SFrameImage ref = Flat(100, 100, 100);
  SFrameImage cand = ref;
  cand.rgb[(5 * 100 + 7) * 3 + 1] = 109; // green of pixel (7, 5) up by 9
  cand.rgb[(60 * 100 + 2) * 3 + 2] = 92; // blue of pixel (2, 60) down by 8
  const SFrameDifference d = Compare(ref, cand);
  EXPECT_EQ(d.iMaxChannel, 9);
  EXPECT_EQ(d.qwPixelsOver, 1u);
  EXPECT_DOUBLE_EQ(d.dShareOver, 0.01);
  EXPECT_NEAR(d.dPsnr, 10.0 * std::log10(255.0 * 255.0 * 30000.0 / (81.0 + 64.0)), 1e-9);
}

// A uniform offset of 4 levels: 20 log10(255 / 4) = 36.09 dB, below 40 although no
// pixel is off by more than 8.
TEST(CompareFrames, UniformOffsetGivesItsKnownPsnrAndFailsOnIt)
{
  const SFrameDifference d = Compare(Flat(64, 48, 50), Flat(64, 48, 54));
  EXPECT_EQ(d.iMaxChannel, 4);
  EXPECT_EQ(d.qwPixelsOver, 0u);
  EXPECT_NEAR(d.dPsnr, 20.0 * std::log10(255.0 / 4.0), 1e-9);
  EXPECT_FALSE(FrameWithinTolerance(d, 40.0, 0.5));
}

TEST(CompareFrames, PicturesOfDifferentSizesAreRefused)
{
  SFrameDifference d;
  std::string error;
  EXPECT_FALSE(CompareFrameImages(Flat(800, 600, 0), Flat(1280, 1024, 0), &d, &error));
  EXPECT_NE(error.find("size"), std::string::npos);
}

// Screenshots are RGB; a picture with alpha reads as its colour alone, rows top first.
TEST(CompareFrames, ReadsPngRowsTopFirstAndDropsAlpha)
{
  const std::string path = "compare_frames_test_" + std::to_string(getpid()) + ".png";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, 2, 2, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_byte top[8] = { 10, 20, 30, 0, 40, 50, 60, 128 };
  png_byte bottom[8] = { 70, 80, 90, 255, 1, 2, 3, 4 };
  png_write_row(png, top);
  png_write_row(png, bottom);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);

  SFrameImage img;
  std::string error;
  const bool ok = ReadFramePng(path, &img, &error);
  std::remove(path.c_str());
  ASSERT_TRUE(ok) << error;
  ASSERT_EQ(img.width, 2);
  ASSERT_EQ(img.height, 2);
  EXPECT_EQ(img.rgb, (std::vector<uint8_t>{ 10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3 }));
}
