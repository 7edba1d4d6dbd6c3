#include "sdk/core/frame_timer.h"

#include "sdk/os/clock.h"

#include <gtest/gtest.h>

using namespace zos;

namespace
{
int64_t g_llCounter = 0;
int64_t g_llFrequency = 3000000;
bool g_bCounterWorks = true;

bool FakeCounter(int64_t* p)
{
  *p = g_llCounter;
  return g_bCounterWorks;
}
bool FakeFrequency(int64_t* p)
{
  *p = g_llFrequency;
  return true;
}

struct FrameTimerTest : ::testing::Test
{
  void SetUp() override
  {
    g_llCounter = 1000;
    g_llFrequency = 3000000;
    g_bCounterWorks = true;
    SClockHooks hooks = { FakeCounter, FakeFrequency, nullptr, nullptr };
    SetClockHooks(&hooks);
  }
  void TearDown() override { SetClockHooks(nullptr); }
};
} // namespace

TEST_F(FrameTimerTest, StepInThirtiethsOfASecond)
{
  CFrameTimer timer;
  double dRate = -1, dStep = -1;
  ASSERT_EQ(timer.Init(&dRate, &dStep), ZP_OK);
  g_llCounter += 100000;
  EXPECT_EQ(timer.Tick(), ZP_OK);
  EXPECT_DOUBLE_EQ(dStep, 1.0);
  EXPECT_DOUBLE_EQ(dRate, 30.0);
  g_llCounter += 50000;
  timer.Tick();
  EXPECT_DOUBLE_EQ(dStep, 0.5);
  EXPECT_DOUBLE_EQ(dRate, 60.0);
  // No time between two ticks: the step is 0 and the rate keeps its value.
  timer.Tick();
  EXPECT_DOUBLE_EQ(dStep, 0.0);
  EXPECT_DOUBLE_EQ(dRate, 60.0);
  g_llCounter += 300000;
  timer.Tick();
  EXPECT_DOUBLE_EQ(dStep, 3.0);
  EXPECT_DOUBLE_EQ(dRate, 10.0);
}

TEST_F(FrameTimerTest, InitFailures)
{
  CFrameTimer timer;
  double dRate = 0, dStep = 0;
  g_bCounterWorks = false;
  EXPECT_EQ(timer.Init(&dRate, &dStep), ZP_FAIL);
  g_bCounterWorks = true;
  g_llFrequency = 0;
  EXPECT_EQ(timer.Init(&dRate, &dStep), ZP_FAIL);
  g_llFrequency = 3000000;
  EXPECT_EQ(timer.Init(nullptr, &dStep), ZP_FAIL);
  EXPECT_EQ(timer.Init(&dRate, &dStep), ZP_OK);
  EXPECT_EQ(timer.GetFrequency(), 3000000);
}

TEST(FrameTimerRealClock, MeasuresForwards)
{
  CFrameTimer timer;
  double dRate = 0, dStep = -1;
  ASSERT_EQ(timer.Init(&dRate, &dStep), ZP_OK);
  EXPECT_EQ(timer.GetFrequency(), 1000000000);
  Sleep(2);
  timer.Tick();
  EXPECT_GT(dStep, 0.0);
}
