#include "sdk/core/tracked_memory.h"

#include "sdk/core/log.h"

#include <cstdio>
#include <cstdlib>
#include <malloc.h>

namespace
{
// Plain process-wide counters: the engine has one thread.
uint32_t g_uTotal = 0;
uint32_t g_uPeak = 0;

uint32_t UsableSize(void* pBlock)
{
#ifdef _WIN32
  return pBlock ? static_cast<uint32_t>(_msize(pBlock)) : 0;
#else
  return pBlock ? static_cast<uint32_t>(malloc_usable_size(pBlock)) : 0;
#endif
}

void Count(void* pBlock)
{
  g_uTotal += UsableSize(pBlock);
  if (g_uTotal > g_uPeak)
    g_uPeak = g_uTotal;
}
} // namespace

void* TrackedMalloc(size_t uSize)
{
  void* pBlock = std::malloc(uSize);
  Count(pBlock);
  return pBlock;
}

void* TrackedCalloc(size_t uCount, size_t uSize)
{
  void* pBlock = std::calloc(uCount, uSize);
  Count(pBlock);
  return pBlock;
}

void* TrackedRealloc(void* pBlock, size_t uSize)
{
  uint32_t uOld = UsableSize(pBlock);
  void* pNew = std::realloc(pBlock, uSize);
  if (!pNew && uSize != 0)
    return nullptr; // the old block is still there and still counted
  g_uTotal -= uOld;
  Count(pNew);
  return pNew;
}

void TrackedFree(void* pBlock)
{
  g_uTotal -= UsableSize(pBlock);
  std::free(pBlock);
}

uint32_t TrackedMemoryTotal() { return g_uTotal; }
uint32_t TrackedMemoryPeak() { return g_uPeak; }

void FormatMemorySize(char* pszOut, size_t uOutSize, uint32_t uBytes)
{
  static const char* const s_apszUnits[] = { "o", "Ko", "Mo", "Go" };
  if (!pszOut || uOutSize == 0)
    return;
  double dValue = uBytes;
  unsigned uDivisions = 0;
  while (dValue > 1024.0 && uDivisions < 3)
  {
    dValue /= 1024.0;
    ++uDivisions;
  }
  if (dValue >= 100.0)
    std::snprintf(pszOut, uOutSize, "%u %s", static_cast<unsigned>(dValue), s_apszUnits[uDivisions]);
  else
    std::snprintf(pszOut, uOutSize, "%.01f %s", dValue, s_apszUnits[uDivisions]);
}

void LogMemoryReport(const char* pszLogPath, uint32_t uRamPeak, uint32_t uStackDepthMax)
{
  char szSize[64];
  FormatMemorySize(szSize, sizeof(szSize), uRamPeak);
  LogMessage(pszLogPath, 1, "# RAM size max = %s (%u %s)\n", szSize, uRamPeak, "o");
  FormatMemorySize(szSize, sizeof(szSize), uStackDepthMax);
  LogMessage(pszLogPath, 1, "# Stack depth max = %s (%u %s)\n", szSize, uStackDepthMax, "o");
}
