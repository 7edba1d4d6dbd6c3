#include "sdk/os/clock.h"
#include "sdk/os/debug_output.h"

#include <gtest/gtest.h>

using namespace zos;

namespace
{
bool FailCounter(int64_t*) { return false; }
uint32_t FixedTick() { return 42; }
uint32_t g_uSlept = 0;
void RecordSleep(uint32_t ms) { g_uSlept += ms; }
} // namespace

TEST(Clock, MonotonicNanoseconds)
{
  int64_t f = 0, a = 0, b = 0;
  ASSERT_TRUE(QueryPerformanceFrequency(&f));
  EXPECT_EQ(f, 1000000000);
  ASSERT_TRUE(QueryPerformanceCounter(&a));
  Sleep(1);
  ASSERT_TRUE(QueryPerformanceCounter(&b));
  EXPECT_GT(b, a);
  EXPECT_FALSE(QueryPerformanceCounter(nullptr));
  EXPECT_FALSE(QueryPerformanceFrequency(nullptr));
}

TEST(Clock, HooksReplaceAndRestore)
{
  SClockHooks hooks = { FailCounter, nullptr, FixedTick, RecordSleep };
  SetClockHooks(&hooks);
  int64_t c = 0, f = 0;
  EXPECT_FALSE(QueryPerformanceCounter(&c));
  EXPECT_TRUE(QueryPerformanceFrequency(&f)); // a null member keeps the system's
  EXPECT_EQ(GetTickCount(), 42u);
  Sleep(30);
  EXPECT_EQ(g_uSlept, 30u);
  SetClockHooks(nullptr);
  EXPECT_TRUE(QueryPerformanceCounter(&c));
  Sleep(0);
  EXPECT_EQ(g_uSlept, 30u);
}

TEST(DebugOutput, GoesToStandardError)
{
  testing::internal::CaptureStderr();
  OutputDebugString("# 100% done\n");
  OutputDebugString(nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "# 100% done\n");
}
