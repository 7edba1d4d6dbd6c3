// The software platform as the application base runs it: registered at index 4,
// chosen by its flags, created by Load in a real window, frames through Frame, and
// destroyed by Unload.

#include <gtest/gtest.h>

#include "sdk/core/3d_engine.h"
#include "sdk/core/3d_math.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/shape_builder.h"
#include "sdk/core/world_base.h"
#include "sdk/os/window.h"
#include "sdk/software/3d_engine_soft.h"
#include "sdk/software/software_platform.h"

#include <chrono>
#include <cstring>
#include <thread>

using namespace zos;

namespace
{

LRESULT TestProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l)
{
  return CWindow::DefWindowProc(hwnd, msg, w, l);
}

class CSphereWorld : public CWorldBase
{
public:
  ZRESULT Draw() override
  {
    CWorldBase::Draw();
    if (m_pSphere)
      m_pSphere->Draw(-1);
    if (m_pBox)
      m_pBox->Draw(-1);
    return ZP_OK;
  }
  C3DObject* m_pSphere = nullptr;
  C3DObject* m_pBox = nullptr;
};

TEST(SoftwareWorld, LoadFrameUnloadInAWindow)
{
  HWND hwnd =
      CWindow::Create("PlanetoSoftWorld", "software", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 150, TestProc);
  if (!hwnd)
    GTEST_SKIP() << "no X server";
  for (int i = 0; i < 100 && !hwnd->IsVisible(); ++i)
  {
    CWindow::PumpEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  {
    CSphereWorld world;
    world.BindSettings(nullptr, nullptr, "software_world.log");
    ASSERT_TRUE(
        world.RegisterPlatform(PLATFORM_INDEX_SOFTWARE, DescribeSoftware, CreateSoftware, DestroySoftware));
    SPlatformDesc descs[10];
    ASSERT_EQ(1u, world.EnumDevices(descs, 10, 0x7000000, "."));
    EXPECT_STREQ("Zephyro3D zp3D", descs[0].szName);

    ASSERT_EQ(ZP_OK, world.Load(hwnd, 200, 150, 16, false, false, PLATFORM_SOFTWARE, "."));
    SEngineSettings* s = world.GetSettings();
    auto* device = dynamic_cast<C3DEngineSoft*>(world.GetDevice());
    ASSERT_NE(nullptr, device);
    EXPECT_EQ(&device->GetPlatform(), s->pPlatform);
    EXPECT_EQ(hwnd, *static_cast<HWND*>(s->pPlatform)) << "the window handle comes first";
    EXPECT_EQ(1.0f, world.GetMath()->GetDepthSign());
    EXPECT_EQ(0.0f, s->light1.fDiffuse) << "ApplyLights ran after the settings were read";

    world.m_pSphere = world.CreateObject(0xC03, 0x19C3F);
    ASSERT_NE(nullptr, world.m_pSphere);
    SShapeSphere sp = { 200.0f, 12, 0xFFFFFFFF, 0xFFFFFFFF };
    ASSERT_EQ(ZP_OK, world.m_pSphere->BuildShape(SHAPE_SPHERE, &sp));
    world.GetMath()->SetTranslation(world.m_pSphere->GetMatrix(), 0, 0, 1000);
    // A red box in the lower left corner of the view.
    world.m_pBox = world.CreateObject(0xC03, 0x1);
    ASSERT_NE(nullptr, world.m_pBox);
    SShapeBox box = { 40.0f, 40.0f, 40.0f, 0, 0xFFFF0000, 0xFFFFFFFF, 0.0f, 1.0f };
    ASSERT_EQ(ZP_OK, world.m_pBox->BuildShape(SHAPE_BOX, &box));
    world.GetMath()->SetTranslation(world.m_pBox->GetMatrix(), -300, -200, 1000);

    for (int i = 0; i < 3; ++i)
      ASSERT_EQ(ZP_OK, world.Frame());
    EXPECT_GT(s->adwCounters[2], 0u);
    EXPECT_EQ(0, std::strncmp(s->szName + std::strcspn(s->szName, " "), " fps 200x150x32 ", 16)) << s->szName;

    // The last frame is in the window: grey around a sphere of edges in the middle.
    const CBitmap* shown = device->GetPresentedBitmap();
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ(SOFT_BACKGROUND, shown->GetPixel(5, 140));
    int drawn = 0;
    for (int y = 40; y < 110; ++y)
      for (int x = 60; x < 140; ++x)
        drawn += shown->GetPixel(x, y) != SOFT_BACKGROUND;
    EXPECT_GT(drawn, 200);
    int red = 0;
    for (int y = 75; y < 150; ++y)
      for (int x = 0; x < 60; ++x)
        red += shown->GetPixel(x, y) == 0xFFFF0000u;
    EXPECT_GT(red, 20) << "the box's edges";

    EXPECT_EQ(ZP_OK, world.Unload());
    EXPECT_EQ(nullptr, s->pPlatform);
    EXPECT_EQ(nullptr, world.GetDevice());
  }
  hwnd->Destroy();
}

} // namespace
