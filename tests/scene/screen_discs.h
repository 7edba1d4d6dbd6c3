#pragma once

// Where the bodies of a world lie on its frame, for tests that look at what is drawn
// beside them.

#include "app/scene/lens_flare_simple.h"
#include "app/scene/planeto_world.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace scenetest
{

inline float Dist(const SVector3& a, const SVector3& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Whether a pixel lies off the Earth (with its atmosphere) and off the Moon, whose
// screen discs come from projecting each centre and a point on its rim.
inline std::function<bool(int, int)> OffTheBodies(CPlanetoWorld& world)
{
  const SEngineSettings* s = world.GetSettings();
  C3DMath* m = world.GetMath();
  SVector3 up, moon;
  m->GetAxisY(&up, &s->matCamera);
  m->GetTranslation(&moon, &world.Bodies().GetMoonMatrix());
  auto disc = [&](const SVector3& c, float r)
  {
    SVector3 a, b;
    const SVector3 rim = { c.x + r * up.x, c.y + r * up.y, c.z + r * up.z };
    m->Project(&a, s->wWidth, s->wHeight, nullptr, &s->matView, &s->matProjection, &c);
    m->Project(&b, s->wWidth, s->wHeight, nullptr, &s->matView, &s->matProjection, &rim);
    return std::make_pair(a, Dist(a, b) + 4.0f);
  };
  const auto earth = disc(SVector3{ 0.0f, 0.0f, 0.0f }, 203.0f);
  const auto moonDisc = disc(moon, 40.0f);
  return [=](int x, int y)
  {
    const SVector3 p = { float(x), float(y), 0.0f };
    return Dist(p, earth.first) > earth.second && Dist(p, moonDisc.first) > moonDisc.second;
  };
}

// Turns the camera by steps of 0.002 rad of its own yaw, up to 3000 of them, until
// `wanted` holds; false when it never does.
inline bool TurnUntil(CPlanetoWorld& world, const std::function<bool()>& wanted)
{
  for (int i = 0; i < 3000; ++i)
  {
    world.GetSettings()->dFrameStep = 0.002 / 0.0006;
    world.Update();
    if (wanted())
      return true;
  }
  return false;
}

// Whether the sun lies well behind the camera: within 60 degrees of straight back.
inline bool SunBehind(CPlanetoWorld& world)
{
  SVector3 f;
  world.GetMath()->GetAxisZ(&f, &world.GetSettings()->matCamera);
  const float fSign = world.GetMath()->GetDepthSign(); // the stored z axis of a mirroring platform
  const SVector3& o = world.GetSettings()->light1.vPosition;
  const float fLength = std::sqrt(o.x * o.x + o.y * o.y + o.z * o.z);
  return fSign * (f.x * o.x + f.y * o.y + f.z * o.z) < -0.5f * fLength;
}

// What a person sees of the simple lens flares in a frame drawn without the sky box.
struct SFlareLook
{
  int iCorners = 0;     // corners of a flare quad that lie on the empty sky
  int iLitCorners = 0;  // of them, those that are not as dark as the sky
  int iBrightestR = 0;  // the flare pixel (on the sky) with the most red, its red ...
  int iBrightestB = 0;  // ... and its blue
};

// Looks at the quads of the simple flares as the last Draw placed them: near each
// corner (inside the quad, where a lens ghost is clear) on the sky, off the bodies,
// off the other quads and away from the sun, the sky must show; inside the quads the
// brightest pixel gives the flares' colour.  rgb(x, y) is the frame's pixel, y from the
// top.
inline SFlareLook LookAtFlares(CPlanetoWorld& world, const std::function<const uint8_t*(int, int)>& rgb)
{
  SFlareLook look;
  const CLensFlareSimple* flares = world.GetLensFlare();
  if (!flares)
    return look;
  const SEngineSettings* s = world.GetSettings();
  C3DMath* m = world.GetMath();
  // A point of a flare's quad, through its axes as the engine reads them.
  const auto project = [&](C3DObject* o, float x, float y)
  {
    SVector3 c, ax, ay, out;
    m->GetTranslation(&c, o->GetMatrix());
    m->GetAxisX(&ax, o->GetMatrix());
    m->GetAxisY(&ay, o->GetMatrix());
    const SVector3 p = { c.x + x * ax.x + y * ay.x, c.y + x * ax.y + y * ay.y, c.z + x * ax.z + y * ay.z };
    m->Project(&out, s->wWidth, s->wHeight, nullptr, &s->matView, &s->matProjection, &p);
    return out;
  };
  struct SBox
  {
    float x0, y0, x1, y1;
  };
  std::vector<SBox> boxes;
  std::vector<std::vector<SVector3>> corners;
  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
  {
    const SLensFlare& f = flares->GetFlare(i);
    SBox b = { 1e9f, 1e9f, -1e9f, -1e9f };
    std::vector<SVector3> c;
    for (const auto& [x, y] : { std::pair{ 1, 1 }, { 1, -1 }, { -1, 1 }, { -1, -1 } })
    {
      const SVector3 p = project(f.pObject, x * f.fSize, y * f.fSize);
      b = SBox{ std::min(b.x0, p.x), std::min(b.y0, p.y), std::max(b.x1, p.x), std::max(b.y1, p.y) };
      c.push_back(project(f.pObject, 0.85f * x * f.fSize, 0.85f * y * f.fSize));
    }
    boxes.push_back(b);
    corners.push_back(c);
  }
  const SVector3 sun = world.SunTest().GetScreenPoint(CSunTest::SP_SUN);
  const float fSunReach = 3.0f * Dist(sun, world.SunTest().GetScreenPoint(CSunTest::SP_SUN_RIM)) + 4.0f;
  const auto off = OffTheBodies(world);
  const auto sky = [&](int x, int y, int iSkip)
  {
    if (x < 0 || y < 0 || x >= s->wWidth || y >= s->wHeight || !off(x, y) ||
        Dist(SVector3{ float(x), float(y), 0.0f }, sun) < fSunReach)
      return false;
    for (int j = 0; j < LENS_FLARE_COUNT; ++j)
      if (j != iSkip && x >= boxes[j].x0 - 1 && x <= boxes[j].x1 + 1 && y >= boxes[j].y0 - 1 &&
          y <= boxes[j].y1 + 1)
        return false;
    return true;
  };
  const auto level = [&](int x, int y)
  {
    const uint8_t* p = rgb(x, y);
    return (p[0] + p[1] + p[2]) / 3;
  };
  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
  {
    for (const SVector3& c : corners[i])
    {
      const int x = int(std::lround(c.x)), y = int(std::lround(c.y));
      if (!sky(x, y, i))
        continue;
      ++look.iCorners;
      look.iLitCorners += level(x, y) > 8 ? 1 : 0;
    }
    for (int y = std::max(0, int(boxes[i].y0)); y < std::min<int>(s->wHeight, int(boxes[i].y1)); ++y)
      for (int x = std::max(0, int(boxes[i].x0)); x < std::min<int>(s->wWidth, int(boxes[i].x1)); ++x)
        if (off(x, y) && Dist(SVector3{ float(x), float(y), 0.0f }, sun) >= fSunReach &&
            rgb(x, y)[0] > look.iBrightestR)
        {
          look.iBrightestR = rgb(x, y)[0];
          look.iBrightestB = rgb(x, y)[2];
        }
  }
  return look;
}

// Turns until the sun is in view away from the centre, so that the flares spread out
// on the sky, and looks at them in a frame: each lit in the flares' warm colour, the
// sky showing at the corners of its quad (never an opaque square); then turns until
// the sun is behind the viewer, where no warm pixel shows beside the bodies, not even
// the dim quads of a flare lit from behind (the atmosphere's rim is blue).  frame()
// updates the world still and draws it.
inline void ExpectLitGhostsThenNone(CPlanetoWorld& world, const std::function<void()>& frame,
                                    const std::function<const uint8_t*(int, int)>& rgb)
{
  const SEngineSettings* s = world.GetSettings();
  const float w = s->wWidth, h = s->wHeight;
  ASSERT_TRUE(TurnUntil(world,
                        [&]()
                        {
                          const SVector3 p = world.SunTest().GetScreenPoint(CSunTest::SP_SUN);
                          return world.SunTest().IsSunVisible() && p.x > 30 && p.x < w - 30 && p.y > 30 &&
                                 p.y < h - 30 && std::hypot(p.x - w / 2, p.y - h / 2) > 110;
                        }));
  frame();
  const SFlareLook look = LookAtFlares(world, rgb);
  EXPECT_GE(look.iCorners, 4);
  EXPECT_EQ(look.iLitCorners, 0);
  EXPECT_GT(look.iBrightestR, 150);
  EXPECT_GT(look.iBrightestR - look.iBrightestB, 60);

  ASSERT_TRUE(TurnUntil(world, [&]() { return SunBehind(world); }));
  frame();
  const auto off = OffTheBodies(world);
  size_t uWarm = 0;
  for (int y = 0; y < s->wHeight; ++y)
    for (int x = 0; x < s->wWidth; ++x)
    {
      const uint8_t* p = rgb(x, y);
      uWarm += off(x, y) && p[0] + p[1] + p[2] > 12 && p[0] > p[2] ? 1 : 0;
    }
  EXPECT_EQ(uWarm, 0u);
}

} // namespace scenetest
