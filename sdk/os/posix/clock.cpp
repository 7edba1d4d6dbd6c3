#include "sdk/os/clock.h"

#include <cerrno>
#include <ctime>

namespace zos
{

namespace
{
SClockHooks g_Hooks = {};

bool SystemCounter(int64_t* pCount)
{
  timespec ts;
  if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
    return false;
  *pCount = static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
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
  timespec res;
  if (clock_getres(CLOCK_MONOTONIC, &res) != 0)
    return false;
  *pFrequency = 1000000000LL;
  return true;
}

uint32_t GetTickCount()
{
  if (g_Hooks.pfnGetTickCount)
    return g_Hooks.pfnGetTickCount();
  int64_t ns = 0;
  if (!SystemCounter(&ns))
    return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(ns / 1000000));
}

void Sleep(uint32_t uMilliseconds)
{
  if (g_Hooks.pfnSleep)
  {
    g_Hooks.pfnSleep(uMilliseconds);
    return;
  }
  timespec req;
  req.tv_sec = uMilliseconds / 1000;
  req.tv_nsec = static_cast<long>(uMilliseconds % 1000) * 1000000L;
  // Resume after signals until the whole time has passed.
  while (nanosleep(&req, &req) != 0 && errno == EINTR)
  {
  }
}

void SetClockHooks(const SClockHooks* pHooks) { g_Hooks = pHooks ? *pHooks : SClockHooks{}; }

} // namespace zos
