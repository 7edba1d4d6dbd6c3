// The window contract that every system keeps: named properties, the close request
// handled or defaulted, timers, hiding against minimising, full screen and the cursor
// counter.

#include "tests/os/window_fixture.h"

using namespace zos;
using namespace zos_test;

namespace
{

TEST_F(WindowTest, PropertiesHoldNamedPointers)
{
  Open();
  int iWorld = 0;
  EXPECT_EQ(m_hwnd->GetProp("pWorld"), nullptr);
  EXPECT_TRUE(m_hwnd->SetProp("pWorld", &iWorld));
  EXPECT_EQ(m_hwnd->GetProp("pWorld"), &iWorld);
  EXPECT_EQ(m_hwnd->RemoveProp("pWorld"), &iWorld);
  EXPECT_EQ(m_hwnd->GetProp("pWorld"), nullptr);
  EXPECT_EQ(m_hwnd->RemoveProp("pWorld"), nullptr);
}

TEST_F(WindowTest, CloseHandledByTheProcedureKeepsTheWindow)
{
  Open();
  g_bDefaultClose = false;
  EXPECT_EQ(m_hwnd->Send(WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(CWindow::IsWindow(m_hwnd));
  EXPECT_EQ(Count(WM_DESTROY), 0u);
}

TEST_F(WindowTest, WindowTimerPostsToItsWindowAndDiesWithIt)
{
  Open();
  EXPECT_EQ(CMessageQueue::SetTimer(m_hwnd, 0, 40), 1u);
  ASSERT_TRUE(PumpUntil([] { return Count(WM_TIMER) >= 2; }));
  for (const SMessage& m : Only(WM_TIMER))
  {
    EXPECT_EQ(m.hwnd, m_hwnd);
    EXPECT_EQ(m.wParam, 0u);
  }
  m_hwnd->Destroy();
  EXPECT_FALSE(CMessageQueue::KillTimer(m_hwnd, 0)) << "destroying the window killed it";
}

TEST_F(WindowTest, HidingIsNotMinimising)
{
  Open();
  EXPECT_TRUE(m_hwnd->Show(SW_HIDE));
  EXPECT_FALSE(m_hwnd->IsVisible());
  EXPECT_FALSE(m_hwnd->IsIconic());
  m_hwnd->Show(SW_MINIMIZE);
  EXPECT_TRUE(m_hwnd->IsIconic());
  m_hwnd->Show(SW_RESTORE);
  EXPECT_TRUE(m_hwnd->IsVisible());
  EXPECT_FALSE(m_hwnd->IsIconic());
}

TEST_F(WindowTest, ScreenSizedPopupIsFullScreen)
{
  int sw = 0, sh = 0;
  CWindow::GetScreenSize(&sw, &sh);
  ASSERT_GT(sw, 0);
  ASSERT_TRUE(CWindow::CanFullscreen());
  m_hwnd = CWindow::Create("Planeto", "full", 0x96080000u, 0, 0, sw, sh, RecordProc);
  ASSERT_NE(m_hwnd, nullptr);
  EXPECT_TRUE(m_hwnd->IsVisible()) << "WS_VISIBLE maps it";
  EXPECT_TRUE(m_hwnd->IsFullscreen());
  int w = 0, h = 0;
  m_hwnd->GetClientSize(&w, &h);
  EXPECT_EQ(w, sw);
  EXPECT_EQ(h, sh);
}

TEST_F(WindowTest, HiddenCursorIsCountedAsOnWindows)
{
  Open();
  EXPECT_EQ(CWindow::ShowCursor(false), -1);
  EXPECT_EQ(CWindow::ShowCursor(false), -2);
  EXPECT_EQ(CWindow::ShowCursor(true), -1);
  EXPECT_EQ(CWindow::ShowCursor(true), 0);
}

} // namespace
