// The user's maps: refused with the file named when they cannot be used, shrunk to
// what the device takes, and the clouds read again when their file changes.

#include "app/scene/user_maps.h"

#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace
{

// A grey PNG of one level.
void WriteGrey(const std::string& path, unsigned w, unsigned h, uint8_t level)
{
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = PNG_FORMAT_GRAY;
  std::vector<uint8_t> pixels(size_t(w) * h, level);
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr));
}

std::string TempPath(const char* name) { return ::testing::TempDir() + "user_maps_" + name; }

} // namespace

TEST(UserMaps, AFileThatCannotBeUsedIsNamedWithItsOption)
{
  const std::string day = TempPath("day.png"), text = TempPath("notes.png");
  WriteGrey(day, 8, 4, 90);
  std::ofstream(text) << "not an image\n";

  CUserMaps maps;
  std::string error;
  ASSERT_TRUE(maps.Read(day, "", "", error)) << error;
  ASSERT_NE(maps.Get(USER_MAP_DAY), nullptr);
  EXPECT_EQ(maps.Get(USER_MAP_DAY)->width, 8);
  EXPECT_EQ(maps.Get(USER_MAP_NIGHT), nullptr);

  EXPECT_FALSE(maps.Read(day, TempPath("missing.png"), "", error));
  EXPECT_NE(error.find("missing.png' of --map-night"), std::string::npos) << error;
  EXPECT_FALSE(maps.Read("", "", text, error));
  EXPECT_NE(error.find("--map-clouds: not a PNG image"), std::string::npos) << error;
  std::remove(day.c_str());
  std::remove(text.c_str());
}

TEST(UserMaps, LargeMapsAreHalvedUntilTheyFit)
{
  SImage image;
  image.width = 16;
  image.height = 8;
  image.components = 1;
  image.pixels.resize(16 * 8);
  for (size_t i = 0; i < image.pixels.size(); ++i)
    image.pixels[i] = (i % 16) < 8 ? 0 : 200; // left half black, right half light
  EXPECT_FALSE(FitImage(&image, 16));
  ASSERT_TRUE(FitImage(&image, 5));
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.pixels[0], 0);
  EXPECT_EQ(image.pixels[3], 200);
  EXPECT_EQ(ScaledMapMessage("c.png", 16, 8, image),
            "# Map \"c.png\" (16x8) scaled down to 4x2, the largest texture of this device.\n");
}

TEST(UserMaps, ACloudsFileThatChangesIsReadAgain)
{
  const std::string clouds = TempPath("clouds.png");
  WriteGrey(clouds, 4, 4, 10);
  CUserMaps maps;
  std::string error;
  ASSERT_TRUE(maps.Read("", "", clouds, error)) << error;
  maps.StartWatch(10, 4);

  std::vector<SImage> fresh;
  bool bScaled = false;
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_FALSE(maps.TakeFreshClouds(&fresh, &bScaled)) << "nothing changed yet";

  // Written beside it and moved into place, as a download job would.
  std::this_thread::sleep_for(std::chrono::milliseconds(20)); // a new file time
  WriteGrey(clouds + ".part", 6, 4, 240);
  std::error_code ec;
  std::filesystem::rename(clouds + ".part", clouds, ec);
  ASSERT_FALSE(ec) << ec.message();
  bool bGot = false;
  for (int i = 0; i < 300 && !bGot; ++i)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    bGot = maps.TakeFreshClouds(&fresh, &bScaled);
  }
  ASSERT_TRUE(bGot);
  // Halved to fit 4 pixels a side (3 x 2), brought to powers of two (4 x 2), then the
  // levels down to one pixel.
  EXPECT_TRUE(bScaled);
  ASSERT_EQ(fresh.size(), 3u);
  EXPECT_EQ(fresh[0].width, 4);
  EXPECT_EQ(fresh[0].height, 2);
  EXPECT_EQ(fresh[2].width, 1);
  EXPECT_EQ(fresh[2].height, 1);
  EXPECT_EQ(fresh[2].pixels[0], 240);
  EXPECT_FALSE(maps.TakeFreshClouds(&fresh, &bScaled)) << "handed over once";
  maps.StopWatch();
  std::remove(clouds.c_str());
}
