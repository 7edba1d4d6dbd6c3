#pragma once

// What the Earth-now checks share on every device: plain maps, the instants and
// viewpoints, where the Earth's disc lies, and the two eclipse measurements.

#include "scene_fakes.h"

#include "app/scene/planeto_world.h"
#include "app/scene/user_maps.h"
#include "sdk/core/engine_settings.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace scenetest
{

constexpr double PI = 3.14159265358979323846;

struct SSetting
{
  const char* pszSection;
  const char* pszKey;
  const char* pszValue;
};

// Binds the world to the built-in texts with the values given replaced, on a fixed
// seed, before it loads on a real device.
inline void BindSceneWorld(CPlanetoWorld& world, COverrideStore& engine, COverrideStore& appli,
                           const std::vector<SSetting>& appliValues, const std::vector<SSetting>& engineValues,
                           const char* pszLog, uint32_t dwSeed)
{
  for (const SSetting& s : appliValues)
    appli.Set(s.pszSection, s.pszKey, s.pszValue);
  for (const SSetting& s : engineValues)
    engine.Set(s.pszSection, s.pszKey, s.pszValue);
  world.BindSettings(&engine, &appli, pszLog);
  world.SetFixedSeed(dwSeed);
}

// A map of one colour (RGBA), written where the test's files go.
inline std::string PlainMap(const char* szName, uint8_t level, uint8_t alpha, uint32_t w = 64, uint32_t h = 32)
{
  const std::string path = ::testing::TempDir() + "earth_now_" + szName + ".png";
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(size_t(w) * h * 4, level);
  for (size_t i = 3; i < pixels.size(); i += 4)
    pixels[i] = alpha;
  EXPECT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr));
  return path;
}

// Grey days, black nights and no clouds: what the Earth shows is the light alone.
struct SPlainMaps
{
  SPlainMaps()
  {
    std::string error;
    EXPECT_TRUE(
        maps.Read(PlainMap("day", 200, 255), PlainMap("night", 0, 255), PlainMap("clouds", 0, 0), error))
        << error;
  }
  CUserMaps maps;
};

inline SEarthNowOptions At(const char* szUtc)
{
  SEarthNowOptions o;
  o.bRealTime = true;
  EXPECT_TRUE(CSkyClock::ParseUtc(szUtc, &o.dUtc1, &o.dUtc2));
  o.dRate = 0.0;
  return o;
}

inline SEarthNowOptions Above(const char* szUtc, double dLat, double dLon, double dDistance)
{
  SEarthNowOptions o = At(szUtc);
  o.bView = true;
  o.dViewLatitude = dLat;
  o.dViewLongitude = dLon;
  o.dViewDistance = dDistance;
  return o;
}

// The sphere's vertices are lit, the rest interpolated: a finer sphere (3 degrees a
// segment) keeps a straight stretch of the lit side's rise clear of the vertices at
// the terminator and at the saturation.
inline const std::vector<SSetting> kFine = { { "SPHERE", "SPHERE_NB_SEG", "120" } };

inline const std::vector<SSetting> kBare = { { "EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_ENABLE", "0" },
                                             { "EARTH_DIFRACTION", "EARTH_DIFRACTION_ENABLE", "0" },
                                             { "SKYBOX", "SKYBOX_ENABLE", "0" } };

inline std::vector<SSetting> With(std::vector<SSetting> a, const std::vector<SSetting>& b)
{
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline const std::vector<SSetting> kShadows = { { "EARTH", "EARTH_SHADOW_ENABLE", "1" },
                                                { "MOON", "MOON_SHADOW_ENABLE", "1" } };

inline std::function<void(CPlanetoWorld&)> WorldWith(const SEarthNowOptions& o, CUserMaps* pMaps)
{
  return [o, pMaps](CPlanetoWorld& w)
  {
    w.SetEarthNow(o);
    w.SetUserMaps(pMaps);
  };
}

// The screen point of a scene point.
inline SVector3 OnScreen(CPlanetoWorld& w, const SVector3& p)
{
  const SEngineSettings* s = w.GetSettings();
  SVector3 out;
  w.GetMath()->Project(&out, s->wWidth, s->wHeight, nullptr, &s->matView, &s->matProjection, &p);
  return out;
}

// Where the Earth's disc lies on the screen: its centre and radius in pixels.
struct SDisc
{
  double x, y, r;
};
inline SDisc EarthDisc(CPlanetoWorld& w)
{
  const SEngineSettings* s = w.GetSettings();
  SVector3 cam, up;
  w.GetMath()->GetTranslation(&cam, &s->matCamera);
  w.GetMath()->GetAxisY(&up, &s->matCamera);
  const double d = std::sqrt(cam.x * cam.x + cam.y * cam.y + cam.z * cam.z);
  const double R = w.UnitsPerEarthRadius();
  // The rim seen from the camera: at R^2 / d along the view axis, sqrt(R^2 - (R^2/d)^2) off it.
  const double along = R * R / d, off = std::sqrt(R * R - along * along);
  const SVector3 rim = { float(cam.x * along / d + up.x * off), float(cam.y * along / d + up.y * off),
                         float(cam.z * along / d + up.z * off) };
  const SVector3 c = OnScreen(w, SVector3{ 0, 0, 0 }), e = OnScreen(w, rim);
  return SDisc{ c.x, c.y, std::hypot(e.x - c.x, e.y - c.y) };
}

// A frame of a loaded world, drawn again on demand: redraw, then the level of a pixel.
struct SFrameReader
{
  std::function<void()> redraw;
  std::function<double(int, int)> level;
  int w, h;
};

// The pixels of the Earth's disc that the stencil shadows darken (under half their
// level without them), and their middle's distance in km from the point under the
// camera (asin of the pixel distance over the disc's radius, on the Earth).
struct SDarkened
{
  double dCount, dKmFromCentre;
};
inline SDarkened DarkenedOnEarth(CPlanetoWorld& w, const SFrameReader& f)
{
  const SDisc d = EarthDisc(w);
  std::vector<double> lit;
  w.GetSettings()->swStencilShadow.bCurrent = 0;
  f.redraw();
  for (int y = 0; y < f.h; ++y)
    for (int x = 0; x < f.w; ++x)
      lit.push_back(f.level(x, y));
  w.GetSettings()->swStencilShadow.bCurrent = 1;
  f.redraw();
  double n = 0, sx = 0, sy = 0;
  for (int y = 0; y < f.h; ++y)
    for (int x = 0; x < f.w; ++x)
      if (std::hypot(x + 0.5 - d.x, y + 0.5 - d.y) < d.r && f.level(x, y) < 0.5 * lit[size_t(y) * f.w + x])
      {
        ++n;
        sx += x + 0.5;
        sy += y + 0.5;
      }
  const double dKm =
      n ? std::asin(std::min(1.0, std::hypot(sx / n - d.x, sy / n - d.y) / d.r)) * 6378.137 : 0.0;
  return SDarkened{ n, dKm };
}

// The Moon's face with and without the stencil shadows, seen from near it, to its side
// and a little towards the Sun: outside the Earth's shadow (a camera inside a volume
// would count it wrongly), the lit face in the middle of the frame.  Answers the mean
// level there without and with the shadows.
inline std::pair<double, double> MoonFace(CPlanetoWorld& w, const SFrameReader& f)
{
  C3DMath* m = w.GetMath();
  const SVector3 moon = w.Bodies().GetMoonCentre(m);
  SEngineSettings* s = w.GetSettings();
  const float fAway = 7.0f * w.UnitsPerEarthRadius() * 0.2724f;
  const SVector3 at = { moon.x + 0.5f * fAway, moon.y, moon.z + 0.87f * fAway }; // the Sun lies along +x
  m->Identity(&s->matCamera);
  m->SetTranslation(&s->matCamera, &at);
  m->LookAt(&s->matCamera, &moon);
  s->matView = s->matCamera;
  m->InvertInPlace(&s->matView);
  auto mean = [&]()
  {
    f.redraw();
    double sum = 0, n = 0;
    for (int y = 0; y < f.h; ++y)
      for (int x = 0; x < f.w; ++x)
        if (std::hypot(x - f.w / 2, y - f.h / 2) < f.h / 12)
        {
          sum += f.level(x, y);
          ++n;
        }
    return sum / n;
  };
  s->swStencilShadow.bCurrent = 0;
  const double dOff = mean();
  s->swStencilShadow.bCurrent = 1;
  return { dOff, mean() };
}

// The solar eclipse of 2024-04-08 at its greatest and a day before, the lunar eclipse
// of 2025-03-14 and a day before, on scenes that make(settings, width, height, options,
// maps) answers: a world with Loaded(), Frame(step) and Reader().
template <typename FMake> void CheckEclipses(FMake make)
{
  const std::vector<SSetting> settings = With(kBare, kShadows);
  for (const char* szUtc : { "2024-04-08T18:17:20Z", "2024-04-07T18:17:20Z" })
  {
    SCOPED_TRACE(szUtc);
    SPlainMaps plain;
    auto g = make(settings, 400, 300, Above(szUtc, 25.3, -104.1, 3.0), &plain.maps);
    ASSERT_TRUE(g->Loaded());
    ASSERT_NE(g->world.GetStencilShadow(), nullptr);
    g->Frame(1.0);
    const SDarkened dark = DarkenedOnEarth(g->world, g->Reader());
    if (szUtc[9] == '8')
    {
      std::printf("the Moon's shadow centred %.0f km from 25.3 N 104.1 W\n", dark.dKmFromCentre);
      EXPECT_GT(dark.dCount, 200.0);
      EXPECT_LT(dark.dKmFromCentre, 250.0);
    }
    else
    {
      EXPECT_EQ(dark.dCount, 0.0);
    }
  }
  for (const char* szUtc : { "2025-03-14T06:59:00Z", "2025-03-13T06:59:00Z" })
  {
    SCOPED_TRACE(szUtc);
    auto g = make(settings, 160, 120, At(szUtc), nullptr);
    ASSERT_TRUE(g->Loaded());
    g->Frame(1.0);
    const auto face = MoonFace(g->world, g->Reader());
    EXPECT_GT(face.first, 40.0) << "the Moon's face in sight";
    if (szUtc[9] == '4')
      EXPECT_LT(face.second, 0.6 * face.first);
    else
      EXPECT_GT(face.second, 0.95 * face.first);
  }
}

} // namespace scenetest
