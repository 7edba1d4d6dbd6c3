#include <windows.h>

#include "sdk/os/clock.h"

namespace zos
{

namespace
{

SClockHooks g_Hooks = {};

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

} // namespace

bool QueryPerformanceCounter(int64_t* pCount)
{
  if (!pCount)
    return false;
  if (g_Hooks.pfnQueryCounter)
    return g_Hooks.pfnQueryCounter(pCount);
  return SystemCounter(pCount);
}

bool QueryPerformanceFrequency(int64_t* pFrequency)
{
  if (!pFrequency)
    return false;
  if (g_Hooks.pfnQueryFrequency)
    return g_Hooks.pfnQueryFrequency(pFrequency);
  int64_t llProbe = 0;
  if (!SystemCounter(&llProbe))
    return false;
  *pFrequency = 1000000000LL;
  return true;
}

uint32_t GetTickCount()
{
  if (g_Hooks.pfnGetTickCount)
    return g_Hooks.pfnGetTickCount();
  return ::GetTickCount();
}

void Sleep(uint32_t uMilliseconds)
{
  if (g_Hooks.pfnSleep)
  {
    g_Hooks.pfnSleep(uMilliseconds);
    return;
  }
  ::Sleep(uMilliseconds);
}

void SetClockHooks(const SClockHooks* pHooks) { g_Hooks = pHooks ? *pHooks : SClockHooks{}; }

} // namespace zos
