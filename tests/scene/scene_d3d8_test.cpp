// The masking sun of the planet scene on the real Direct3D 8 device under Wine, read
// back from the back buffer before the frame is presented.

#include "app/scene/sun_masking.h"
#include "d3d8_scene.h"
#include "screen_discs.h"
#include "shadow_stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace
{

using scenetest::CD3D8Scene;
using scenetest::OffTheBodies;

constexpr int w = 400, h = 300;

// A world without the sky box and the Earth's glow, with the switches given on.
std::vector<scenetest::SSetting> On(std::initializer_list<std::pair<const char*, const char*>> on)
{
  std::vector<scenetest::SSetting> v = { { "SKYBOX", "SKYBOX_ENABLE", "0" },
                                         { "EARTH_DIFRACTION", "EARTH_DIFRACTION_ENABLE", "0" } };
  for (const auto& [section, key] : on)
    v.push_back({ section, key, "1" });
  return v;
}

// Pixels off the bodies (and off the overlays in the top-right corner) brighter than 30.
size_t BrightBesideTheBodies(CD3D8Scene& g)
{
  const auto off = OffTheBodies(g.world);
  size_t n = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      n += !(x >= 225 && x < 375 && y < 100) && off(x, y) && g.Level(x, y) > 30.0;
  return n;
}

} // namespace

// Turned until the Earth hides the Sun, the coverage overlay shows nothing left and no
// halo, ray or flare shines beside the bodies; without the occluders all of them show
// and the overlay is white.
TEST(SceneD3D8, MaskingSunFadesBehindTheEarth)
{
  // With this seed the sun passes behind the Earth's middle.
  CD3D8Scene g(On({ { "SUN", "SUN_MASKING_ENABLE" }, { "SUN", "INTENSITY_ENABLE" }, { "LENS_FLARE", "LENS_FLARE_ENABLE" },
                   { "LENS_FLARE", "LENS_FLARE_MASKING_ENABLE" } }),
               w, h, 4);
  ASSERT_TRUE(g.Loaded());
  CPlanetoWorld& world = g.world;
  CSunMasking* sun = world.GetSunMasking();
  ASSERT_NE(sun, nullptr);
  auto point = [&](int i) { return world.SunTest().GetScreenPoint(i); };

  // Turn the camera until the Earth covers the whole sun disc, the sun well inside the
  // frame and below the overlays.
  ASSERT_TRUE(scenetest::TurnUntil(world,
                                   [&]()
                                   {
                                     const SVector3 s = point(CSunTest::SP_SUN);
                                     return world.SunTest().IsSunVisible() && s.x > 40 && s.x < w - 40 &&
                                            s.y > 110 && s.y < h - 40 &&
                                            ComputeDifraction(s, point(CSunTest::SP_SUN_RIM),
                                                              point(CSunTest::SP_EARTH),
                                                              point(CSunTest::SP_EARTH_RIM))
                                                    .fSunLeft <= 0.0f;
                                   }));

  ASSERT_NO_FATAL_FAILURE(g.Frame(0.0));
  EXPECT_TRUE(sun->IsVisible());
  EXPECT_LT(g.Level(350, 25), 8.0);
  EXPECT_EQ(BrightBesideTheBodies(g), 0u);

  const SOccluder earth = sun->GetOccluder(0), moon = sun->GetOccluder(1);
  sun->SetOccluder(0, nullptr, nullptr);
  sun->SetOccluder(1, nullptr, nullptr);
  ASSERT_NO_FATAL_FAILURE(g.Frame(0.0));
  EXPECT_GT(g.Level(350, 25), 230.0);
  EXPECT_GT(BrightBesideTheBodies(g), 200u);
  sun->SetOccluder(0, earth.pObject, earth.pMatrix);
  sun->SetOccluder(1, moon.pObject, moon.pMatrix);
}

// A known volume on a wall from in front of it, beside it, behind it and inside it.
TEST(SceneD3D8, ShadowIsTheSameFromEverySide)
{
  CD3D8Scene g(On({ { "EARTH", "EARTH_SHADOW_ENABLE" }, { "MOON", "MOON_SHADOW_ENABLE" } }), w, h);
  ASSERT_TRUE(g.Loaded());
  scenetest::CShadowStage stage(g.world);
  ASSERT_TRUE(stage.Ready());
  scenetest::ExpectTheShadowFromEverySide(
      stage, [&](const std::function<void()>& draw) { g.Draw(draw); }, [&](int x, int y) { return g.Level(x, y); });
}

// The simple flares as on OpenGL: lens ghosts lit by the sun ahead, the sky showing at
// the corners of their quads, and none with the sun behind the viewer.
TEST(SceneD3D8, SimpleFlaresAreLitGhostsAndNoneWithTheSunBehind)
{
  CD3D8Scene g(On({ { "LENS_FLARE", "LENS_FLARE_ENABLE" } }), w, h, 8);
  ASSERT_TRUE(g.Loaded());
  ASSERT_NO_FATAL_FAILURE(scenetest::ExpectLitGhostsThenNone(
      g.world, [&]() { g.Frame(0.0); }, [&](int x, int y) { return g.Rgb(x, y); }));
}
