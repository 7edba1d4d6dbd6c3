// The masking sun of the planet scene on the real Direct3D 8 device under Wine, read
// back from the back buffer before the frame is presented.

#include "app/scene/planeto_world.h"
#include "app/scene/sun_masking.h"
#include "scene_fakes.h"
#include "screen_discs.h"
#include "shadow_stage.h"
#include "sdk/core/engine_settings.h"
#include "sdk/d3d8/3d_engine_d3d8.h"
#include "sdk/d3d8/d3d8_platform.h"
#include "sdk/os/window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace
{

LRESULT TestProc(zos::HWND hwnd, uint32_t msg, WPARAM w, LPARAM l)
{
  return zos::CWindow::DefWindowProc(hwnd, msg, w, l);
}

using scenetest::OffTheBodies;

// A 400 x 300 world on the Direct3D 8 device over the built-in texts, some values
// replaced.
class CD3DScene
{
public:
  static constexpr int w = 400, h = 300;

  CD3DScene(std::initializer_list<std::pair<const char*, const char*>> on, uint32_t dwSeed)
      : m_engine("Planeto.Engine.ini"), m_appli("Planeto.Appli.ini")
  {
    for (const auto& [section, key] : on)
      m_appli.Set(section, key, "1");
    m_appli.Set("SKYBOX", "SKYBOX_ENABLE", "0");
    m_appli.Set("EARTH_DIFRACTION", "EARTH_DIFRACTION_ENABLE", "0");
    world.BindSettings(&m_engine, &m_appli, "planeto_scene_d3d8.log");
    world.SetFixedSeed(dwSeed);
    world.RegisterPlatform(PLATFORM_INDEX_DIRECTX81, DescribeDirectX81, CreateDirectX81, DestroyDirectX81);
    zos::HWND hwnd =
        zos::CWindow::Create("PlanetoSceneD3D8", "scene", WS_POPUP | WS_VISIBLE, 0, 0, w, h, TestProc, 0);
    m_bLoaded = hwnd && world.Load(hwnd, w, h, 32, false, false, PLATFORM_DIRECTX81, "") == ZP_OK;
  }
  ~CD3DScene()
  {
    if (m_bLoaded)
      world.Unload();
  }
  bool Loaded() const { return m_bLoaded; }

  // One frame of what draw() draws, read back before it is presented.
  void Draw(const std::function<void()>& draw)
  {
    auto* device = static_cast<C3DEngineD3D8*>(world.GetDevice());
    device->BeginFrame();
    draw();
    uint32_t rw = 0, rh = 0;
    ASSERT_TRUE(device->ReadBackBuffer(&m_px, &rw, &rh));
    ASSERT_EQ(rw * rh, uint32_t(w * h));
    device->EndFrame();
  }
  // The world still, drawn and read back.
  void Frame()
  {
    world.GetSettings()->dFrameStep = 0.0;
    world.Update();
    Draw([this]() { world.Draw(); });
  }
  // The pixel at (x, y), y from the top, as red, green, blue, and the mean of the three.
  const uint8_t* Rgb(int x, int y)
  {
    const uint32_t c = m_px[size_t(y) * w + x];
    m_rgb[0] = uint8_t(c >> 16);
    m_rgb[1] = uint8_t(c >> 8);
    m_rgb[2] = uint8_t(c);
    return m_rgb;
  }
  double Level(int x, int y)
  {
    const uint8_t* p = Rgb(x, y);
    return (p[0] + p[1] + p[2]) / 3.0;
  }
  // Pixels off the bodies (and off the overlays in the top-right corner) brighter than 30.
  size_t BrightBesideTheBodies()
  {
    const auto off = OffTheBodies(world);
    size_t n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        n += !(x >= 225 && x < 375 && y < 100) && off(x, y) && Level(x, y) > 30.0;
    return n;
  }

  CPlanetoWorld world;

private:
  scenetest::COverrideStore m_engine;
  scenetest::COverrideStore m_appli;
  std::vector<uint32_t> m_px;
  uint8_t m_rgb[3] = {};
  bool m_bLoaded = false;
};

} // namespace

// Turned until the Earth hides the Sun, the coverage overlay shows nothing left and no
// halo, ray or flare shines beside the bodies; without the occluders all of them show
// and the overlay is white.
TEST(SceneD3D8, MaskingSunFadesBehindTheEarth)
{
  // With this seed the sun passes behind the Earth's middle.
  CD3DScene g({ { "SUN", "SUN_MASKING_ENABLE" }, { "SUN", "INTENSITY_ENABLE" }, { "LENS_FLARE", "LENS_FLARE_ENABLE" },
                { "LENS_FLARE", "LENS_FLARE_MASKING_ENABLE" } },
              4);
  ASSERT_TRUE(g.Loaded());
  CPlanetoWorld& world = g.world;
  constexpr int w = CD3DScene::w, h = CD3DScene::h;
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

  ASSERT_NO_FATAL_FAILURE(g.Frame());
  EXPECT_TRUE(sun->IsVisible());
  EXPECT_LT(g.Level(350, 25), 8.0);
  EXPECT_EQ(g.BrightBesideTheBodies(), 0u);

  const SOccluder earth = sun->GetOccluder(0), moon = sun->GetOccluder(1);
  sun->SetOccluder(0, nullptr, nullptr);
  sun->SetOccluder(1, nullptr, nullptr);
  ASSERT_NO_FATAL_FAILURE(g.Frame());
  EXPECT_GT(g.Level(350, 25), 230.0);
  EXPECT_GT(g.BrightBesideTheBodies(), 200u);
  sun->SetOccluder(0, earth.pObject, earth.pMatrix);
  sun->SetOccluder(1, moon.pObject, moon.pMatrix);
}

// A known volume on a wall from in front of it, beside it, behind it and inside it.
TEST(SceneD3D8, ShadowIsTheSameFromEverySide)
{
  CD3DScene g({ { "EARTH", "EARTH_SHADOW_ENABLE" }, { "MOON", "MOON_SHADOW_ENABLE" } }, 7);
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
  CD3DScene g({ { "LENS_FLARE", "LENS_FLARE_ENABLE" } }, 8);
  ASSERT_TRUE(g.Loaded());
  ASSERT_NO_FATAL_FAILURE(scenetest::ExpectLitGhostsThenNone(
      g.world, [&]() { g.Frame(); }, [&](int x, int y) { return g.Rgb(x, y); }));
}
