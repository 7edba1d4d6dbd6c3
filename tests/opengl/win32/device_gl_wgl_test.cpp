// The OpenGL device over WGL on a window of the Win32 window layer: what it publishes,
// a frame drawn and shown, full screen as a 16-bit display mode (granted or refused),
// and what Destroy gives back.

#include <windows.h>

#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/opengl/3d_engine_gl12.h"
#include "sdk/opengl/gl_headers.h"
#include "sdk/os/window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace
{

DEVMODEA CurrentMode()
{
  DEVMODEA mode = {};
  mode.dmSize = sizeof(mode);
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  return mode;
}

LRESULT TestProc(zos::HWND hwnd, uint32_t msg, WPARAM w, LPARAM l)
{
  return zos::CWindow::DefWindowProc(hwnd, msg, w, l);
}

struct DeviceWGL : ::testing::Test
{
  // Creates the window and the device, full screen at width x height when asked.
  void Start(bool bFullscreen, int iWidth, int iHeight)
  {
    std::memset(settings.get(), 0, sizeof(SEngineSettings));
    SEngineSettings* s = settings.get();
    for (int i = 0; i < 4; ++i)
      s->matProjection.m[i][i] = s->matCamera.m[i][i] = s->matView.m[i][i] = 1.0f;
    s->wWidth = static_cast<uint16_t>(iWidth);
    s->wHeight = static_cast<uint16_t>(iHeight);
    s->bFullscreen = bFullscreen ? 1 : 0;
    s->fFov = 45.0f;
    s->fNear = 1.0f;
    s->fFar = 1000.0f;
    hwnd = zos::CWindow::Create("PlanetoWGLDevice", "wgl device", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 64, 48,
                                TestProc, zos::WINDOW_OPENGL);
    ASSERT_NE(hwnd, nullptr);
    device.reset(static_cast<C3DEngineGL12*>(CreateOpenGL12()));
    ASSERT_EQ(device->Create(s, hwnd), ZP_OK);
  }

  void Stop()
  {
    EXPECT_EQ(device->Destroy(), ZP_OK);
    EXPECT_EQ(settings->pPlatform, nullptr);
    EXPECT_FALSE(zos::CWindow::IsWindow(hwnd));
  }

  std::unique_ptr<SEngineSettings> settings{ new SEngineSettings };
  std::unique_ptr<C3DEngineGL12> device;
  zos::HWND hwnd = nullptr;
};

} // namespace

TEST_F(DeviceWGL, DrawsAFrameOnTheWindowAndDestroyGivesEverythingBack)
{
  Start(false, 64, 48);
  SPlatformGL* p = GetPlatformGL(settings.get());
  ASSERT_EQ(p, device->GetPlatform());
  EXPECT_EQ(p->hDC, static_cast<void*>(wglGetCurrentDC()));
  EXPECT_EQ(p->hRC, static_cast<void*>(wglGetCurrentContext()));
  EXPECT_EQ(p->hPalette, nullptr);
  EXPECT_NE(p->glActiveTextureARB, nullptr);

  settings->dwClearColor = 0x00FF0000; // red
  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  GLubyte pixel[4] = {};
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(pixel[0], 255);
  EXPECT_EQ(pixel[1], 0);
  EXPECT_EQ(device->EndFrame(), ZP_OK);

  Stop();
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST_F(DeviceWGL, ARefusedDisplayModeRunsWindowed)
{
  const DEVMODEA before = CurrentMode();
  Start(true, 641, 479); // no display offers it
  EXPECT_EQ(settings->bFullscreen, 0);
  EXPECT_EQ(CurrentMode().dmBitsPerPel, before.dmBitsPerPel);
  Stop();
}

TEST_F(DeviceWGL, FullScreenIsA16BitModeUntilDestroy)
{
  const DEVMODEA before = CurrentMode();
  Start(true, before.dmPelsWidth, before.dmPelsHeight);
  EXPECT_EQ(settings->bFullscreen, 1);
  EXPECT_EQ(CurrentMode().dmBitsPerPel, 16u);
  Stop();
  EXPECT_EQ(CurrentMode().dmBitsPerPel, before.dmBitsPerPel);
}
