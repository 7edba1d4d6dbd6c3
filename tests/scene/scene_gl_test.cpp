// The planet scene on the real OpenGL device: loaded from the built-in texts, drawn,
// and read back from the back buffer before the frame is presented.

#include "app/scene/planeto_world.h"
#include "app/scene/sun_simple.h"
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
#include <memory>
#include <vector>

using namespace zos;

namespace {

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

}  // namespace

TEST(SceneGL, TheEarthFillsTheMiddleOfTheFrame)
{
  const char* log = "/tmp/planeto_scene_gl.log";
  auto engine = Store("Planeto.Engine.ini");
  auto appli = Store("Planeto.Appli.ini");
  CPlanetoWorld world;
  world.BindSettings(engine.get(), appli.get(), log);
  world.SetFixedSeed(7);   // the start angles are random: keep the lit side where the test looks
  world.RegisterPlatform(PLATFORM_INDEX_OPENGL12, DescribeOpenGL12, CreateOpenGL12, DestroyOpenGL12);
  SWindowVisual visual;
  const bool bVisual = ChooseWindowVisualGL(&visual);
  HWND hwnd = CWindow::Create("PlanetoSceneGL", "scene", WS_OVERLAPPED | WS_VISIBLE, 0, 0, W, H, TestProc,
                              bVisual ? &visual : nullptr);
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
    s->dFrameStep = 0.05 / 0.0006;   // 0.05 rad of camera yaw per update
    ASSERT_EQ(world.Update(), ZP_OK);
    const SVector3& sun = world.GetScreenPoint(CPlanetoWorld::SP_SUN);
    bSeen = world.IsSunVisible() && world.GetSunIntensity() >= 1.0f && sun.x > 20 && sun.x < W - 20 &&
            sun.y > 20 && sun.y < H - 20;
  }
  ASSERT_TRUE(bSeen);
  s->dFrameStep = 0.0;
  ASSERT_EQ(world.Update(), ZP_OK);
  ASSERT_NO_FATAL_FAILURE(DrawAndRead(world, px));
  SaveWhenAsked("PLANETO_SCENE_PPM_SUN", px);
  const SVector3& sun = world.GetScreenPoint(CPlanetoWorld::SP_SUN);
  const SRgb glow = Mean(px, static_cast<int>(sun.x) - 4, static_cast<int>(sun.y) - 4, 8);
  EXPECT_GT(glow.r, 200.0);
  EXPECT_GT(glow.g, 150.0);

  // Keep turning for a whole turn: the sun passes behind the Earth, its glow rises on
  // the rim and the sun's own intensity falls.
  float fMinSun = 1.0f, fMaxGlow = 0.0f;
  bool bDumped = false;
  for (int i = 0; i < 700; ++i)   // more than a whole turn
  {
    s->dFrameStep = 0.01 / 0.0006;
    ASSERT_EQ(world.Update(), ZP_OK);
    if (!world.IsSunVisible())
      continue;
    fMinSun = std::min(fMinSun, world.GetSunIntensity());
    fMaxGlow = std::max(fMaxGlow, world.GetEarthDifractionIntensity());
    if (std::getenv("PLANETO_SCENE_PPM_GLOW") && !bDumped && world.GetEarthDifractionIntensity() > 0.6f)
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
