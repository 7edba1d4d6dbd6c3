#include "sdk/core/random.h"
#include "sdk/core/tracked_memory.h"

#include "sdk/os/clock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace zos;

TEST(Random, MatchesTheReferenceSequence)
{
  // The published MT19937 check value: the 10000th output for seed 5489 is 4123659995.
  SRandomState state;
  SeedRandom(&state, 5489);
  EXPECT_EQ(NextRandom(&state), 3499211612u);
  EXPECT_EQ(NextRandom(&state), 581869302u);
  for (int i = 2; i < 9999; ++i)
    NextRandom(&state);
  EXPECT_EQ(NextRandom(&state), 4123659995u);
}

TEST(Random, SameSeedSameSequenceAndZeroStateIsUsable)
{
  SRandomState a, b;
  SeedRandom(&a, 7);
  SeedRandom(&b, 7);
  for (int i = 0; i < 1000; ++i)
    ASSERT_EQ(NextRandom(&a), NextRandom(&b));
  // A zero-filled record that was never seeded does not get stuck at zero.
  SRandomState zero;
  std::memset(&zero, 0, sizeof(zero));
  uint32_t uOr = 0;
  for (int i = 0; i < 10; ++i)
    uOr |= NextRandom(&zero);
  EXPECT_NE(uOr, 0u);
}

namespace
{
uint32_t g_uTick = 0;
uint32_t FakeTick() { return g_uTick; }
} // namespace

TEST(Random, SeedZeroComesFromTheTickCountThroughRand)
{
  SClockHooks hooks = { nullptr, nullptr, FakeTick, nullptr };
  SetClockHooks(&hooks);
  g_uTick = 1234;
  SRandomState a, b, direct;
  SeedRandom(&a, 0);
  SeedRandom(&b, 0);
  std::srand(1234);
  SeedRandom(&direct, static_cast<uint32_t>(std::rand()));
  SetClockHooks(nullptr);
  uint32_t x = NextRandom(&a);
  EXPECT_EQ(x, NextRandom(&b));
  EXPECT_EQ(x, NextRandom(&direct));
}

TEST(TrackedMemory, TotalAndPeak)
{
  uint32_t uStart = TrackedMemoryTotal();
  void* p = TrackedMalloc(1000);
  ASSERT_NE(p, nullptr);
  uint32_t uAfter = TrackedMemoryTotal();
  EXPECT_GE(uAfter - uStart, 1000u);
  EXPECT_GE(TrackedMemoryPeak(), uAfter);
  void* q = TrackedCalloc(10, 100);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(static_cast<unsigned char*>(q)[999], 0);
  p = TrackedRealloc(p, 50000);
  ASSERT_NE(p, nullptr);
  EXPECT_GE(TrackedMemoryTotal() - uStart, 51000u);
  uint32_t uPeak = TrackedMemoryPeak();
  TrackedFree(p);
  TrackedFree(q);
  TrackedFree(nullptr);
  EXPECT_EQ(TrackedMemoryTotal(), uStart);
  EXPECT_EQ(TrackedMemoryPeak(), uPeak);
  // realloc of null allocates; a failed realloc changes nothing.
  void* r = TrackedRealloc(nullptr, 64);
  ASSERT_NE(r, nullptr);
  uint32_t uWith = TrackedMemoryTotal();
#ifndef __SANITIZE_ADDRESS__ // the sanitizer aborts on impossible sizes instead of failing
  EXPECT_EQ(TrackedRealloc(r, static_cast<size_t>(-1) / 2), nullptr);
  EXPECT_EQ(TrackedMemoryTotal(), uWith);
#endif
  EXPECT_GE(uWith, uStart + 64);
  TrackedFree(r);
  EXPECT_EQ(TrackedMemoryTotal(), uStart);
}

TEST(TrackedMemory, SizeFormatting)
{
  char sz[32];
  auto fmt = [&](uint32_t u)
  {
    FormatMemorySize(sz, sizeof(sz), u);
    return std::string(sz);
  };
  EXPECT_EQ(fmt(1536), "1.5 Ko");
  EXPECT_EQ(fmt(150), "150 o");
  EXPECT_EQ(fmt(2500000), "2.4 Mo");
  EXPECT_EQ(fmt(1024), "1024 o");
  EXPECT_EQ(fmt(1025), "1.0 Ko");
  EXPECT_EQ(fmt(99), "99.0 o");
  EXPECT_EQ(fmt(0), "0.0 o");
  EXPECT_EQ(fmt(200 * 1024), "200 Ko");
  EXPECT_EQ(fmt(3u * 1024 * 1024 * 1024), "3.0 Go");
  EXPECT_EQ(fmt(0xFFFFFFFFu), "4.0 Go");
}

TEST(TrackedMemory, ReportLines)
{
  char tmpl[] = "/tmp/planeto-report-XXXXXX";
  int fd = mkstemp(tmpl);
  ASSERT_GE(fd, 0);
  close(fd);
  testing::internal::CaptureStderr();
  LogMemoryReport(tmpl, 2500000, 150);
  testing::internal::GetCapturedStderr();
  std::ifstream in(tmpl);
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(ss.str(), "# RAM size max = 2.4 Mo (2500000 o)\n# Stack depth max = 150 o (150 o)\n");
  std::remove(tmpl);
}
