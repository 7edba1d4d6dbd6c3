// The built-in star catalogue as a person would check it: the real program looks at
// Orion, and the frame must show the constellation where the catalogue puts it, the
// right way up, with Sirius the brightest point.

#include "tests/app/e2e_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <vector>

namespace
{

constexpr int W = 800, H = 600;
constexpr double kPi = 3.141592653589793;
constexpr double kFovDeg = 45.0; // VIEW_DEG_FIELD of the built-in engine text

struct SVec
{
  double x, y, z;
};

SVec Cross(const SVec& a, const SVec& b)
{
  return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}
double Dot(const SVec& a, const SVec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
SVec Unit(const SVec& a)
{
  const double k = 1.0 / std::sqrt(Dot(a, a));
  return { a.x * k, a.y * k, a.z * k };
}

// The engine's world axes (x right, y up, z ahead): celestial north up, right
// ascension 0 ahead, growing towards the east on the left of a viewer facing south.
SVec SkyDirection(double fRaHours, double fDecDegrees)
{
  const double a = fRaHours * kPi / 12.0, d = fDecDegrees * kPi / 180.0;
  return { -std::cos(d) * std::sin(a), std::sin(d), std::cos(d) * std::cos(a) };
}

// The catalogue's direction of each named star (its first line: the brighter component).
std::map<std::string, SVec> ReadCatalogue(const std::string& path)
{
  std::map<std::string, SVec> stars;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line))
  {
    if (line.size() < 28)
      continue;
    const size_t at = line.find_first_not_of(' ', 27);
    if (at == std::string::npos || stars.count(line.substr(at)))
      continue;
    const std::string name = line.substr(at);
    const double ra = std::atof(line.substr(0, 2).c_str()) + std::atof(line.substr(3, 2).c_str()) / 60.0 +
                      std::atof(line.substr(6, 4).c_str()) / 3600.0;
    double dec = std::atof(line.substr(12, 2).c_str()) + std::atof(line.substr(15, 2).c_str()) / 60.0 +
                 std::atof(line.substr(18, 2).c_str()) / 3600.0;
    if (line[11] == '-')
      dec = -dec;
    stars[name] = SkyDirection(ra, dec);
  }
  return stars;
}

struct SPixel
{
  double x, y;
};

double Distance(const SPixel& a, const SPixel& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Where a camera looking along `ahead` with north up draws a direction, in pixels from
// the top left.
SPixel Project(const SVec& ahead, const SVec& s)
{
  const SVec right = Unit(Cross({ 0, 1, 0 }, ahead));
  const SVec up = Cross(ahead, right);
  const double f = (H / 2.0) / std::tan(kFovDeg * kPi / 360.0);
  return { W / 2.0 + f * Dot(s, right) / Dot(s, ahead), H / 2.0 - f * Dot(s, up) / Dot(s, ahead) };
}

// How white a pixel is: its weakest channel, so the software platform's cyan frame-rate
// line counts for nothing.
int Level(const SImageRGB& img, int x, int y)
{
  if (x < 0 || y < 0 || x >= int(img.width) || y >= int(img.height))
    return 0;
  const unsigned char* p = img.At(unsigned(x), unsigned(y));
  return std::min({ p[0], p[1], p[2] });
}

// The level of the empty sky: black on OpenGL, the software platform's grey.
int Background(const SImageRGB& img)
{
  std::vector<int> count(256);
  for (int y = 0; y < int(img.height); ++y)
    for (int x = 0; x < int(img.width); ++x)
      ++count[Level(img, x, y)];
  return int(std::max_element(count.begin(), count.end()) - count.begin());
}

// The centre of the brightest point within a few pixels of where a star is expected:
// the mean position of its pixels that rise at least half as far above the sky.
SPixel FindStar(const SImageRGB& img, int sky, const SPixel& expected)
{
  const int cx = int(expected.x), cy = int(expected.y);
  int bx = cx, by = cy, best = -1;
  for (int y = cy - 6; y <= cy + 6; ++y)
    for (int x = cx - 6; x <= cx + 6; ++x)
      if (Level(img, x, y) > best)
      {
        best = Level(img, x, y);
        bx = x;
        by = y;
      }
  double sx = 0, sy = 0, n = 0;
  for (int y = by - 4; y <= by + 4; ++y)
    for (int x = bx - 4; x <= bx + 4; ++x)
      if ((Level(img, x, y) - sky) * 2 >= best - sky)
      {
        sx += x + 0.5;
        sy += y + 0.5;
        n += 1;
      }
  return { sx / n, sy / n };
}

// Which side of the line a-b a point lies on.
double Side(const SPixel& a, const SPixel& b, const SPixel& p)
{
  return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

} // namespace

TEST_F(E2E, OrionFromTheBuiltInCatalogueOnBothPlatforms)
{
  auto stars = ReadCatalogue(PLANETO_CATALOG);
  for (const char* name : { "58Alp Ori", "19Bet Ori", "34Del Ori", "46Eps Ori", "50Zet Ori", "9Alp CMa" })
    ASSERT_TRUE(stars.count(name)) << name;

  // The camera faces the point a 28th of the sun's offset away (auto-rotation), so a
  // sun placed far beyond the far plane in Orion's direction turns it there with north
  // up.  Nothing moves; the bodies and the sun (which the software platform does not
  // clip at the far plane) are shrunk out of sight.
  const SVec ahead = SkyDirection(6.0, -5.0);
  const double k = 2.8e7;
  char light[200];
  std::snprintf(light, sizeof light,
                " --set=engine.LIGHT.LIGHT_1_POS_X=%.1f --set=engine.LIGHT.LIGHT_1_POS_Y=%.1f"
                " --set=engine.LIGHT.LIGHT_1_POS_Z=%.1f",
                ahead.x * k, ahead.y * k, ahead.z * k);
  const std::string sky = kSkipDialog +
                          " --seed=1 --frames=3 --set=engine.WORLD.WIDTH=800"
                          " --set=engine.WORLD.HEIGHT=600 --set=engine.TEXT.TEXT_ENABLE=0"
                          " --set=appli.CONTELLATIONS.CONTELLATIONS_ENABLE=1"
                          " --set=appli.CONTELLATIONS.READ_FROM_CATALOG=1 --set=appli.SKYBOX.SKYBOX_ENABLE=0"
                          " --set=appli.CAMERA.SPEED_FACTOR=0 --set=appli.SPHERE.SPHERE_RADIUS=0.01"
                          " --set=appli.EARTH_ATMOSPHERE.EARTH_ATMOSPHERE_ENABLE=0"
                          " --set=appli.SUN.SUN_MAIN_LENGTH=0.001" +
                          std::string(light);
  SRun r = Run("$PLANETO --platform=opengl" + sky +
               " --screenshot=opengl.png; echo opengl=$?\n"
               "$PLANETO --platform=software" +
               sky + " --screenshot=software.png; echo software=$?\n");

  for (const char* platform : { "opengl", "software" })
  {
    SCOPED_TRACE(platform);
    EXPECT_NE(r.out.find(std::string(platform) + "=0"), std::string::npos) << r.out << r.err;
    SImageRGB img;
    ASSERT_TRUE(ReadPng(m_dir + "/" + platform + ".png", &img));
    ASSERT_EQ(img.width, unsigned(W));
    if (const char* keep = std::getenv("PLANETO_SKY_PNG"))
      std::system(("cp '" + m_dir + "/" + platform + ".png' '" + keep + "." + platform + ".png'").c_str());

    const int sky = Background(img);
    std::map<std::string, SPixel> expected, seen;
    for (const auto& [name, dir] : stars)
      if (Dot(dir, ahead) > 0.8)
        expected[name] = Project(ahead, dir);
    for (const char* name : { "58Alp Ori", "19Bet Ori", "34Del Ori", "46Eps Ori", "50Zet Ori", "9Alp CMa" })
      seen[name] = FindStar(img, sky, expected[name]);
    const SPixel &betelgeuse = seen["58Alp Ori"], &rigel = seen["19Bet Ori"], &mintaka = seen["34Del Ori"],
                 &alnilam = seen["46Eps Ori"], &alnitak = seen["50Zet Ori"], &sirius = seen["9Alp CMa"];

    // The belt: three stars in a line, spaced as the catalogue gives (about 17 pixels).
    for (const auto& [from, to] :
         { std::pair<const char*, const char*>{ "34Del Ori", "46Eps Ori" }, { "46Eps Ori", "50Zet Ori" } })
    {
      const double dx = seen[to].x - seen[from].x, dy = seen[to].y - seen[from].y;
      const double ex = expected[to].x - expected[from].x, ey = expected[to].y - expected[from].y;
      EXPECT_GT(std::hypot(ex, ey), 15.0);
      EXPECT_LT(std::hypot(dx - ex, dy - ey), 1.5) << from << " to " << to;
    }
    EXPECT_LT(std::fabs(Side(mintaka, alnitak, alnilam) / Distance(mintaka, alnitak) -
                        Side(expected["34Del Ori"], expected["50Zet Ori"], expected["46Eps Ori"]) /
                            Distance(expected["34Del Ori"], expected["50Zet Ori"])),
              1.5);

    // Betelgeuse and Rigel on opposite sides of the belt, the right way up: Betelgeuse
    // upper left, Rigel lower right (image y grows downwards).
    EXPECT_LT(Side(mintaka, alnitak, betelgeuse) * Side(mintaka, alnitak, rigel), 0.0);
    EXPECT_LT(betelgeuse.x, alnilam.x);
    EXPECT_LT(betelgeuse.y, alnilam.y);
    EXPECT_GT(rigel.x, alnilam.x);
    EXPECT_GT(rigel.y, alnilam.y);

    // Sirius where the catalogue puts it, and the brightest point of the frame.
    EXPECT_LT(Distance(sirius, expected["9Alp CMa"]), 3.0);
    int peak = 0;
    SPixel brightest{ 0, 0 };
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (Level(img, x, y) > peak)
        {
          peak = Level(img, x, y);
          brightest = { x + 0.5, y + 0.5 };
        }
    EXPECT_LT(Distance(brightest, sirius), 4.0);
    for (const auto& [name, at] : seen)
    {
      if (name != "9Alp CMa")
      {
        EXPECT_LT(Level(img, int(at.x), int(at.y)), peak) << name;
      }
    }
  }
}
