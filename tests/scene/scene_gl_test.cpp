// The planet scene on the real OpenGL device: loaded from the built-in texts, drawn,
// and read back from the back buffer before the frame is presented.

#include "app/scene/planeto_world.h"
#include "app/scene/stencil_shadow.h"
#include "app/scene/sun_masking.h"
#include "app/scene/sun_simple.h"
#include "gl_scene.h"
#include "scene_fakes.h"
#include "screen_discs.h"
#include "shadow_stage.h"
#include "data/embedded.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/ini_settings.h"
#include "sdk/core/3d_engine.h"
#include "sdk/opengl/3d_engine_gl12.h"
#include "sdk/os/window.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <functional>
#include <map>
#include <tuple>
#include <memory>
#include <vector>

using namespace zos;

namespace
{

constexpr int W = 320;
constexpr int H = 240;

LRESULT TestProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l)
{
  return CWindow::DefWindowProc(hwnd, msg, w, l);
}

std::unique_ptr<CIniSettings> Store(const char* name)
{
  const SEmbeddedFile* f = FindEmbeddedText(name);
  return std::make_unique<CIniSettings>(reinterpret_cast<const char*>(f->data), f->size);
}

struct SRgb
{
  double r, g, b;
  double Sum() const { return r + g + b; }
};

// Mean colour of a block of the back buffer (y from the top).
SRgb Mean(const std::vector<uint8_t>& px, int x0, int y0, int n)
{
  SRgb m{ 0, 0, 0 };
  for (int y = y0; y < y0 + n; ++y)
    for (int x = x0; x < x0 + n; ++x)
    {
      const uint8_t* p = &px[((H - 1 - y) * W + x) * 4];
      m.r += p[0];
      m.g += p[1];
      m.b += p[2];
    }
  const double k = 1.0 / (n * n);
  return SRgb{ m.r * k, m.g * k, m.b * k };
}

// One frame of the world, read back from the back buffer before it is presented.
void DrawAndRead(CPlanetoWorld& world, std::vector<uint8_t>& px)
{
  ASSERT_EQ(world.GetDevice()->BeginFrame(), ZP_OK);
  world.Draw();
  glFinish();
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  ASSERT_EQ(world.GetDevice()->EndFrame(), ZP_OK);
}

// Writes the frame as a PPM picture when the variable names a file, to look at by hand.
void SaveWhenAsked(const char* szVariable, const std::vector<uint8_t>& px)
{
  const char* out = std::getenv(szVariable);
  if (!out)
    return;
  if (FILE* f = std::fopen(out, "wb"))
  {
    std::fprintf(f, "P6 %d %d 255\n", W, H);
    for (int y = H - 1; y >= 0; --y)
      for (int x = 0; x < W; ++x)
        std::fwrite(&px[(y * W + x) * 4], 1, 3, f);
    std::fclose(f);
  }
}

} // namespace

TEST(SceneGL, TheEarthFillsTheMiddleOfTheFrame)
{
  const char* log = "/tmp/planeto_scene_gl.log";
  auto engine = Store("Planeto.Engine.ini");
  auto appli = Store("Planeto.Appli.ini");
  CPlanetoWorld world;
  world.BindSettings(engine.get(), appli.get(), log);
  world.SetFixedSeed(7); // the start angles are random: keep the lit side where the test looks
  world.RegisterPlatform(PLATFORM_INDEX_OPENGL12, DescribeOpenGL12, CreateOpenGL12, DestroyOpenGL12);
  HWND hwnd = CWindow::Create("PlanetoSceneGL", "scene", WS_OVERLAPPED | WS_VISIBLE, 0, 0, W, H, TestProc,
                              WINDOW_OPENGL);
  ASSERT_NE(hwnd, nullptr);
  ASSERT_EQ(world.Load(hwnd, W, H, 32, false, false, PLATFORM_OPENGL12, ""), ZP_OK);

  SEngineSettings* s = world.GetSettings();
  std::vector<uint8_t> px(W * H * 4);
  for (int frame = 0; frame < 3; ++frame)
  {
    s->dFrameStep = 1.0;
    ASSERT_EQ(world.Update(), ZP_OK);
    ASSERT_NO_FATAL_FAILURE(DrawAndRead(world, px));
  }
  SaveWhenAsked("PLANETO_SCENE_PPM", px);

  // The Earth (about 116 pixels across at this size) sits in the middle; the frame is
  // not one flat colour.
  const SRgb centre = Mean(px, W / 2 - 8, H / 2 - 8, 16);
  EXPECT_GT(centre.Sum(), 30.0);
  const SRgb corner = Mean(px, 0, 0, 16);
  EXPECT_NE(static_cast<int>(centre.Sum()), static_cast<int>(corner.Sum()));

  // Turn the camera round until the sun comes into view: the sun test then knows where
  // it is on the screen, and the frame is bright there.
  bool bSeen = false;
  for (int i = 0; i < 200 && !bSeen; ++i)
  {
    s->dFrameStep = 0.05 / 0.0006; // 0.05 rad of camera yaw per update
    ASSERT_EQ(world.Update(), ZP_OK);
    const SVector3& sun = world.SunTest().GetScreenPoint(CSunTest::SP_SUN);
    bSeen = world.SunTest().IsSunVisible() && world.SunTest().GetSunIntensity() >= 1.0f && sun.x > 20 && sun.x < W - 20 &&
            sun.y > 20 && sun.y < H - 20;
  }
  ASSERT_TRUE(bSeen);
  s->dFrameStep = 0.0;
  ASSERT_EQ(world.Update(), ZP_OK);
  ASSERT_NO_FATAL_FAILURE(DrawAndRead(world, px));
  SaveWhenAsked("PLANETO_SCENE_PPM_SUN", px);
  const SVector3& sun = world.SunTest().GetScreenPoint(CSunTest::SP_SUN);
  const SRgb glow = Mean(px, static_cast<int>(sun.x) - 4, static_cast<int>(sun.y) - 4, 8);
  EXPECT_GT(glow.r, 200.0);
  EXPECT_GT(glow.g, 150.0);

  // Keep turning for a whole turn: the sun passes behind the Earth, its glow rises on
  // the rim and the sun's own intensity falls.
  float fMinSun = 1.0f, fMaxGlow = 0.0f;
  bool bDumped = false;
  for (int i = 0; i < 700; ++i) // more than a whole turn
  {
    s->dFrameStep = 0.01 / 0.0006;
    ASSERT_EQ(world.Update(), ZP_OK);
    if (!world.SunTest().IsSunVisible())
      continue;
    fMinSun = std::min(fMinSun, world.SunTest().GetSunIntensity());
    fMaxGlow = std::max(fMaxGlow, world.SunTest().GetEarthDifractionIntensity());
    if (std::getenv("PLANETO_SCENE_PPM_GLOW") && !bDumped && world.SunTest().GetEarthDifractionIntensity() > 0.6f)
    {
      bDumped = true;
      ASSERT_NO_FATAL_FAILURE(DrawAndRead(world, px));
      SaveWhenAsked("PLANETO_SCENE_PPM_GLOW", px);
    }
  }
  EXPECT_GT(fMaxGlow, 0.5f);
  EXPECT_LT(fMinSun, 0.5f);

  EXPECT_EQ(world.Unload(), ZP_OK);
}

// ---------------------------------------------------------------------------------
// Shadows and the masking sun on the real OpenGL device

namespace
{

using scenetest::CGLScene;
using scenetest::Dist;
using scenetest::MeanOf;
using scenetest::OffTheBodies;

} // namespace

TEST(SceneGL, ShadowSilhouettesOfTheSphere)
{
  CGLScene g({ { "EARTH", "EARTH_SHADOW_ENABLE", "1" }, { "MOON", "MOON_SHADOW_ENABLE", "1" } }, 160, 120);
  ASSERT_TRUE(g.Loaded());
  CStencilShadow* shadow = g.world.GetStencilShadow();
  ASSERT_NE(shadow, nullptr);
  SEngineSettings* s = g.world.GetSettings();
  SMatrix m;
  g.world.GetMath()->Identity(&m);
  shadow->SetCaster(0, g.world.GetSphere(), &m, 3.4028235e38f, -3.4028235e38f);

  // Lit from -x (its seam, at +x, in the dark): the silhouette is the terminator, one
  // closed loop of edges, each extruded away from the sun.
  s->light1.vPosition = SVector3{ -5000.0f, 0.0f, 0.0f };
  shadow->BuildShadowVolume(0);
  const SShadowCaster& c = shadow->GetCaster(0);
  ASSERT_GT(c.dwSideCount, 6u * 20u);
  EXPECT_EQ(c.dwCapCount, c.dwSideCount);
  std::map<std::tuple<long, long, long>, int> ends;
  auto key = [](const SVector3& v)
  { return std::make_tuple(std::lround(v.x), std::lround(v.y), std::lround(v.z)); };
  for (uint32_t k = 0; k < c.dwSideCount; k += 6)
  {
    const SVector3& p1 = c.pSides[k];
    const SVector3& p2 = c.pSides[k + 1];
    const SVector3& e1 = c.pSides[k + 2];
    EXPECT_LT(std::fabs(p1.x), 45.0f) << k; // within a band of the terminator
    EXPECT_NEAR(std::sqrt(p1.x * p1.x + p1.y * p1.y + p1.z * p1.z), 200.0f, 1.0f) << k;
    EXPECT_NEAR(e1.x, p1.x + 50000.0f, 1.0f) << k;
    ++ends[key(p1)];
    --ends[key(p2)];
  }
  for (const auto& [point, n] : ends)
    EXPECT_EQ(n, 0) << "an open end at " << std::get<0>(point) << " " << std::get<1>(point) << " "
                    << std::get<2>(point);

  // A closed mesh with every triangle lit (a sun offset of zero gives N . L = 0
  // everywhere): each edge is toggled twice and nothing is left.
  C3DObject* octahedron = g.world.CreateObject(0xC03, 0x18C3F);
  ASSERT_NE(octahedron, nullptr);
  ASSERT_EQ(octahedron->SetupGeometry(1, 6, 24), ZP_OK);
  octahedron->LockIndices();
  const float v[6][3] = { { 100, 0, 0 },  { -100, 0, 0 }, { 0, 100, 0 },
                          { 0, -100, 0 }, { 0, 0, 100 },  { 0, 0, -100 } };
  for (uint32_t i = 0; i < 6; ++i)
    octahedron->SetVertex(i, v[i][0], v[i][1], v[i][2], 0xFFFFFFFF, 0, 0, 0, 0, 0, 0);
  const uint32_t tris[8][3] = { { 0, 2, 4 }, { 2, 1, 4 }, { 1, 3, 4 }, { 3, 0, 4 },
                                { 2, 0, 5 }, { 1, 2, 5 }, { 3, 1, 5 }, { 0, 3, 5 } };
  for (uint32_t t = 0; t < 8; ++t)
    for (uint32_t k = 0; k < 3; ++k)
      octahedron->SetIndex(3 * t + k, tris[t][k]);
  octahedron->SetPart(0, 0, 6, 0, 24, 8, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
  octahedron->Commit();
  shadow->SetCaster(0, octahedron, &m, 3.4028235e38f, -3.4028235e38f);
  shadow->BuildShadowVolume(0);
  EXPECT_GT(c.dwSideCount, 0u); // lit from one side it has a silhouette...
  s->light1.vPosition = SVector3{ 0.0f, 0.0f, 0.0f };
  shadow->BuildShadowVolume(0);
  EXPECT_EQ(c.dwSideCount, 0u); // ...fully lit, none
  EXPECT_EQ(c.dwCapCount, 0u);
  g.world.DestroyObject(octahedron);
}

// A known volume on a wall from in front of it, beside it, behind it and inside it.
TEST(SceneGL, ShadowIsTheSameFromEverySide)
{
  CGLScene g({ { "EARTH", "EARTH_SHADOW_ENABLE", "1" }, { "MOON", "MOON_SHADOW_ENABLE", "1" } }, 400, 300);
  ASSERT_TRUE(g.Loaded());
  scenetest::CShadowStage stage(g.world);
  ASSERT_TRUE(stage.Ready());
  scenetest::ExpectTheShadowFromEverySide(
      stage, [&](const std::function<void()>& draw) { g.Draw(draw); }, [&](int x, int y) { return g.Level(x, y); });
}

TEST(SceneGL, MaskingSunFadesByWhatTheEarthHides)
{
  constexpr int w = 400, h = 300;
  CGLScene g({ { "SUN", "SUN_MASKING_ENABLE", "1" },
               { "SUN", "INTENSITY_ENABLE", "1" },
               { "LENS_FLARE", "LENS_FLARE_ENABLE", "1" },
               { "LENS_FLARE", "LENS_FLARE_MASKING_ENABLE", "1" },
               { "SKYBOX", "SKYBOX_ENABLE", "0" },
               { "EARTH_DIFRACTION", "EARTH_DIFRACTION_ENABLE", "0" } },
             w, h, 4); // with this seed the sun passes behind the Earth's middle
  ASSERT_TRUE(g.Loaded());
  CSunMasking* sun = g.world.GetSunMasking();
  ASSERT_NE(sun, nullptr);
  const SOccluder earth = sun->GetOccluder(0), moon = sun->GetOccluder(1);
  auto point = [&](int i) { return g.world.SunTest().GetScreenPoint(i); };
  // The share of the sun disc the Earth leaves, from the screen points of the sun test.
  auto left = [&]()
  {
    return ComputeDifraction(point(CSunTest::SP_SUN), point(CSunTest::SP_SUN_RIM),
                             point(CSunTest::SP_EARTH), point(CSunTest::SP_EARTH_RIM))
        .fSunLeft;
  };
  auto turnUntil = [&](auto wanted)
  {
    return scenetest::TurnUntil(g.world,
                                [&]()
                                {
                                  const SVector3 s = point(CSunTest::SP_SUN);
                                  return g.world.SunTest().IsSunVisible() && s.x > 40 && s.x < w - 40 && s.y > 110 &&
                                         s.y < h - 40 && wanted();
                                });
  };
  auto occluders = [&](bool bOn)
  {
    sun->SetOccluder(0, bOn ? earth.pObject : nullptr, bOn ? earth.pMatrix : nullptr);
    sun->SetOccluder(1, bOn ? moon.pObject : nullptr, bOn ? moon.pMatrix : nullptr);
  };
  const auto overlay = [](int x, int y) { return x >= 225 && x < 375 && y < 100; };

  // Half the disc behind the Earth: the coverage overlay shows about half, the mask
  // overlay both colours, and what the coverage fades (the glow and the flares) about
  // half as bright as when nothing hides the sun.
  ASSERT_TRUE(turnUntil([&]() { return std::fabs(left() - 0.5f) < 0.04f; }));
  g.Frame(0.0);
  EXPECT_TRUE(sun->IsVisible());
  EXPECT_NEAR(g.Level(350, 25), 128.0, 45.0);
  EXPECT_GT(g.LevelsWhere([&](int x, int y) { return x >= 225 && x < 325 && y < 100 && g.Level(x, y) > 200; })
                .size(),
            1000u);
  EXPECT_GT(g.LevelsWhere([&](int x, int y) { return x >= 225 && x < 325 && y < 100 && g.Level(x, y) < 30; })
                .size(),
            1000u);
  const double fCoverage = g.Level(350, 25) / 255.0;
  const auto everywhere = [](int, int) { return true; };
  const std::vector<double> half = g.LevelsWhere(everywhere);
  occluders(false);
  g.Frame(0.0);
  const std::vector<double> full = g.LevelsWhere(everywhere);
  EXPECT_GT(g.Level(350, 25), 230.0);
  // The night side the sun is behind is dark: the bright pixels off the overlays (short
  // of white, where the additive flares would clip) are the faded ones.
  double fHalf = 0.0, fFull = 0.0;
  size_t uBright = 0;
  for (size_t i = 0; i < full.size(); ++i)
    if (full[i] > 100.0 && full[i] < 230.0 && !overlay(int(i % w), int(i / w)))
    {
      fHalf += half[i];
      fFull += full[i];
      ++uBright;
    }
  ASSERT_GT(uBright, 500u);
  // What lies under them (the Earth's limb, the visible half of the disc) is not faded.
  EXPECT_NEAR(fHalf / fFull, fCoverage, 0.15) << fHalf << " " << fFull;
  occluders(true);

  // Fully behind: no halo, no rays, no flares; without the occluders all of them show.
  ASSERT_TRUE(turnUntil([&]() { return left() <= 0.0f; }));
  g.Frame(0.0);
  EXPECT_LT(g.Level(350, 25), 8.0);
  const auto off = OffTheBodies(g.world);
  const auto bright = [&](int x, int y) { return !overlay(x, y) && off(x, y) && g.Level(x, y) > 30.0; };
  EXPECT_EQ(g.LevelsWhere(bright).size(), 0u);
  occluders(false);
  g.Frame(0.0);
  EXPECT_GT(g.LevelsWhere(bright).size(), 200u);
  occluders(true);

  // The sun behind the viewer: nothing of it, no flares, no overlays.
  ASSERT_TRUE(scenetest::TurnUntil(g.world, [&]() { return scenetest::SunBehind(g.world); }));
  g.Frame(0.0);
  EXPECT_FALSE(sun->IsVisible());
  const auto offNow = OffTheBodies(g.world);
  EXPECT_EQ(g.LevelsWhere([&](int x, int y) { return offNow(x, y) && g.Level(x, y) > 30.0; }).size(), 0u);
}

// The simple flares with the sun ahead are lit lens ghosts; with the sun behind the
// viewer there are none.
TEST(SceneGL, SimpleFlaresAreLitGhostsAndNoneWithTheSunBehind)
{
  CGLScene g({ { "LENS_FLARE", "LENS_FLARE_ENABLE", "1" }, { "SKYBOX", "SKYBOX_ENABLE", "0" } }, 400, 300, 8);
  ASSERT_TRUE(g.Loaded());
  ASSERT_NO_FATAL_FAILURE(scenetest::ExpectLitGhostsThenNone(
      g.world, [&]() { g.Frame(0.0); }, [&](int x, int y) { return g.Rgb(x, y); }));
}
