// The software platform's presentation on GDI, read back from the window as the
// screenshot does.

#include <windows.h>

#include "sdk/os/bitmap.h"
#include "sdk/os/window.h"
#include "sdk/os/window_capture.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

LRESULT Proc(zos::HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  return zos::CWindow::DefWindowProc(hwnd, uMsg, wParam, lParam);
}

TEST(Win32BitmapPresenter, PresentedPixelsAreWhatTheWindowShows)
{
  zos::HWND hwnd = zos::CWindow::Create("Planeto", "present", WS_POPUP | WS_VISIBLE, 10, 10, 96, 64, Proc);
  ASSERT_NE(hwnd, nullptr);
  zos::CBitmap bitmap;
  ASSERT_TRUE(bitmap.Create(128, 80)); // wider than the window, as after a shrink
  bitmap.Fill(zos::BitmapRGB(0, 0, 255));
  bitmap.FillRect(50, 30, 96, 64, zos::BitmapRGB(255, 128, 0));
  const int iTextWidth = bitmap.DrawText("12.5 fps", zos::BitmapRGB(255, 255, 255), zos::BitmapRGB(0, 0, 0));

  zos::CBitmapPresenter presenter;
  ASSERT_TRUE(presenter.Attach(hwnd));
  EXPECT_FALSE(presenter.UsesSharedMemory());
  ASSERT_TRUE(presenter.Present(bitmap, 0, 0, 96, 64));

  int w = 0, h = 0;
  std::vector<uint32_t> pixels;
  ASSERT_TRUE(zos::CaptureWindow(hwnd, &w, &h, &pixels));
  ASSERT_EQ(w, 96);
  ASSERT_EQ(h, 64);
  int iDiffering = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      iDiffering += pixels[size_t(y) * w + x] != bitmap.GetPixel(x, y);
  EXPECT_EQ(iDiffering, 0);
  EXPECT_GT(iTextWidth, 0);

  // A part elsewhere in the window, then the window gone: refused, not a crash.
  bitmap.Fill(zos::BitmapRGB(0, 255, 0));
  ASSERT_TRUE(presenter.Present(bitmap, 90, 60, 6, 4));
  ASSERT_TRUE(zos::CaptureWindow(hwnd, &w, &h, &pixels));
  EXPECT_EQ(pixels[size_t(62) * w + 92], zos::BitmapRGB(0, 255, 0));
  EXPECT_EQ(pixels[size_t(62) * w + 88], zos::BitmapRGB(255, 128, 0));
  hwnd->Destroy();
  EXPECT_FALSE(presenter.Present(bitmap, 0, 0, 96, 64));
  EXPECT_FALSE(zos::CaptureWindow(hwnd, &w, &h, &pixels));
}

} // namespace
