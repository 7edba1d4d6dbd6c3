#include "sdk/os/clock.h"

#include "sdk/os/clock_system.h"

namespace zos
{

namespace
{
SClockHooks g_Hooks = {};
} // namespace

bool QueryPerformanceCounter(int64_t* pCount)
{
  if (!pCount)
    return false;
  if (g_Hooks.pfnQueryCounter)
    return g_Hooks.pfnQueryCounter(pCount);
  return SystemCounter(pCount);
}

// The counter is in nanoseconds on every system.
bool QueryPerformanceFrequency(int64_t* pFrequency)
{
  if (!pFrequency)
    return false;
  if (g_Hooks.pfnQueryFrequency)
    return g_Hooks.pfnQueryFrequency(pFrequency);
  if (!SystemCounterWorks())
    return false;
  *pFrequency = 1000000000LL;
  return true;
}

uint32_t GetTickCount()
{
  if (g_Hooks.pfnGetTickCount)
    return g_Hooks.pfnGetTickCount();
  return SystemTickCount();
}

void Sleep(uint32_t uMilliseconds)
{
  if (g_Hooks.pfnSleep)
  {
    g_Hooks.pfnSleep(uMilliseconds);
    return;
  }
  SystemSleep(uMilliseconds);
}

bool ProcessorTime(int64_t* pNanoseconds) { return pNanoseconds && SystemProcessorTime(pNanoseconds); }

void SetClockHooks(const SClockHooks* pHooks) { g_Hooks = pHooks ? *pHooks : SClockHooks{}; }

} // namespace zos
