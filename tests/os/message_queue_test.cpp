// The message queue without a window: posting, filters, quit and timers.

#include "sdk/os/message_queue.h"
#include "sdk/os/messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace zos;

namespace
{

class MessageQueueTest : public ::testing::Test
{
protected:
  void SetUp() override { CMessageQueue::Reset(); }
  void TearDown() override { CMessageQueue::Reset(); }
};

TEST_F(MessageQueueTest, PostedMessagesComeInOrderAndPeekCanLeaveThem)
{
  ASSERT_TRUE(CMessageQueue::Post(nullptr, WM_USER + 1, 10, 20));
  ASSERT_TRUE(CMessageQueue::Post(nullptr, WM_USER + 2, 11, 21));

  SMessage msg = {};
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_USER + 1u);
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 1u);
  EXPECT_EQ(msg.wParam, 10u);
  EXPECT_EQ(msg.lParam, 20);
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2u);
  EXPECT_FALSE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, RangeFilterSkipsOtherMessages)
{
  CMessageQueue::Post(nullptr, WM_USER, 0, 0);
  CMessageQueue::Post(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
  SMessage msg = {};
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_KEYDOWN);
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER);
}

TEST_F(MessageQueueTest, QuitComesAfterPostedMessagesAndOnlyOnce)
{
  CMessageQueue::PostQuit(3);
  CMessageQueue::Post(nullptr, WM_USER, 0, 0);
  SMessage msg = {};
  EXPECT_TRUE(CMessageQueue::Get(&msg));
  EXPECT_EQ(msg.message, WM_USER);
  EXPECT_FALSE(CMessageQueue::Get(&msg));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, TimerPostsTimerMessagesUntilKilled)
{
  EXPECT_EQ(CMessageQueue::SetTimer(nullptr, 7, 1), 7u); // raised to the 10 ms minimum
  SMessage msg = {};
  for (int i = 0; i < 3; ++i)
  {
    ASSERT_TRUE(CMessageQueue::Get(&msg));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 7u);
  }
  EXPECT_TRUE(CMessageQueue::KillTimer(nullptr, 7));
  EXPECT_FALSE(CMessageQueue::KillTimer(nullptr, 7));
  EXPECT_FALSE(CMessageQueue::Wait(30));
  EXPECT_FALSE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, TimerIsLowerPriorityThanPostedMessages)
{
  CMessageQueue::SetTimer(nullptr, 1, 10);
  ASSERT_TRUE(CMessageQueue::Wait(-1)); // the timer is due now
  CMessageQueue::Post(nullptr, WM_USER, 0, 0);
  SMessage msg = {};
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER);
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_TIMER);
}

TEST_F(MessageQueueTest, TranslatePostsTheCharacterOfTheKeyJustTaken)
{
  CMessageQueue::PostInput(nullptr, WM_KEYDOWN, 'A', 0x001E0001, { 0, 0 }, 'a');
  CMessageQueue::Post(nullptr, WM_USER, 0, 0);
  SMessage msg = {};
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_TRUE(CMessageQueue::Translate(&msg));
  EXPECT_FALSE(CMessageQueue::Translate(&msg)); // once only
#ifdef _WIN32
  // The system posts the character behind what is already posted.
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER);
#endif
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_CHAR);
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('a'));
#ifndef _WIN32
  ASSERT_TRUE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER);
#endif
  EXPECT_FALSE(CMessageQueue::Peek(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, GetWithNothingThatCouldComeEndsInsteadOfHanging)
{
  SMessage msg = {};
  EXPECT_FALSE(CMessageQueue::Get(&msg));
  EXPECT_EQ(msg.message, WM_QUIT);
}

// A stop request arrives on another thread on Windows (the console's) and in a signal
// handler on Linux: either way WakeUp must end the loop's wait at once.
TEST_F(MessageQueueTest, WakeUpFromAnotherThreadEndsAWait)
{
  const auto start = std::chrono::steady_clock::now();
  std::thread waker(
      []
      {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        CMessageQueue::WakeUp();
      });
  EXPECT_TRUE(CMessageQueue::Wait(20000));
  waker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(WordHelpers, SplitAndJoinAsWindowsDoes)
{
  LPARAM l = MAKELPARAM(-5, 300);
  EXPECT_EQ(GET_X_LPARAM(l), -5);
  EXPECT_EQ(GET_Y_LPARAM(l), 300);
  EXPECT_EQ(LOWORD(static_cast<uintptr_t>(l)), 0xFFFB);
  WPARAM w = MAKEWPARAM(static_cast<int>(MK_LBUTTON), -WHEEL_DELTA);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(w), -120);
  EXPECT_EQ(GET_KEYSTATE_WPARAM(w), MK_LBUTTON);
}

} // namespace
