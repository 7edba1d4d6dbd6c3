// Presentation of memory bitmaps through MIT-SHM (and the XPutImage fallback), read back
// from the window with XGetImage.

#include "sdk/os/bitmap.h"
#include "sdk/os/window.h"

// gtest first: Xlib's macros (None, Bool...) would break its templates.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <chrono>
#include <thread>

using namespace zos;

namespace
{

LRESULT TestProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l)
{
  return CWindow::DefWindowProc(hwnd, msg, w, l);
}

class BitmapPresenterTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    hwnd = CWindow::Create("PlanetoPresenterTest", "presenter", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 64, 48,
                           TestProc);
    if (!hwnd)
      GTEST_SKIP() << "no X server";
    dpy = static_cast<Display*>(CWindow::GetNativeDisplay());
    win = hwnd->GetNativeHandle();
    for (int i = 0; i < 200; ++i)
    {
      XWindowAttributes attr;
      if (XGetWindowAttributes(dpy, win, &attr) && attr.map_state == IsViewable)
        break;
      CWindow::PumpEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  void TearDown() override
  {
    if (hwnd)
      hwnd->Destroy();
  }

  // The window's pixel as 0xRRGGBB (the test visual is the usual 24-bit one).
  uint32_t Pixel(int x, int y)
  {
    XSync(dpy, False);
    XImage* img = XGetImage(dpy, win, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img)
      return 0xDEADBEEF;
    const uint32_t p = uint32_t(XGetPixel(img, 0, 0)) & 0xFFFFFFu;
    XDestroyImage(img);
    return p;
  }

  HWND hwnd = nullptr;
  Display* dpy = nullptr;
  Window win = 0;
};

TEST_F(BitmapPresenterTest, SharedMemoryFramesFollowEachOther)
{
  CBitmapPresenter presenter;
  ASSERT_TRUE(presenter.Attach(hwnd));

  // Two bitmaps drawn in turn, as the software device does; the second frame must not
  // be mixed with the first even though the segment is reused without waiting.
  CBitmap a, b;
  ASSERT_TRUE(a.Create(64, 48));
  ASSERT_TRUE(b.Create(64, 48));
  a.Fill(0xFF102030);
  a.SetPixel(3, 4, 0xFFFF0000);
  b.Fill(0xFF405060);
  b.SetPixel(60, 40, 0xFF00FF00);

  ASSERT_TRUE(presenter.Present(a, 0, 0, 64, 48));
  const bool bShm = presenter.UsesSharedMemory();
  if (XShmQueryExtension(dpy))
  {
    EXPECT_TRUE(bShm); // a local Xvfb offers MIT-SHM
  }
  EXPECT_EQ(0x102030u, Pixel(10, 10));
  EXPECT_EQ(0xFF0000u, Pixel(3, 4));

  ASSERT_TRUE(presenter.Present(b, 0, 0, 64, 48));
  ASSERT_TRUE(presenter.Present(a, 0, 0, 64, 48));
  ASSERT_TRUE(presenter.Present(b, 0, 0, 64, 48));
  EXPECT_EQ(0x405060u, Pixel(10, 10));
  EXPECT_EQ(0x405060u, Pixel(3, 4));
  EXPECT_EQ(0x00FF00u, Pixel(60, 40));

  // A bitmap may be reused as soon as Present returns.
  b.Fill(0xFFFFFFFF);
  EXPECT_EQ(0x405060u, Pixel(20, 20));
  presenter.Detach();
  EXPECT_FALSE(presenter.UsesSharedMemory());
}

TEST_F(BitmapPresenterTest, PartsAndSizeChangesArePresented)
{
  CBitmapPresenter presenter;
  ASSERT_TRUE(presenter.Attach(hwnd));
  CBitmap full;
  ASSERT_TRUE(full.Create(64, 48));
  full.Fill(0xFF000000);
  ASSERT_TRUE(presenter.Present(full, 0, 0, 64, 48));

  // Narrower than the bitmap: rows are copied one by one, the rest of the window stays.
  CBitmap wide;
  ASSERT_TRUE(wide.Create(100, 30));
  wide.Fill(0xFF808080);
  for (int y = 0; y < 30; ++y)
    wide.SetPixel(19, y, 0xFF0000FF);
  wide.SetPixel(20, 5, 0xFFFF00FF); // outside the presented part
  ASSERT_TRUE(presenter.Present(wide, 8, 10, 20, 30));
  EXPECT_EQ(0x808080u, Pixel(8, 10));
  EXPECT_EQ(0x0000FFu, Pixel(27, 12));
  EXPECT_EQ(0x000000u, Pixel(28, 15)); // column 20 of the bitmap was not sent
  EXPECT_EQ(0x000000u, Pixel(8, 41));

  // Larger requests are clipped to the bitmap; the shared image follows the size.
  CBitmap small;
  ASSERT_TRUE(small.Create(10, 10));
  small.Fill(0xFFC0C0C0);
  ASSERT_TRUE(presenter.Present(small, 50, 0, 64, 48));
  EXPECT_EQ(0xC0C0C0u, Pixel(59, 9));
  EXPECT_EQ(0x000000u, Pixel(59, 10));
  ASSERT_TRUE(presenter.Present(full, 0, 0, 64, 48));
  EXPECT_EQ(0x000000u, Pixel(59, 9));
}

} // namespace
