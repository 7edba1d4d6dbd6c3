// The masking sun of the planet scene on the real Direct3D 8 device under Wine, read
// back from the back buffer before the frame is presented.

#include "app/scene/planeto_world.h"
#include "app/scene/sun_masking.h"
#include "scene_fakes.h"
#include "screen_discs.h"
#include "sdk/core/engine_settings.h"
#include "sdk/d3d8/3d_engine_d3d8.h"
#include "sdk/d3d8/d3d8_platform.h"
#include "sdk/os/window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

LRESULT TestProc(zos::HWND hwnd, uint32_t msg, WPARAM w, LPARAM l)
{
  return zos::CWindow::DefWindowProc(hwnd, msg, w, l);
}

using scenetest::OffTheBodies;

} // namespace

// Turned until the Earth hides the Sun, the coverage overlay shows nothing left and no
// halo, ray or flare shines beside the bodies; without the occluders all of them show
// and the overlay is white.
TEST(SceneD3D8, MaskingSunFadesBehindTheEarth)
{
  constexpr int w = 400, h = 300;
  scenetest::COverrideStore engine("Planeto.Engine.ini"), appli("Planeto.Appli.ini");
  for (const auto& [section, key] : { std::pair{ "SUN", "SUN_MASKING_ENABLE" }, { "SUN", "INTENSITY_ENABLE" },
                                      { "LENS_FLARE", "LENS_FLARE_ENABLE" },
                                      { "LENS_FLARE", "LENS_FLARE_MASKING_ENABLE" } })
    appli.Set(section, key, "1");
  appli.Set("SKYBOX", "SKYBOX_ENABLE", "0");
  appli.Set("EARTH_DIFRACTION", "EARTH_DIFRACTION_ENABLE", "0");
  CPlanetoWorld world;
  world.BindSettings(&engine, &appli, "planeto_scene_d3d8.log");
  world.SetFixedSeed(4); // with this seed the sun passes behind the Earth's middle
  world.RegisterPlatform(PLATFORM_INDEX_DIRECTX81, DescribeDirectX81, CreateDirectX81, DestroyDirectX81);
  zos::HWND hwnd =
      zos::CWindow::Create("PlanetoSceneD3D8", "scene", WS_POPUP | WS_VISIBLE, 0, 0, w, h, TestProc, 0);
  ASSERT_NE(hwnd, nullptr);
  ASSERT_EQ(world.Load(hwnd, w, h, 32, false, false, PLATFORM_DIRECTX81, ""), ZP_OK);
  CSunMasking* sun = world.GetSunMasking();
  ASSERT_NE(sun, nullptr);
  auto* device = static_cast<C3DEngineD3D8*>(world.GetDevice());
  std::vector<uint32_t> px;
  auto frame = [&]()
  {
    world.GetSettings()->dFrameStep = 0.0;
    world.Update();
    device->BeginFrame();
    world.Draw();
    uint32_t rw = 0, rh = 0;
    ASSERT_TRUE(device->ReadBackBuffer(&px, &rw, &rh));
    ASSERT_EQ(rw * rh, uint32_t(w * h));
    device->EndFrame();
  };
  auto level = [&](int x, int y)
  {
    const uint32_t c = px[size_t(y) * w + x];
    return ((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) / 3.0;
  };
  auto point = [&](int i) { return world.SunTest().GetScreenPoint(i); };

  // Turn the camera until the Earth covers the whole sun disc, the sun well inside the
  // frame and below the overlays.
  bool bBehind = false;
  for (int i = 0; i < 3000 && !bBehind; ++i)
  {
    world.GetSettings()->dFrameStep = 0.002 / 0.0006; // 0.002 rad of camera yaw
    world.Update();
    const SVector3 s = point(CSunTest::SP_SUN);
    bBehind = world.SunTest().IsSunVisible() && s.x > 40 && s.x < w - 40 && s.y > 110 && s.y < h - 40 &&
              ComputeDifraction(s, point(CSunTest::SP_SUN_RIM), point(CSunTest::SP_EARTH),
                                point(CSunTest::SP_EARTH_RIM))
                      .fSunLeft <= 0.0f;
  }
  ASSERT_TRUE(bBehind);

  // Bright pixels off the bodies and off the overlays.
  const auto off = OffTheBodies(world);
  auto bright = [&]()
  {
    size_t n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        n += !(x >= 225 && x < 375 && y < 100) && off(x, y) && level(x, y) > 30.0;
    return n;
  };
  ASSERT_NO_FATAL_FAILURE(frame());
  EXPECT_TRUE(sun->IsVisible());
  EXPECT_LT(level(350, 25), 8.0);
  EXPECT_EQ(bright(), 0u);

  const SOccluder earth = sun->GetOccluder(0), moon = sun->GetOccluder(1);
  sun->SetOccluder(0, nullptr, nullptr);
  sun->SetOccluder(1, nullptr, nullptr);
  ASSERT_NO_FATAL_FAILURE(frame());
  EXPECT_GT(level(350, 25), 230.0);
  EXPECT_GT(bright(), 200u);
  sun->SetOccluder(0, earth.pObject, earth.pMatrix);
  sun->SetOccluder(1, moon.pObject, moon.pMatrix);
  EXPECT_EQ(world.Unload(), ZP_OK);
}
