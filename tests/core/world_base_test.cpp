#include "core_fixture.h"

#include "sdk/core/3d_math.h"
#include "sdk/core/ini_settings.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/os/clock.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zos;

namespace
{

TEST(CoreWorldBase, PlatformChoiceLaterMatchWins)
{
  EXPECT_EQ(CWorldBase::ChoosePlatformIndex(0x1000004), 2);
  EXPECT_EQ(CWorldBase::ChoosePlatformIndex(0x1000003), 1); // 0x1000002 and 0x1000001
  EXPECT_EQ(CWorldBase::ChoosePlatformIndex(0x1000002), 0);
  EXPECT_EQ(CWorldBase::ChoosePlatformIndex(0x1000010), 4);
  EXPECT_EQ(CWorldBase::ChoosePlatformIndex(0x1000014), 4);
  EXPECT_EQ(CWorldBase::ChoosePlatformIndex(0x1000020), -1); // PSP GU is never selected
  EXPECT_EQ(CWorldBase::ChoosePlatformIndex(0x0000004), -1); // not a video platform
}

ZRESULT FailDescribe(SPlatformDesc*) { return ZP_FAIL; }

ZRESULT GLDescribe(SPlatformDesc* p)
{
  FakeDescribe(p);
  snprintf(p->szName, sizeof(p->szName), "%s", "OpenGL 1.2");
  p->dwFlags = PLATFORM_OPENGL12;
  return ZP_OK;
}

TEST(CoreWorldBase, EnumDevicesInTableOrder)
{
  CWorldBase world;
  SPlatformDesc descs[10];
  memset(descs, 0xAB, sizeof(descs));
  EXPECT_EQ(world.EnumDevices(descs, 10, 0x7000000, "."), 0u);
  EXPECT_EQ(descs[9].dwFlags, 0u); // cleared all the same

  EXPECT_FALSE(world.RegisterPlatform(6, FakeDescribe, FakeCreate, FakeDestroy));
  world.RegisterPlatform(4, FakeDescribe, FakeCreate, FakeDestroy);
  world.RegisterPlatform(2, GLDescribe, FakeCreate, FakeDestroy);
  world.RegisterPlatform(1, FailDescribe, FakeCreate, FakeDestroy);
  EXPECT_EQ(world.EnumDevices(descs, 10, 0x6000000, "."), 0u); // no video bit
  ASSERT_EQ(world.EnumDevices(descs, 10, 0x7000000, "."), 2u);
  EXPECT_STREQ(descs[0].szName, "OpenGL 1.2");
  EXPECT_STREQ(descs[1].szName, "Zephyro3D zp3D");
  EXPECT_STREQ(descs[1].szBuild, "Mar  4 2008 20:14:30");
  EXPECT_EQ(descs[2].dwFlags, 0u);
  EXPECT_EQ(world.EnumDevices(descs, 1, 0x7000000, "."), 1u); // capacity respected
  EXPECT_EQ(world.GetPlatformTable()[2].pfnDescribe, &GLDescribe);
}

TEST(CoreWorldBase, LoadFailsWithoutCompleteEntry)
{
  CWorldBase world;
  std::string log = TestLogPath();
  world.BindSettings(nullptr, nullptr, log.c_str());
  EXPECT_EQ(world.Load(nullptr, 640, 480, 16, true, false, PLATFORM_SOFTWARE, "."), ZP_FAIL);
  world.RegisterPlatform(4, FakeDescribe, FakeCreate, nullptr);
  EXPECT_EQ(world.Load(nullptr, 640, 480, 16, true, false, PLATFORM_SOFTWARE, "."), ZP_FAIL);
  EXPECT_EQ(world.GetDevice(), nullptr);
  world.RegisterPlatform(4, FailDescribe, FakeCreate, FakeDestroy);
  EXPECT_EQ(world.Load(nullptr, 640, 480, 16, true, false, PLATFORM_SOFTWARE, "."), ZP_FAIL);
  EXPECT_NE(ReadFile(log).find("# 640 x 480 : 16 fullscreen\n"), std::string::npos);
}

TEST(CoreWorldBase, LoadSetsUpRecordDeviceAndCamera)
{
  SLoadedWorld w;
  ASSERT_EQ(w.loadResult, ZP_OK);
  SEngineSettings* s = w.S();
  EXPECT_EQ(CallLog(), (std::vector<std::string>{ "Create", "ApplyFog", "ApplyLights", "Refresh",
                                                  "ResetModelView", "Resize" }));
  EXPECT_EQ(s->wWidth, 800);
  EXPECT_EQ(s->wHeight, 600);
  EXPECT_EQ(s->byColorDepth, 32); // whatever was chosen
  EXPECT_STREQ(s->descPlatform.szName, "Zephyro3D zp3D");
  EXPECT_EQ(s->pMath, w.world.GetMath());
  EXPECT_EQ(s->pMath->GetDepthSign(), 1.0f);
  EXPECT_EQ(s->pFrameTimer, w.world.GetFrameTimer());
  EXPECT_EQ(s->pApplication, &w.world);
  EXPECT_EQ(s->dwSdkVersion, 0x30000u);
  EXPECT_STREQ(s->szSdkBuild, "Mar  4 2008 20:14:05");
  EXPECT_NE(ReadFile(w.strLog).find("# 800 x 600 : 16 windowed\n"), std::string::npos);

  // Code defaults without a store, and the camera's projection from them.
  EXPECT_EQ(s->dwClearColor, 0x96969696u);
  EXPECT_TRUE(s->swFog.bCurrent && s->swFog.bConfigured);
  EXPECT_FLOAT_EQ(s->fAspect, 800.0f / 600.0f);
  EXPECT_NEAR(s->matProjection.m[1][1], 2.4142f, 1e-3f);
  EXPECT_EQ(s->matProjection.m[3][3], 0.0f);
  EXPECT_EQ(s->adwFixed[0], 1u);
  EXPECT_EQ(s->adwFixed[1], 0u);
  EXPECT_EQ(s->adwFixed[2], 1u);
  EXPECT_TRUE(s->swDepth.bCurrent && s->swExtra.bConfigured);

  // Resize updates the record and the projection.
  w.world.Resize(400, 400);
  EXPECT_EQ(s->wWidth, 400);
  EXPECT_FLOAT_EQ(s->fAspect, 1.0f);
}

TEST(CoreWorldBase, OpenGLStylePlatformMirrorsDepth)
{
  CWorldBase world;
  world.RegisterPlatform(2, GLDescribe, FakeCreate, FakeDestroy);
  ASSERT_EQ(world.Load(nullptr, 320, 200, 32, false, false, 0x1000004, "."), ZP_OK);
  EXPECT_EQ(world.GetMath()->GetDepthSign(), -1.0f);
  world.Unload();
}

// A small engine text: CR LF lines, a duplicate key, a TAB before "=", a colour above 255.
const char kEngineIni[] =
    "[FOG]\r\n"
    "FOG_ENABLE\t= 0\r\n"
    "FOG_START = 10.5\r\n"
    "FOG_COLOR_A = 255\r\nFOG_COLOR_R = 300\r\nFOG_COLOR_G = 2\r\nFOG_COLOR_B = 3\r\n"
    "[CAMERA]\r\n"
    "VIEW_DEG_FIELD = 90.0\r\nVIEW_NEAR_DISTANCE = 2.0\r\nVIEW_FAR_DISTANCE = 100.0\r\n"
    "[LIGHT]\r\n"
    "LIGHT_1_TYPE = 1 // 0=DIRECTIONAL, 1=POINT\r\n"
    "LIGHT_1_POS_X = 5000.0\r\nLIGHT_1_POS_Y = 0.0\r\nLIGHT_1_POS_Z = 0.0\r\n"
    "LIGHT_1_AMBIENT = 0.03\r\nLIGHT_1_AMBIENT = 0.02 // black\r\n"
    "LIGHT_2_ENABLE = 0\r\n"
    "COLOR_CLEAR_A = 0\r\nCOLOR_CLEAR_R = 0\r\nCOLOR_CLEAR_G = 0\r\nCOLOR_CLEAR_B = 0\r\n"
    "SPECULAR_ENABLE = 1\r\n"
    "[TEXT]\r\nTEXT_ENABLE = 1\r\n"
    "[POINT_SPRITE]\r\nMAX_SIZE = 7.0\r\n"
    "[STENCIL_SHADOW]\r\nSTENCIL_SHADOW = 0\r\n"
    "[GAMMA_CORRECTION]\r\nGAMMA_CORRECTION_ENABLE = 1\r\n";

TEST(CoreWorldBase, RecordFilledFromEngineText)
{
  CIniSettings ini(kEngineIni, sizeof(kEngineIni) - 1);
  SLoadedWorld w(&ini);
  ASSERT_EQ(w.loadResult, ZP_OK);
  SEngineSettings* s = w.S();
  EXPECT_EQ(s->pEngineStore, &ini);
  EXPECT_FALSE(s->swFog.bCurrent);
  EXPECT_FALSE(s->swFog.bConfigured);
  EXPECT_FLOAT_EQ(s->fFogStart, 10.5f);
  EXPECT_FLOAT_EQ(s->fFogEnd, 2000.0f);  // code default
  EXPECT_EQ(s->dwFogColor, 0xFF2C0203u); // 300 cut to 44
  EXPECT_FLOAT_EQ(s->fFov, 90.0f);
  EXPECT_FLOAT_EQ(s->fNear, 2.0f);
  EXPECT_FLOAT_EQ(s->fFar, 100.0f);
  EXPECT_EQ(s->light1.iType, 1);
  EXPECT_FLOAT_EQ(s->light1.vPosition.x, 5000.0f);
  EXPECT_FLOAT_EQ(s->light1.fAmbient, 0.03f); // the first occurrence
  EXPECT_FLOAT_EQ(s->light1.fDiffuse, 1.0f);
  EXPECT_TRUE(s->light1.swEnable.bCurrent);
  EXPECT_FALSE(s->light2.swEnable.bConfigured);
  EXPECT_FLOAT_EQ(s->light2.vPosition.y, 8000.0f);
  EXPECT_EQ(s->dwClearColor, 0u);
  EXPECT_EQ(s->dwAmbientColor, 0x96969696u);
  EXPECT_EQ(s->dwTextColor, 0x0000FFFFu);
  EXPECT_EQ(s->dwWireframeColor, 0x00009600u);
  EXPECT_TRUE(s->bText);
  EXPECT_FALSE(s->bWireframe);
  EXPECT_EQ(s->iGammaInitial, 128);
  EXPECT_FLOAT_EQ(s->fPointSpriteMax, 7.0f);
  EXPECT_FALSE(s->swStencilShadow.bCurrent);
  EXPECT_TRUE(s->bGammaCorrection);
  // The gamma step ran before the other camera slots; the projection uses the text.
  EXPECT_EQ(CallLog()[3], "ApplyGamma");
  EXPECT_NEAR(s->matProjection.m[1][1], 1.0f, 1e-5f);

  // A caller turns a switch off for one draw and restores it.
  s->swSpecular.bCurrent = 0;
  s->swSpecular.Restore();
  EXPECT_TRUE(s->swSpecular.bCurrent);
}

TEST(CoreWorldBase, FrameOrderAndReleasedKeys)
{
  SLoadedWorld w;
  SEngineSettings* s = w.S();
  SMessage m{};
  m.message = WM_KEYDOWN;
  m.wParam = VK_ADD;
  w.world.HandleMessage(&m);
  EXPECT_EQ(s->abKeyDown[VK_ADD], 1);
  m.message = WM_KEYUP;
  w.world.HandleMessage(&m);
  EXPECT_EQ(s->abKeyDown[VK_ADD], 0);
  EXPECT_EQ(s->abKeyReleased[VK_ADD], 1);
  EXPECT_EQ(s->byReleasedKeyCount, 1);
  m.message = WM_LBUTTONDOWN;
  w.world.HandleMessage(&m);
  m.message = WM_LBUTTONUP;
  w.world.HandleMessage(&m);
  EXPECT_EQ(s->abButtons[BUTTON_LEFT_DOWN], 0);
  EXPECT_EQ(s->abButtons[BUTTON_LEFT_RELEASED], 1);
  m.message = WM_MOUSEMOVE;
  m.lParam = MAKELPARAM(-5, 0xFFF0);
  w.world.HandleMessage(&m);
  EXPECT_EQ(s->fMouseX, -5.0f);
  EXPECT_EQ(s->fMouseY, 65520.0f);

  s->adwCounters[0] = 7;
  CallLog().clear();
  ASSERT_EQ(w.world.Frame(), ZP_OK);
  EXPECT_EQ(CallLog(),
            (std::vector<std::string>{ "UpdateView", "BeginFrame", "ApplyPerspective", "EndFrame" }));
  EXPECT_EQ(s->adwCounters[0], 0u);
  EXPECT_EQ(s->abKeyReleased[VK_ADD], 0);
  EXPECT_EQ(s->byReleasedKeyCount, 0);
  EXPECT_EQ(s->abButtons[BUTTON_LEFT_RELEASED], 0);

  w.Device()->bFailBeginFrame = true;
  s->abKeyReleased[1] = 1;
  CallLog().clear();
  EXPECT_EQ(w.world.Frame(), ZP_FAIL);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{ "UpdateView", "BeginFrame" }));
  EXPECT_EQ(s->abKeyReleased[1], 1); // the rest of the frame was skipped
  w.Device()->bFailBeginFrame = false;
  w.Device()->bFailEndFrame = true;
  EXPECT_EQ(w.world.Frame(), ZP_FAIL);
}

TEST(CoreWorldBase, UpdateMakesCameraTheView)
{
  SLoadedWorld w;
  SEngineSettings* s = w.S();
  w.world.GetMath()->Identity(&s->matCamera);
  w.world.GetMath()->SetTranslation(&s->matCamera, 1.0f, 2.0f, 3.0f);
  w.world.Update();
  EXPECT_FLOAT_EQ(s->matView.m[3][0], -1.0f);
  EXPECT_FLOAT_EQ(s->matView.m[3][1], -2.0f);
  EXPECT_FLOAT_EQ(s->matView.m[3][2], -3.0f);
}

TEST(CoreWorldBase, UnloadDestroysDeviceAndClearsRegistrations)
{
  SLoadedWorld w;
  w.world.CreateObject(0xC03, 0);
  CallLog().clear();
  EXPECT_EQ(w.world.Unload(), ZP_OK);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{ "Destroy", "ModuleDestroy" }));
  EXPECT_EQ(w.world.GetDevice(), nullptr);
  EXPECT_EQ(w.world.GetPlatformTable()[4].pfnCreate, nullptr);
  EXPECT_EQ(w.world.Frame(), ZP_FAIL);
  EXPECT_EQ(w.world.Load(nullptr, 1, 1, 32, false, false, PLATFORM_SOFTWARE, "."), ZP_FAIL);
}

uint32_t SampleDeep(CWorldBase& w, int n)
{
  volatile char pad[256];
  pad[0] = static_cast<char>(n);
  if (n == 0)
    w.SampleStackDepth();
  else
    SampleDeep(w, n - 1);
  return pad[0];
}

TEST(CoreWorldBase, StackDepthKeepsTheMaximum)
{
  CWorldBase w;
  SampleDeep(w, 8);
  uint32_t deep = w.GetSettings()->dwStackDepthMax;
  EXPECT_GT(deep, 0u);
  SampleDeep(w, 1);
  EXPECT_EQ(w.GetSettings()->dwStackDepthMax, deep);
}

TEST(CoreWorldBase, RandomGeneratorIsSeededInRecord)
{
  CWorldBase w1, w2;
  w1.SeedRandom(5489);
  EXPECT_EQ(w1.NextRandom(), 3499211612u); // MT19937's first output for its default seed
  w1.SeedRandom(7);
  w2.SeedRandom(7);
  EXPECT_EQ(w1.NextRandom(), w2.NextRandom());
}

TEST(CoreWorldBase, FixedSeedAndStepMakeRunsReproducible)
{
  uint32_t first[2];
  for (uint32_t& r : first)
  {
    CWorldBase world;
    world.SetFixedSeed(7);
    world.SetFixedFrameStep(1.5);
    world.RegisterPlatform(4, FakeDescribe, FakeCreate, FakeDestroy);
    ASSERT_EQ(world.Load(nullptr, 320, 200, 32, false, false, PLATFORM_SOFTWARE, "."), ZP_OK);
    r = world.NextRandom();
    ASSERT_EQ(world.Frame(), ZP_OK);
    EXPECT_EQ(world.GetSettings()->dFrameStep, 1.5);
    EXPECT_EQ(world.GetSettings()->dFrameRate, 20.0);
    world.Unload();
  }
  EXPECT_EQ(first[0], first[1]);
}

TEST(CoreWorldBase, MemoryReportInDestructor)
{
  std::string log = TestLogPath();
  {
    CWorldBase world;
    world.BindSettings(nullptr, nullptr, log.c_str());
  }
  std::string text = ReadFile(log);
  EXPECT_NE(text.find("# RAM size max = "), std::string::npos);
  EXPECT_NE(text.find("# Stack depth max = "), std::string::npos);
}

int64_t g_llNowNs = 0;
bool StepClock(int64_t* p)
{
  *p = g_llNowNs;
  return true;
}
bool NanosecondClock(int64_t* p)
{
  *p = 1000000000;
  return true;
}

TEST(CoreWorldBase, AdvanceUpdatesWithoutDrawingAndTheNextFrameStepsFromIt)
{
  SClockHooks hooks = { StepClock, NanosecondClock, nullptr, nullptr };
  SetClockHooks(&hooks);
  g_llNowNs = 0;
  {
    SLoadedWorld w;
    g_llNowNs = 1000000000; // a second unseen
    CallLog().clear();
    ASSERT_EQ(w.world.Advance(), ZP_OK);
    EXPECT_EQ(CallLog(), (std::vector<std::string>{ "UpdateView" }));
    EXPECT_DOUBLE_EQ(w.S()->dFrameStep, 30.0);
    g_llNowNs += 100000000; // seen again a tenth later: a tenth's step, not the whole time
    ASSERT_EQ(w.world.Frame(), ZP_OK);
    EXPECT_DOUBLE_EQ(w.S()->dFrameStep, 3.0);
  }
  SetClockHooks(nullptr);
}
} // namespace
