// The Earth now on the real OpenGL device, against published values: the subsolar
// points of the 2024 March equinox (03:06 UTC, 0.0 N 135.35 E) and June solstice
// (20:51 UTC, 23.44 N 132.30 W, both from the USNO's times of the seasons and the
// almanac's subsolar points), the Moon's phases at the new Moon of 2024-04-08 18:21 and
// the full Moon of 2024-04-23 23:49, the total solar eclipse of 2024-04-08 (greatest at
// 18:17:20 UTC, 25.3 N 104.1 W, NASA), the total lunar eclipse of 2025-03-14 (06:59
// UTC) and Polaris (RA 2h 31m 49s, Dec +89 15' 51", J2000) on the Earth's axis.

#include "earth_now_checks.h"
#include "gl_scene.h"

#include "app/scene/constellations.h"
#include "app/scene/text_overlay.h"
#include "app/scene/user_maps.h"

#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr int W = 400, H = 300;
using namespace scenetest;

// The level of the lit Earth along a line through the disc's centre (unit direction
// (dx, dy) on the screen), taken back to the Earth: each pixel's angle from the point
// under the camera, from where the camera stands (fDistance Earth radii out) and its
// field of view.  The lit side's level grows with the sine of the angle from the
// terminator until it saturates; where its straight part, extended, meets the night's
// level is the terminator.  Answers its angle from the point under the camera
// (degrees, signed along the line) and the night's and the day's levels.
struct SProfile
{
  double dDegrees, dNight, dDay;
};
SProfile Terminator(const CGLScene& g, const SDisc& d, double dx, double dy, double dDistance)
{
  const double f = 0.5 * g.Height() / std::tan(g.world.GetSettings()->fFov * PI / 360.0);
  std::vector<double> sines, v;
  // Whole pixels along the line (the line is a row or a column), each at its centre.
  const int iFirst = int(std::ceil(-0.97 * d.r)), iLast = int(std::floor(0.97 * d.r));
  for (int i = iFirst; i <= iLast; ++i)
  {
    const int x = int(std::floor(d.x + dx * i)), y = int(std::floor(d.y + dy * i));
    const double s = dx * (x + 0.5 - d.x) + dy * (y + 0.5 - d.y);
    // The ray through the pixel meets the sphere (radius 1) at t from the camera.
    const double gamma = std::atan(s / f);
    const double t =
        dDistance * std::cos(gamma) -
        std::sqrt(std::max(0.0, 1.0 - dDistance * dDistance * std::sin(gamma) * std::sin(gamma)));
    sines.push_back(t * std::sin(gamma)); // sine of the angle on the Earth, radius 1
    v.push_back(g.Level(x, y));
  }
  double night = 1e9, day = 0;
  for (double x : v)
  {
    night = std::min(night, x);
    day = std::max(day, x);
  }
  // The straight part: a quarter to three quarters of the way up, clear of the
  // saturation and of the last vertex on the dark side (a segment of the sphere).
  double n = 0, st = 0, sv = 0, stt = 0, stv = 0;
  for (size_t i = 0; i < v.size(); ++i)
  {
    const double k = (v[i] - night) / (day - night);
    if (k < 0.25 || k > 0.75)
      continue;
    ++n;
    st += sines[i];
    sv += v[i];
    stt += sines[i] * sines[i];
    stv += sines[i] * v[i];
  }
  const double slope = (n * stv - st * sv) / (n * stt - st * st);
  const double at = (sv - slope * st) / n;
  return SProfile{ std::asin((night - at) / slope) * 180.0 / PI, night, day };
}

} // namespace

// The lit disc is centred under the subsolar point; 90 degrees away, along the equator
// at the equinox and along the meridian at the solstice, the terminator runs through
// the disc's centre.  The terminator's offset gives the subsolar point seen on the
// frame: an offset of o radii is asin(o) degrees of the Earth.
TEST(EarthNowGL, TheSubsolarPointsOfTheEquinoxAndTheSolstice)
{
  struct
  {
    const char* szUtc;
    double dLat, dLon;
    double dAwayLat, dAwayLon; // 90 degrees west, or south along the meridian
    double dx, dy;             // the line across the terminator on the screen
  } const cases[] = {
    { "2024-03-20T03:06:00Z", 0.0, 135.35, 0.0, 45.35, 1, 0 },
    { "2024-06-20T20:51:00Z", 23.44, -132.30, 23.44 - 90.0, -132.30, 0, -1 },
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.szUtc);
    {
      SPlainMaps plain;
      CGLScene g(With(kBare, kFine), W, H, 7, WorldWith(Above(c.szUtc, c.dLat, c.dLon, 3.5), &plain.maps));
      ASSERT_TRUE(g.Loaded());
      g.Frame(1.0);
      const SDisc d = EarthDisc(g.world);
      // Fully lit to the rim all round: a quarter radius in from the rim is as bright
      // on every side.
      double lo = 1e9, hi = 0;
      for (int k = 0; k < 8; ++k)
      {
        const double a = k * PI / 4;
        const double v = g.Level(int(d.x + 0.75 * d.r * std::cos(a)), int(d.y + 0.75 * d.r * std::sin(a)));
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
      EXPECT_GT(lo, 150.0);
      EXPECT_LT(hi - lo, 8.0);
    }
    SPlainMaps plain;
    CGLScene g(With(kBare, kFine), W, H, 7,
               WorldWith(Above(c.szUtc, c.dAwayLat, c.dAwayLon, 3.5), &plain.maps));
    ASSERT_TRUE(g.Loaded());
    g.Frame(1.0);
    g.SaveWhenAsked("PLANETO_EARTH_NOW_PPM");
    const SDisc d = EarthDisc(g.world);
    const SProfile p = Terminator(g, d, c.dx, c.dy, 3.5);
    EXPECT_LT(p.dNight, 0.4 * p.dDay) << "no night side";
    // Along the line the day lies ahead (east, or north): the subsolar point is 90
    // degrees plus the terminator's angle beyond the viewpoint.
    std::printf("%s: the subsolar point on the frame %.3f degrees from the published one\n", c.szUtc,
                p.dDegrees);
    EXPECT_LT(std::fabs(p.dDegrees), 0.2);
  }
}

// The Moon's lit share seen from the Earth's centre, from where the scene puts the
// Moon and which way its light comes.
TEST(EarthNowGL, TheMoonsPhaseFollowsTheSun)
{
  for (const auto& c :
       { std::make_pair("2024-04-08T18:21:00Z", 0.0), std::make_pair("2024-04-23T23:49:00Z", 1.0) })
  {
    CGLScene g(kBare, 160, 120, 7, WorldWith(At(c.first), nullptr));
    ASSERT_TRUE(g.Loaded());
    g.Frame(1.0);
    C3DMath* m = g.world.GetMath();
    const SVector3 moon = g.world.Bodies().GetMoonCentre(m);
    const SVector3& l = g.world.GetSettings()->light1.vPosition;
    EXPECT_EQ(g.world.GetSettings()->light1.iType, 0) << "the Sun's light comes from its direction";
    const double dm = std::sqrt(moon.x * moon.x + moon.y * moon.y + moon.z * moon.z);
    const double dl = std::sqrt(l.x * l.x + l.y * l.y + l.z * l.z);
    // At the Moon the Sun lies along the light's direction, the Earth back along -moon.
    const double cosPhase = -(moon.x * l.x + moon.y * l.y + moon.z * l.z) / (dm * dl);
    const double dLitShare = (1.0 + cosPhase) / 2.0;
    EXPECT_NEAR(dLitShare, c.second, 0.01) << c.first;
  }
}

// The Moon's shadow on the Earth: with the shadows on, the darkened pixels at the
// greatest eclipse lie round the place the camera stands over; a day before, none.
// The Earth's shadow on the Moon: the Moon darkened at the greatest lunar eclipse, not
// a day before.
TEST(EarthNowGL, EclipsesWhenAndWhereTheyHappen)
{
  CheckEclipses(
      [](const std::vector<SSetting>& settings, int w, int h, const SEarthNowOptions& o, CUserMaps* pMaps)
      { return std::make_unique<CGLScene>(settings, w, h, 7, WorldWith(o, pMaps)); });
}

// A clouds file changed on disk while the scene runs (here the default one, without
// the clock) comes in over several frames, the old clouds drawn until it is all in,
// and then looks as it does when the program starts with it.
TEST(EarthNowGL, ACloudsFileChangedOnDiskComesInOverFrames)
{
  // 2048 x 1024 with its levels: near three frames' share.
  const std::string clouds = PlainMap("watched_clouds", 0, 0, 2048, 1024);
  CUserMaps maps;
  std::string error;
  ASSERT_TRUE(maps.Read("", "", clouds, error)) << error;
  maps.StartWatch(5, 0); // looked at every 5 ms rather than every ten seconds
  CGLScene g(kBare, 160, 120, 7, WorldWith(SEarthNowOptions{}, &maps));
  ASSERT_TRUE(g.Loaded());
  g.Frame(0.0);
  const CTexture* pOld = g.world.Textures().Get(CTextureTable::CLOUDS);
  const double dClear = g.Level(80, 60);

  const std::string grey = PlainMap("grey_clouds", 120, 255, 2048, 1024);
  std::error_code ec;
  std::filesystem::rename(grey, clouds, ec);
  ASSERT_FALSE(ec) << ec.message();
  int iStaging = 0;
  for (int i = 0; i < 400 && g.world.Textures().Get(CTextureTable::CLOUDS) == pOld; ++i)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    g.Frame(0.0);
    iStaging += g.world.Textures().IsStaging() ? 1 : 0;
  }
  ASSERT_NE(g.world.Textures().Get(CTextureTable::CLOUDS), pOld);
  EXPECT_GE(iStaging, 2);

  CUserMaps fromStart;
  ASSERT_TRUE(fromStart.Read("", "", clouds, error)) << error;
  CGLScene reference(kBare, 160, 120, 7, WorldWith(SEarthNowOptions{}, &fromStart));
  ASSERT_TRUE(reference.Loaded());
  reference.Frame(0.0);
  EXPECT_GT(std::fabs(g.Level(80, 60) - dClear), 10.0) << "grey clouds over the Earth";
  EXPECT_NEAR(g.Level(80, 60), reference.Level(80, 60), 2.0);
  std::remove(clouds.c_str());
}

// The catalogue's Polaris stands within a degree of the Earth's axis on the screen,
// and the clock shows the simulated instant in the top right corner.
TEST(EarthNowGL, PolarisOnTheAxisAndTheClockInTheCorner)
{
  // From over the far south the view looks north, Polaris some 15 degrees above the Earth.
  SEarthNowOptions o = Above("2024-04-08T18:17:20Z", -75.0, 10.0, 20.0);
  o.bClock = true;
  CGLScene g(With(kBare, { { "CONTELLATIONS", "CONTELLATIONS_ENABLE", "1" },
                           { "CONTELLATIONS", "READ_FROM_CATALOG", "1" } }),
             W, H, 7, WorldWith(o, nullptr));
  ASSERT_TRUE(g.Loaded());
  g.Frame(1.0);
  g.SaveWhenAsked("PLANETO_POLARIS_PPM");
  C3DMath* m = g.world.GetMath();

  // Polaris through the stars' matrix, the pole as the Earth's matrix turns it.
  SCatalogStar polaris;
  ParseCatalogLine("02 31 48.7 +89 15 51  2.02", 26, &polaris);
  const SVector3 local = CatalogStarPosition(m, polaris);
  const SVector3 zero = { 0.0f, 0.0f, 0.0f };
  const SVector3 north = { 0.0f, 200.0f, 0.0f }; // the sphere's north pole
  const SMatrix& stars = *g.world.GetConstellations()->GetStarsObject()->GetMatrix();
  SVector3 star, origin, pole;
  m->TransformPoint(&star, &local, &stars);
  m->TransformPoint(&origin, &zero, &stars);
  m->TransformPoint(&pole, &north, &g.world.Bodies().GetEarthMatrix());
  const SVector3 dir = { star.x - origin.x, star.y - origin.y, star.z - origin.z };
  const double angle = std::acos((dir.x * pole.x + dir.y * pole.y + dir.z * pole.z) /
                                 (std::sqrt(dir.x * dir.x + dir.y * dir.y + dir.z * dir.z) *
                                  std::sqrt(pole.x * pole.x + pole.y * pole.y + pole.z * pole.z))) *
                       180.0 / PI;
  // On the screen: the star where the camera sees it, and the axis' vanishing point.
  SVector3 cam;
  m->GetTranslation(&cam, &g.world.GetSettings()->matCamera);
  const SVector3 s = OnScreen(g.world, SVector3{ cam.x + dir.x, cam.y + dir.y, cam.z + dir.z });
  const SVector3 far = OnScreen(g.world, SVector3{ pole.x * 1e5f, pole.y * 1e5f, pole.z * 1e5f });
  std::printf("Polaris %.3f degrees from the axis; on screen (%.1f, %.1f), the axis towards (%.1f, %.1f)\n",
              angle, s.x, s.y, far.x, far.y);
  EXPECT_LT(angle, 1.0);
  EXPECT_LT(std::hypot(s.x - far.x, s.y - far.y), 0.02 * W);
  // And a point of light is drawn there.
  double dStar = 0;
  for (int y = int(s.y) - 2; y <= int(s.y) + 2; ++y)
    for (int x = int(s.x) - 2; x <= int(s.x) + 2; ++x)
      dStar = std::max(dStar, g.Level(x, y));
  EXPECT_GT(dStar, 60.0);

  // The clock: "2024-04-08 18:17:20 UTC", bright glyphs in each character's box.
  CTextOverlay* pClock = g.world.GetClockOverlay();
  ASSERT_NE(pClock, nullptr);
  EXPECT_EQ(pClock->GetText(), "2024-04-08 18:17:20 UTC");
  for (uint32_t i = 0; i < pClock->GetText().size(); ++i)
  {
    if (pClock->GetText()[i] == ' ')
      continue;
    float x0, y0, x1, y1;
    pClock->GetCharacterBox(i, &x0, &y0, &x1, &y1);
    EXPECT_GT(x0, W / 3) << "on the right";
    EXPECT_LT(y1, 40) << "top";
    double dMax = 0;
    for (int y = int(y0); y < int(y1); ++y)
      for (int x = int(x0); x < int(x1); ++x)
        dMax = std::max(dMax, g.Level(x, y));
    EXPECT_GT(dMax, 200.0) << "character " << i;
  }
}
