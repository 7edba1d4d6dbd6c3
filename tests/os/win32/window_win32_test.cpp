// The Windows window under Wine: what the system sends and posts reaches our procedure
// with the CWindow* and the system's parameters, default processing is the system's,
// and another window of the process can be adopted and followed.

#include <windows.h>

#include "sdk/os/message_queue.h"
#include "sdk/os/window.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

struct SSeen
{
  zos::HWND hwnd;
  UINT uMsg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<SSeen> g_seen;

LRESULT Record(zos::HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  g_seen.push_back({ hwnd, uMsg, wParam, lParam });
  return zos::CWindow::DefWindowProc(hwnd, uMsg, wParam, lParam);
}

const SSeen* Last(UINT uMsg)
{
  for (auto it = g_seen.rbegin(); it != g_seen.rend(); ++it)
    if (it->uMsg == uMsg)
      return &*it;
  return nullptr;
}

void PumpAll()
{
  zos::SMessage msg = {};
  while (zos::CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE))
    zos::CMessageQueue::Dispatch(&msg);
}

::HWND Native(zos::HWND hwnd) { return reinterpret_cast<::HWND>(hwnd->GetNativeHandle()); }

class Win32WindowTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    zos::CMessageQueue::Reset();
    g_seen.clear();
  }
  void TearDown() override { zos::CMessageQueue::Reset(); }
};

TEST_F(Win32WindowTest, SystemMessagesReachTheProcedureWithOurHandle)
{
  zos::HWND hwnd =
      zos::CWindow::Create("Planeto", "ZephyroSDK - test", WS_OVERLAPPEDWINDOW, 40, 50, 320, 200, Record);
  ASSERT_NE(hwnd, nullptr);
  ASSERT_NE(Last(WM_CREATE), nullptr);
  ASSERT_NE(Last(WM_SIZE), nullptr);
  EXPECT_EQ(Last(WM_SIZE)->lParam, MAKELPARAM(320, 200)) << "the client area is the size asked for";
  EXPECT_EQ(Last(WM_CREATE)->hwnd, hwnd);

  ::HWND h = Native(hwnd);
  char szTitle[64] = {};
  ::GetWindowTextA(h, szTitle, sizeof(szTitle));
  EXPECT_STREQ(szTitle, "ZephyroSDK - test");

  ::SendMessageA(h, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ASSERT_NE(Last(WM_KEYDOWN), nullptr);
  EXPECT_EQ(Last(WM_KEYDOWN)->hwnd, hwnd);
  EXPECT_EQ(Last(WM_KEYDOWN)->wParam, static_cast<WPARAM>(VK_ESCAPE));

  ::PostMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(7, 9));
  zos::SMessage msg = {};
  ASSERT_TRUE(zos::CMessageQueue::Peek(&msg, hwnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, hwnd);
  zos::CMessageQueue::Dispatch(&msg);
  EXPECT_EQ(Last(WM_MOUSEMOVE)->lParam, MAKELPARAM(7, 9));

  const uint32_t icon[4] = { 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80FFFFFFu };
  EXPECT_TRUE(hwnd->SetIcon(2, 2, icon));
  EXPECT_NE(::SendMessageA(h, WM_GETICON, ICON_BIG, 0), 0);

  // The close box: the system's default destroys the window, WM_DESTROY follows, and
  // the stale handle stays safe.
  ::SendMessageA(h, WM_CLOSE, 0, 0);
  EXPECT_NE(Last(WM_DESTROY), nullptr);
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_FALSE(zos::CWindow::IsWindow(hwnd));
  EXPECT_TRUE(hwnd->IsDestroyed());
  EXPECT_FALSE(hwnd->SetTitle("gone"));
  EXPECT_FALSE(zos::CMessageQueue::Post(hwnd, WM_USER, 0, 0));
}

TEST_F(Win32WindowTest, AdoptedWindowIsFollowedAndNeverDestroyed)
{
  ::HWND hOwn = ::CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(hOwn, nullptr);
  RECT rc = {};
  ::GetClientRect(hOwn, &rc);
  zos::HWND hwnd = zos::CWindow::Attach("Planeto", reinterpret_cast<uintptr_t>(hOwn), Record);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(hwnd->IsForeign());
  EXPECT_EQ(Last(WM_SIZE)->lParam, MAKELPARAM(rc.right, rc.bottom));

  ::SetWindowPos(hOwn, nullptr, 0, 0, 300, 250, SWP_NOZORDER | SWP_NOMOVE);
  PumpAll();
  ::GetClientRect(hOwn, &rc);
  EXPECT_EQ(Last(WM_SIZE)->lParam, MAKELPARAM(rc.right, rc.bottom)) << "its size changes are followed";

  // Closing through us lets go of it.
  hwnd->Send(WM_CLOSE, 0, 0);
  EXPECT_NE(Last(WM_DESTROY), nullptr);
  EXPECT_TRUE(hwnd->IsDestroyed());
  EXPECT_TRUE(::IsWindow(hOwn));

  // Adopted again, its owner's destruction ends it for us.
  g_seen.clear();
  hwnd = zos::CWindow::Attach("Planeto", reinterpret_cast<uintptr_t>(hOwn), Record);
  ASSERT_NE(hwnd, nullptr);
  ::DestroyWindow(hOwn);
  EXPECT_NE(Last(WM_DESTROY), nullptr);
  EXPECT_FALSE(zos::CWindow::IsWindow(hwnd));
}

TEST_F(Win32WindowTest, FullScreenAndBackKeepsTheFrame)
{
  zos::HWND hwnd =
      zos::CWindow::Create("Planeto", "frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 50, 320, 200, Record);
  ASSERT_NE(hwnd, nullptr);
  int sw = 0, sh = 0, w = 0, h = 0;
  zos::CWindow::GetScreenSize(&sw, &sh);
  ASSERT_TRUE(hwnd->SetFullscreen(true));
  hwnd->GetClientSize(&w, &h);
  EXPECT_EQ(w, sw);
  EXPECT_EQ(h, sh);
  ASSERT_TRUE(hwnd->SetFullscreen(false));
  hwnd->GetClientSize(&w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 200);
  EXPECT_TRUE(::GetWindowLongPtrA(Native(hwnd), GWL_STYLE) & WS_CAPTION);
  hwnd->Destroy();
}

} // namespace
