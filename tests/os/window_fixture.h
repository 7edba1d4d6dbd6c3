#pragma once

// What the window tests of every system share: a recording window procedure, a loop
// that pumps until something holds, and a fixture with one window.

#include "sdk/os/message_queue.h"
#include "sdk/os/window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace zos_test
{

using namespace zos;

inline std::vector<SMessage> g_received;
inline bool g_bDefaultClose = true;

inline LRESULT RecordProc(HWND hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam)
{
  g_received.push_back({ hwnd, uMsg, wParam, lParam, 0, { 0, 0 } });
  if (uMsg == WM_DESTROY)
  {
    CMessageQueue::PostQuit(0);
    return 0;
  }
  if (uMsg == WM_CLOSE && !g_bDefaultClose)
    return 0;
  return CWindow::DefWindowProc(hwnd, uMsg, wParam, lParam);
}

// Runs the loop until the predicate holds; false after a generous limit (a lost event).
template <class F> bool PumpUntil(F fnDone)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fnDone())
  {
    if (std::chrono::steady_clock::now() > end)
      return false;
    SMessage msg = {};
    if (CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE))
    {
      if (msg.message == WM_QUIT)
        g_received.push_back(msg);
      else
      {
        CMessageQueue::Translate(&msg);
        CMessageQueue::Dispatch(&msg);
      }
    }
    else
      CMessageQueue::Wait(50);
  }
  return true;
}

inline size_t Count(uint32_t uMsg)
{
  size_t n = 0;
  for (const SMessage& m : g_received)
    n += m.message == uMsg;
  return n;
}

inline std::vector<SMessage> Only(uint32_t uMsg)
{
  std::vector<SMessage> v;
  for (const SMessage& m : g_received)
    if (m.message == uMsg)
      v.push_back(m);
  return v;
}

class WindowTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_NE(CWindow::GetNativeDisplay(), nullptr) << "needs a window system";
    CMessageQueue::Reset();
    g_received.clear();
    g_bDefaultClose = true;
  }
  void TearDown() override
  {
    if (m_hwnd && CWindow::IsWindow(m_hwnd))
      m_hwnd->Destroy();
    CWindow::ReleaseCapture();
    CMessageQueue::Reset();
  }

  // A shown, focused window at 40,50 of 320 x 200.
  void Open(uint32_t dwStyle = WS_OVERLAPPEDWINDOW)
  {
    m_hwnd = CWindow::Create("Planeto", "ZephyroSDK - test", dwStyle, 40, 50, 320, 200, RecordProc);
    ASSERT_NE(m_hwnd, nullptr);
    m_hwnd->Show(SW_SHOW);
    ASSERT_TRUE(m_hwnd->IsVisible());
    m_hwnd->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return CWindow::GetFocus() == m_hwnd; }));
    g_received.clear();
  }

  HWND m_hwnd = nullptr;
};

} // namespace zos_test
