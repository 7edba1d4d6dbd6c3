// Presentation of the software device into a real X window, read back with XGetImage.

#include "sdk/core/3d_math.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/os/bitmap.h"
#include "sdk/os/window.h"
#include "sdk/software/3d_engine_soft.h"

// gtest first: Xlib's macros (None, Bool...) would break its templates.
#include <gtest/gtest.h>

#include "sdk/os/x11/window_x11.h" // after gtest: Xlib's macros clash with it
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

using namespace zos;

namespace
{

LRESULT TestProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l)
{
  return CWindow::DefWindowProc(hwnd, msg, w, l);
}

// Waits until the server shows the window (no window manager under Xvfb maps at once,
// one with a manager may take a moment).
bool WaitViewable(Display* dpy, Window win)
{
  for (int i = 0; i < 200; ++i)
  {
    XWindowAttributes attr;
    if (XGetWindowAttributes(dpy, win, &attr) && attr.map_state == IsViewable)
      return true;
    CWindow::PumpEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Reads one pixel of the window as 0xRRGGBB.
uint32_t ReadPixel(Display* dpy, Window win, int x, int y)
{
  XImage* img = XGetImage(dpy, win, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!img)
    return 0xDEADBEEF;
  const unsigned long p = XGetPixel(img, 0, 0);
  XWindowAttributes attr;
  XGetWindowAttributes(dpy, win, &attr);
  auto channel = [p](unsigned long mask)
  {
    int shift = 0;
    while (mask && !((mask >> shift) & 1))
      ++shift;
    return uint32_t((p & mask) >> shift);
  };
  const uint32_t rgb = (channel(attr.visual->red_mask) << 16) | (channel(attr.visual->green_mask) << 8) |
                       channel(attr.visual->blue_mask);
  XDestroyImage(img);
  return rgb;
}

class SoftwareX11Test : public ::testing::Test
{
protected:
  void SetUp() override
  {
    hwnd =
        CWindow::Create("PlanetoSoftTest", "software", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 160, 120, TestProc);
    if (!hwnd)
      GTEST_SKIP() << "no X server";
    dpy = static_cast<Display*>(CWindow::GetNativeDisplay());
    win = hwnd->GetNativeHandle();
    ASSERT_TRUE(WaitViewable(dpy, win));
  }

  void TearDown() override
  {
    if (hwnd)
      hwnd->Destroy();
  }

  HWND hwnd = nullptr;
  Display* dpy = nullptr;
  Window win = 0;
};

TEST_F(SoftwareX11Test, FramesArePresentedInTheWindow)
{
  C3DMath math;
  auto settings = std::make_unique<SEngineSettings>();
  std::memset(settings.get(), 0, sizeof(SEngineSettings));
  SEngineSettings* s = settings.get();
  s->pMath = &math;
  math.Identity(&s->matProjection);
  math.Identity(&s->matView);
  math.Identity(&s->matCamera);
  s->wWidth = 160;
  s->wHeight = 120;
  s->byColorDepth = 32;
  s->dwTextColor = PackColor(0, 0, 255, 255);
  s->dFrameRate = 60.0;
  s->dFrameStep = 0.5;

  C3DEngineSoft device;
  ASSERT_EQ(ZP_OK, device.Create(s, hwnd));
  EXPECT_EQ(hwnd, device.GetPlatform().hWnd);
  EXPECT_EQ(160, device.GetPlatform().rcClient.right);
  EXPECT_EQ(120, device.GetPlatform().rcClient.bottom);
  EXPECT_EQ(160u, device.GetRaster()->GetWidth());

  // A red horizontal edge across the middle: a degenerate triangle without culling.
  C3DObject* o = device.CreateObject(0x2, 0x1);
  ASSERT_NE(nullptr, o);
  ASSERT_EQ(ZP_OK, o->SetupGeometry(1, 3, 3));
  o->LockIndices();
  o->SetSequentialIndices();
  o->SetVertex(0, -0.5f, 0, 0, 0xFFFF0000, 0, 0, 0, 0, 0, 0);
  o->SetVertex(1, 0, 0, 0, 0xFFFF0000, 0, 0, 0, 0, 0, 0);
  o->SetVertex(2, 0.5f, 0, 0, 0xFFFF0000, 0, 0, 0, 0, 0, 0);
  o->SetPart(0, 0, 3, 0, 3, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
  o->Commit();

  ASSERT_EQ(ZP_OK, device.BeginFrame());
  o->Draw(-1);
  ASSERT_EQ(ZP_OK, device.EndFrame());
  XSync(dpy, False);

  EXPECT_EQ(0x787878u, ReadPixel(dpy, win, 150, 110)); // grey background
  EXPECT_EQ(0xFF0000u, ReadPixel(dpy, win, 80, 60));   // the edge, (40..120, 60)
  EXPECT_EQ(0x787878u, ReadPixel(dpy, win, 80, 61));
  // The frame-rate line in cyan at the top left.
  XImage* img = XGetImage(dpy, win, 0, 0, 160, 12, AllPlanes, ZPixmap);
  ASSERT_NE(nullptr, img);
  int cyan = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 160; ++x)
      cyan += (XGetPixel(img, x, y) & 0xFFFFFF) == 0x00FFFF;
  XDestroyImage(img);
  EXPECT_GT(cyan, 30);
  EXPECT_STREQ("60.00 fps 160x120x32 0.50", s->szName);

  // The next frame, drawn into the other bitmap without the edge, replaces it.
  ASSERT_EQ(ZP_OK, device.BeginFrame());
  ASSERT_EQ(ZP_OK, device.EndFrame());
  XSync(dpy, False);
  EXPECT_EQ(0x787878u, ReadPixel(dpy, win, 80, 60));

  // A window closed before the device goes: frames still end cleanly.
  hwnd->Destroy();
  hwnd = nullptr;
  ASSERT_EQ(ZP_OK, device.BeginFrame());
  ASSERT_EQ(ZP_OK, device.EndFrame());

  EXPECT_EQ(ZP_OK, device.Destroy());
  EXPECT_EQ(nullptr, s->pPlatform);
}

TEST_F(SoftwareX11Test, PresenterHandlesAnArgbVisual)
{
  XVisualInfo info;
  if (!XMatchVisualInfo(dpy, DefaultScreen(dpy), 32, TrueColor, &info))
    GTEST_SKIP() << "no 32-bit visual";
  SWindowVisual visual = { info.visual, 32, 0 };
  HWND argb = CreateWindowOnVisual("PlanetoSoftTest", "argb", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 40, 30,
                                   TestProc, &visual);
  ASSERT_NE(nullptr, argb);
  ASSERT_TRUE(WaitViewable(dpy, argb->GetNativeHandle()));

  CBitmapPresenter presenter;
  ASSERT_TRUE(presenter.Attach(argb));
  EXPECT_EQ(32, presenter.GetDepth());
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.Create(40, 30));
  bitmap.Fill(0xFF204060);
  bitmap.SetPixel(5, 6, 0xFFFF8000);
  ASSERT_TRUE(presenter.Present(bitmap, 0, 0, 40, 30));
  XSync(dpy, False);
  EXPECT_EQ(0x204060u, ReadPixel(dpy, argb->GetNativeHandle(), 20, 20));
  EXPECT_EQ(0xFF8000u, ReadPixel(dpy, argb->GetNativeHandle(), 5, 6));
  presenter.Detach();
  argb->Destroy();
}

TEST(BitmapPresenter, RefusesAMissingWindow)
{
  CBitmapPresenter presenter;
  EXPECT_FALSE(presenter.Attach(nullptr));
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.Create(4, 4));
  EXPECT_FALSE(presenter.Present(bitmap, 0, 0, 4, 4));
}

} // namespace
