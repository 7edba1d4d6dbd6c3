#include "sdk/os/clock_system.h"

#include <cerrno>
#include <ctime>

namespace zos
{

bool SystemCounter(int64_t* pCount)
{
  timespec ts;
  if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
    return false;
  *pCount = static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
  return true;
}

bool SystemCounterWorks()
{
  timespec res;
  return clock_getres(CLOCK_MONOTONIC, &res) == 0;
}

uint32_t SystemTickCount()
{
  int64_t ns = 0;
  if (!SystemCounter(&ns))
    return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(ns / 1000000));
}

void SystemSleep(uint32_t uMilliseconds)
{
  timespec req;
  req.tv_sec = uMilliseconds / 1000;
  req.tv_nsec = static_cast<long>(uMilliseconds % 1000) * 1000000L;
  // Resume after signals until the whole time has passed.
  while (nanosleep(&req, &req) != 0 && errno == EINTR)
  {
  }
}

bool SystemProcessorTime(int64_t* pNanoseconds)
{
  timespec ts;
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0)
    return false;
  *pNanoseconds = static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
  return true;
}

} // namespace zos
