// Plotting rules of the software rasterizer, checked pixel by pixel on a memory bitmap.

#include "sdk/os/bitmap.h"
#include "sdk/software/soft_raster.h"

#include <gtest/gtest.h>

#include <limits>

using namespace zos;

namespace
{

constexpr uint32_t BLANK = 0xFF101010;

class SoftRasterTest : public ::testing::Test
{
protected:
  void SetUp() override { Resize(10, 8); }

  void Resize(uint16_t w, uint16_t h)
  {
    ASSERT_TRUE(bitmap.Create(w, h));
    bitmap.Fill(BLANK);
    ASSERT_EQ(ZP_OK, raster.Init(w, h));
    raster.SetTarget(&bitmap);
  }

  // Pixels of the bitmap that differ from the blank fill.
  int CountDrawn() const
  {
    int n = 0;
    for (uint32_t y = 0; y < bitmap.GetHeight(); ++y)
      for (uint32_t x = 0; x < bitmap.GetWidth(); ++x)
        n += bitmap.GetPixel(int(x), int(y)) != BLANK;
    return n;
  }

  float Depth(int x, int y) const { return raster.GetDepthBuffer()[x + raster.GetWidth() * y]; }

  CBitmap bitmap;
  CSoftRaster raster;
};

TEST_F(SoftRasterTest, InitAllocatesClearedDepthAndReleaseClearsSizes)
{
  EXPECT_EQ(10u, raster.GetWidth());
  EXPECT_EQ(8u, raster.GetHeight());
  EXPECT_EQ(80u, raster.GetPixelCount());
  for (uint32_t i = 0; i < raster.GetPixelCount(); ++i)
    ASSERT_EQ(0.0f, raster.GetDepthBuffer()[i]);
  EXPECT_EQ(ZP_OK, raster.Release());
  EXPECT_EQ(0u, raster.GetWidth());
  EXPECT_EQ(0u, raster.GetHeight());
  EXPECT_EQ(nullptr, raster.GetDepthBuffer());
  // Nothing is plotted once released.
  raster.Line({ 0, 0, 1 }, 0xFFFFFFFF, { 5, 0, 1 }, 0xFFFFFFFF);
  EXPECT_EQ(0, CountDrawn());
}

TEST_F(SoftRasterTest, AlphaZeroColourIsScaledAndMadeOpaque)
{
  EXPECT_EQ(0xFFFE7F00u, CSoftRaster::PlotColor(0x00FF8000)); // red 254, green 127, blue 0
  EXPECT_EQ(0xFFFF8000u, CSoftRaster::PlotColor(0x80FF8000)); // other alphas: as stored
  EXPECT_EQ(0xFF000000u, CSoftRaster::PlotColor(0x00000000));
  raster.Plot(2, 3, 0.5f, 0x00FF8000);
  EXPECT_EQ(0xFFFE7F00u, bitmap.GetPixel(2, 3));
}

TEST_F(SoftRasterTest, PlotKeepsTheFarthestDepth)
{
  raster.Plot(4, 4, 0.5f, 0xFFFF0000);
  EXPECT_EQ(0xFFFF0000u, bitmap.GetPixel(4, 4));
  raster.Plot(4, 4, 0.4f, 0xFF00FF00); // nearer: rejected
  EXPECT_EQ(0xFFFF0000u, bitmap.GetPixel(4, 4));
  EXPECT_EQ(0.5f, Depth(4, 4));
  raster.Plot(4, 4, 0.5f, 0xFF0000FF); // equal: drawn
  EXPECT_EQ(0xFF0000FFu, bitmap.GetPixel(4, 4));
  raster.Plot(4, 4, 0.9f, 0xFF00FF00); // farther: drawn, depth kept
  EXPECT_EQ(0xFF00FF00u, bitmap.GetPixel(4, 4));
  EXPECT_EQ(0.9f, Depth(4, 4));
  raster.Plot(5, 5, -0.1f, 0xFF00FF00); // in front of the cleared buffer: never drawn
  EXPECT_EQ(BLANK, bitmap.GetPixel(5, 5));

  raster.ClearDepth();
  raster.Plot(4, 4, 0.1f, 0xFFFFFFFF);
  EXPECT_EQ(0xFFFFFFFFu, bitmap.GetPixel(4, 4));
}

TEST_F(SoftRasterTest, PlotOutsideThePictureIsSkipped)
{
  raster.Plot(-1, 0, 1, 0xFFFFFFFF);
  raster.Plot(0, -1, 1, 0xFFFFFFFF);
  raster.Plot(10, 0, 1, 0xFFFFFFFF);
  raster.Plot(0, 8, 1, 0xFFFFFFFF);
  raster.Plot(0x8000, 0, 1, 0xFFFFFFFF); // negative as a 16-bit value
  EXPECT_EQ(0, CountDrawn());
  raster.Plot(9, 7, 1, 0xFFFFFFFF);
  EXPECT_EQ(1, CountDrawn());
}

TEST_F(SoftRasterTest, HorizontalLineTruncatesEndsAndInterpolatesColour)
{
  // (1.7, 2.2) to (5.9, 2.9): x 1..5 on row 2; blue 0 -> 255 in steps of 63.75.
  raster.Line({ 1.7f, 2.2f, 0.5f }, 0xFF000000, { 5.9f, 2.9f, 0.5f }, 0xFF0000FF);
  EXPECT_EQ(5, CountDrawn());
  EXPECT_EQ(0xFF000000u, bitmap.GetPixel(1, 2));
  EXPECT_EQ(0xFF00003Fu, bitmap.GetPixel(2, 2)); // 63
  EXPECT_EQ(0xFF00007Fu, bitmap.GetPixel(3, 2)); // 127
  EXPECT_EQ(0xFF0000BFu, bitmap.GetPixel(4, 2)); // 191
  EXPECT_EQ(0xFF0000FFu, bitmap.GetPixel(5, 2));
}

TEST_F(SoftRasterTest, LineDepthIsInterpolatedAlongTheMajorAxis)
{
  raster.Line({ 0, 0, 0.0f }, 0xFFFFFFFF, { 4, 0, 1.0f }, 0xFFFFFFFF);
  EXPECT_FLOAT_EQ(0.0f, Depth(0, 0));
  EXPECT_FLOAT_EQ(0.25f, Depth(1, 0));
  EXPECT_FLOAT_EQ(0.5f, Depth(2, 0));
  EXPECT_FLOAT_EQ(0.75f, Depth(3, 0));
  EXPECT_FLOAT_EQ(1.0f, Depth(4, 0));
  // A nearer line through the same pixels leaves them alone.
  raster.Line({ 0, 0, -0.5f }, 0xFFFF0000, { 4, 0, 0.5f }, 0xFFFF0000);
  EXPECT_EQ(0xFFFFFFFFu, bitmap.GetPixel(3, 0));
}

TEST_F(SoftRasterTest, MinorCoordinateIsTruncatedFromTheStart)
{
  // (0, 3) to (4, 0): y = trunc(3 - 0.75 k) = 3, 2, 1, 0, 0.
  raster.Line({ 0, 3, 1 }, 0xFFFFFFFF, { 4, 0, 1 }, 0xFFFFFFFF);
  EXPECT_EQ(5, CountDrawn());
  EXPECT_NE(BLANK, bitmap.GetPixel(0, 3));
  EXPECT_NE(BLANK, bitmap.GetPixel(1, 2));
  EXPECT_NE(BLANK, bitmap.GetPixel(2, 1));
  EXPECT_NE(BLANK, bitmap.GetPixel(3, 0));
  EXPECT_NE(BLANK, bitmap.GetPixel(4, 0));
}

TEST_F(SoftRasterTest, SteepLineWalksYAndReversedDirectionsWork)
{
  // Vertical: dx = 0, drawn by the y branch, from y 5 down to 1.
  raster.Line({ 3, 5, 1 }, 0xFFFF0000, { 3, 1, 1 }, 0xFF0000FF);
  EXPECT_EQ(5, CountDrawn());
  EXPECT_EQ(0xFFFF0000u, bitmap.GetPixel(3, 5));
  EXPECT_EQ(0xFF0000FFu, bitmap.GetPixel(3, 1));
  EXPECT_EQ(0xFF7F007Fu, bitmap.GetPixel(3, 3)); // half way: 127.5 truncated

  // Steep with a slope: (6, 0) to (8, 4): x = trunc(6 + k / 2) = 6, 6, 7, 7, 8.
  bitmap.Fill(BLANK);
  raster.ClearDepth();
  raster.Line({ 6, 0, 1 }, 0xFFFFFFFF, { 8, 4, 1 }, 0xFFFFFFFF);
  EXPECT_EQ(5, CountDrawn());
  EXPECT_NE(BLANK, bitmap.GetPixel(6, 0));
  EXPECT_NE(BLANK, bitmap.GetPixel(6, 1));
  EXPECT_NE(BLANK, bitmap.GetPixel(7, 2));
  EXPECT_NE(BLANK, bitmap.GetPixel(7, 3));
  EXPECT_NE(BLANK, bitmap.GetPixel(8, 4));
}

TEST_F(SoftRasterTest, SinglePointLineDrawsNothing)
{
  raster.Line({ 3.2f, 3.9f, 1 }, 0xFFFFFFFF, { 3.8f, 3.1f, 1 }, 0xFFFFFFFF);
  EXPECT_EQ(0, CountDrawn());
}

TEST_F(SoftRasterTest, EndPointsOutsideAreClampedOntoTheBorder)
{
  // Across the whole width: clamped to x 0..10; x = 10 is on the border, not drawn.
  raster.Line({ -50, 3, 1 }, 0xFFFFFFFF, { 70, 3, 1 }, 0xFFFFFFFF);
  EXPECT_EQ(10, CountDrawn());
  for (int x = 0; x < 10; ++x)
    EXPECT_NE(BLANK, bitmap.GetPixel(x, 3)) << x;

  // A line below the picture lands on the bottom border (y = 8) and is not plotted.
  bitmap.Fill(BLANK);
  raster.ClearDepth();
  raster.Line({ 1, 20, 1 }, 0xFFFFFFFF, { 8, 30, 1 }, 0xFFFFFFFF);
  EXPECT_EQ(0, CountDrawn());

  // A line from above the picture runs down its left edge instead of being cut off.
  raster.Line({ -5, -5, 1 }, 0xFFFFFFFF, { -1, 6, 1 }, 0xFFFFFFFF);
  EXPECT_EQ(7, CountDrawn()); // (0, 0) .. (0, 6)
  EXPECT_NE(BLANK, bitmap.GetPixel(0, 0));
  EXPECT_NE(BLANK, bitmap.GetPixel(0, 6));
}

TEST_F(SoftRasterTest, NaNEndPointsDrawNothing)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  raster.Line({ nan, 1, 1 }, 0xFFFFFFFF, { 5, 1, 1 }, 0xFFFFFFFF);
  EXPECT_EQ(0, CountDrawn());
}

TEST_F(SoftRasterTest, InterpolatedAlphaZeroEndUsesTheAlphaRule)
{
  // Alpha 0 -> 255 over three steps: the first pixel has alpha 0 (black stays black),
  // the next ones are 85 and 170 grey, the last white.
  raster.Line({ 0, 1, 1 }, 0x00000000, { 3, 1, 1 }, 0xFFFFFFFF);
  EXPECT_EQ(0xFF000000u, bitmap.GetPixel(0, 1));
  EXPECT_EQ(0xFF555555u, bitmap.GetPixel(1, 1));
  EXPECT_EQ(0xFFAAAAAAu, bitmap.GetPixel(2, 1));
  EXPECT_EQ(0xFFFFFFFFu, bitmap.GetPixel(3, 1));
  // A line whose colour keeps alpha 0 all the way: every pixel scaled by 255/256.
  raster.Line({ 0, 2, 1 }, 0x00FF8000, { 4, 2, 1 }, 0x00FF8000);
  for (int x = 0; x <= 4; ++x)
    EXPECT_EQ(0xFFFE7F00u, bitmap.GetPixel(x, 2)) << x;
}

TEST_F(SoftRasterTest, TriangleDrawsItsThreeEdges)
{
  raster.Triangle({ 1, 1, 1 }, 0xFFFFFFFF, { 6, 1, 1 }, 0xFFFFFFFF, { 1, 6, 1 }, 0xFFFFFFFF);
  EXPECT_NE(BLANK, bitmap.GetPixel(3, 1)); // A-B
  EXPECT_NE(BLANK, bitmap.GetPixel(1, 4)); // A-C
  EXPECT_NE(BLANK, bitmap.GetPixel(3, 4)); // B-C: x = trunc(6 - k), y = 1 + k
  EXPECT_EQ(BLANK, bitmap.GetPixel(2, 2)); // inside stays empty
}

TEST(SoftRasterColour, FaceFactorFollowsTheLightDirection)
{
  const SVector3 p0 = { 0, 0, 0 }, p1 = { 1, 0, 0 }, p2 = { 0, 1, 0 }; // normal (0, 0, 1)
  const SVector3 origin = { 0, 0, 0 };
  EXPECT_FLOAT_EQ(1.0f, CSoftRaster::FaceFactor(p0, p1, p2, origin, { 0, 0, 10 }));
  EXPECT_FLOAT_EQ(0.0f, CSoftRaster::FaceFactor(p0, p1, p2, origin, { 0, 0, -10 }));
  EXPECT_NEAR(0.70710678f, CSoftRaster::FaceFactor(p0, p1, p2, origin, { 0, 10, 10 }), 1e-6);
  // The object's position, not the face's, sets the light direction.
  EXPECT_FLOAT_EQ(1.0f, CSoftRaster::FaceFactor(p0, p1, p2, { 5, 5, 0 }, { 5, 5, 10 }));
  // Degenerate face: unlit rather than NaN.
  EXPECT_EQ(0.0f, CSoftRaster::FaceFactor(p0, p0, p2, origin, { 0, 0, 10 }));

  EXPECT_EQ(0xFF5A2DB4u, CSoftRaster::ScaleColor(0xFF8040FF, 0.70710678f)); // 90, 45, 180
  EXPECT_EQ(0x12000000u, CSoftRaster::ScaleColor(0x12FFFFFF, 0.0f));
}

TEST(SoftRasterColour, FogBlendsTowardsTheFogColour)
{
  // z = -1/2048: -1/z = 2048, start 1024, end 3072: f = 0.5.
  const float z = -1.0f / 2048.0f;
  EXPECT_EQ(0xFF643232u, CSoftRaster::FogColor(0xFFC86400, z, 1024, 3072, 0xFF000064));
  // Beyond the end: the fog colour; alpha is kept.
  EXPECT_EQ(0x40000064u, CSoftRaster::FogColor(0x40C86400, -1.0f / 8192, 1024, 3072, 0xFF000064));
  // Depths of 0..1 give -1/z <= -1, before the start: no fog.
  EXPECT_EQ(0xFFC86400u, CSoftRaster::FogColor(0xFFC86400, 0.9f, 1024, 3072, 0xFF000064));
}

TEST_F(SoftRasterTest, PointDrawsACentredSquare)
{
  Resize(20, 20);
  raster.Point(10, 10, 0.5f, 3.0f, 0xFFFAFAFA);
  EXPECT_EQ(9, CountDrawn());
  EXPECT_EQ(0xFFFAFAFAu, bitmap.GetPixel(9, 9));
  EXPECT_EQ(0xFFFAFAFAu, bitmap.GetPixel(11, 11));
  raster.Point(2, 2, 0.5f, 0.2f, 0xFFFFFFFF); // below one pixel: one pixel
  EXPECT_EQ(10, CountDrawn());
  raster.Point(1e9f, 5, 0.5f, 3.0f, 0xFFFFFFFF); // far away: nothing, no wrap-around
  EXPECT_EQ(10, CountDrawn());
}

TEST_F(SoftRasterTest, TargetOfAnotherWidthIsNotDrawnInto)
{
  CBitmap other;
  ASSERT_TRUE(other.Create(12, 8));
  raster.SetTarget(&other);
  raster.Plot(1, 1, 1, 0xFFFFFFFF);
  EXPECT_EQ(0u, other.GetPixel(1, 1));
  raster.SetTarget(nullptr);
  raster.Plot(1, 1, 1, 0xFFFFFFFF);
  EXPECT_EQ(0, CountDrawn());
}

} // namespace

namespace
{

TEST(Bitmap, FillsClipAndTextStaysInTheTopLeftCorner)
{
  CBitmap b;
  EXPECT_FALSE(b.Create(0, 5));
  EXPECT_FALSE(b.IsValid());
  ASSERT_TRUE(b.Create(40, 30));
  EXPECT_EQ(0u, b.GetPixel(0, 0)); // starts black (zero)
  b.Fill(0xFF787878);
  b.FillRect(-5, -5, 3, 2, 0xFF0000FF); // clipped to (0, 0) .. (2, 1)
  EXPECT_EQ(0xFF0000FFu, b.GetPixel(2, 1));
  EXPECT_EQ(0xFF787878u, b.GetPixel(3, 1));
  EXPECT_EQ(0u, b.GetPixel(40, 0)); // outside reads 0
  b.SetPixel(-1, 0, 0xFFFFFFFF);    // outside writes nothing

  b.Fill(0xFF787878);
  // Two lines of text: "1\n\xE9" draws '1' then, on the next line, '?' for the
  // character outside printable ASCII.
  EXPECT_EQ(CBitmap::CELL_WIDTH, b.DrawText("1\n\xE9", 0xFF00FFFF, 0xFF787878));
  int first = 0, second = 0, elsewhere = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
    {
      if (b.GetPixel(x, y) != 0xFF00FFFFu)
        continue;
      if (x < CBitmap::CELL_WIDTH && y < CBitmap::CELL_HEIGHT)
        ++first;
      else if (x < CBitmap::CELL_WIDTH && y < 2 * CBitmap::CELL_HEIGHT)
        ++second;
      else
        ++elsewhere;
    }
  EXPECT_EQ(10, first); // the glyph '1' has ten lit pixels
  EXPECT_GT(second, 0);
  EXPECT_EQ(0, elsewhere);
  // Doubled: each glyph pixel becomes a 2 x 2 block.
  b.Fill(0xFF787878);
  EXPECT_EQ(2 * CBitmap::CELL_WIDTH, b.DrawText("1", 0xFF00FFFF, 0xFF787878, 2));
  int doubled = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      doubled += b.GetPixel(x, y) == 0xFF00FFFFu;
  EXPECT_EQ(40, doubled);
}

} // namespace
