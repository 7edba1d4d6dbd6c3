// The Earth now as the program runs it: a map that cannot be used ends the run before
// any window opens; the 2024 eclipse with its shadow under the camera and the clock.

#include "tests/app/e2e_fixture.h"

#include <algorithm>
#include <cmath>

TEST_F(E2E, TheEarthNowRunsFromTheCommandLine)
{
  SRun r = Run("printf 'not a picture' > notes.png\n"
               "$PLANETO --map-clouds=notes.png; echo bad=$?\n"
               "$PLANETO" +
               kSkipDialog +
               " --set=engine.WORLD.WIDTH=400 --set=engine.WORLD.HEIGHT=300 --step=1 --frames=3"
               " --time=2024-04-08T18:17:20Z --time-rate=0 --view=25.3,-104.1,3 --clock"
               " --set=appli.EARTH.EARTH_SHADOW_ENABLE=1 --set=appli.MOON.MOON_SHADOW_ENABLE=1"
               " --screenshot=eclipse.png; echo run=$?");
  ASSERT_NE(r.out.find("bad=2\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("cannot use 'notes.png' of --map-clouds: not a PNG image"), std::string::npos)
      << r.err;
  ASSERT_NE(r.out.find("run=0"), std::string::npos) << r.out << r.err;

  SImageRGB img;
  ASSERT_TRUE(ReadPng(m_dir + "/eclipse.png", &img));
  auto level = [&](unsigned x, unsigned y)
  {
    const unsigned char* p = img.At(x, y);
    return (p[0] + p[1] + p[2]) / 3.0;
  };
  auto mean = [&](double cx, double cy, double r0, double r1)
  {
    double s = 0, n = 0;
    for (unsigned y = 0; y < img.height; ++y)
      for (unsigned x = 0; x < img.width; ++x)
      {
        const double d = std::hypot(x - cx, y - cy);
        if (d >= r0 && d < r1)
        {
          s += level(x, y);
          ++n;
        }
      }
    return n ? s / n : 0.0;
  };
  // The camera stands over the point of greatest eclipse: the Moon's shadow darkens the
  // middle of the Earth's disc against the sunlit ring round it.
  EXPECT_LT(mean(200, 150, 0, 12), 0.5 * mean(200, 150, 40, 60));
  // The clock's white glyphs in the top right corner, over the black sky.
  double brightest = 0;
  for (unsigned y = 6; y < 26; ++y)
    for (unsigned x = 200; x < 392; ++x)
      brightest = std::max(brightest, level(x, y));
  EXPECT_GT(brightest, 230);
  EXPECT_NE(r.log.find("# ENDED."), std::string::npos);
}
