#include <windows.h>

#include "sdk/os/clock_system.h"

namespace zos
{

// The performance counter, scaled to nanoseconds so that the frequency is the same
// on every system.
bool SystemCounter(int64_t* pCount)
{
  static LARGE_INTEGER s_frequency = {};
  if (s_frequency.QuadPart == 0 && !::QueryPerformanceFrequency(&s_frequency))
    return false;
  LARGE_INTEGER count;
  if (s_frequency.QuadPart <= 0 || !::QueryPerformanceCounter(&count))
    return false;
  const int64_t f = s_frequency.QuadPart;
  *pCount = (count.QuadPart / f) * 1000000000LL + (count.QuadPart % f) * 1000000000LL / f;
  return true;
}

bool SystemCounterWorks()
{
  int64_t llProbe = 0;
  return SystemCounter(&llProbe);
}

uint32_t SystemTickCount() { return ::GetTickCount(); }

void SystemSleep(uint32_t uMilliseconds) { ::Sleep(uMilliseconds); }

bool SystemProcessorTime(int64_t* pNanoseconds)
{
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user))
    return false;
  // Both in units of 100 ns.
  const auto ticks = [](const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  *pNanoseconds = (ticks(kernel) + ticks(user)) * 100;
  return true;
}

} // namespace zos
