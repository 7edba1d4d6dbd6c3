#pragma once

#include <cstdint>

namespace zos
{

// The system clock as the engine uses it: a monotonic high-resolution counter with its
// frequency, a millisecond tick count and a sleep.  Tests replace the clock through
// SetClockHooks so that timing code can be driven step by step.

// Counter in nanoseconds of the monotonic clock; false when it cannot be read.
bool QueryPerformanceCounter(int64_t* pCount);
// Ticks per second of that counter (1 000 000 000); false when unavailable.
bool QueryPerformanceFrequency(int64_t* pFrequency);
// Milliseconds of the monotonic clock, wrapping at 2^32.
uint32_t GetTickCount();
// Suspends the thread for about uMilliseconds.
void Sleep(uint32_t uMilliseconds);
// Processor time the whole process has used so far (every thread, user and system), in
// nanoseconds; false when the system cannot tell.
bool ProcessorTime(int64_t* pNanoseconds);

// Replacement clock.  A null member keeps the system's function.
struct SClockHooks
{
  bool (*pfnQueryCounter)(int64_t* pCount);
  bool (*pfnQueryFrequency)(int64_t* pFrequency);
  uint32_t (*pfnGetTickCount)();
  void (*pfnSleep)(uint32_t uMilliseconds);
};

// Installs the hooks (copied); null restores the system clock.
void SetClockHooks(const SClockHooks* pHooks);

} // namespace zos
