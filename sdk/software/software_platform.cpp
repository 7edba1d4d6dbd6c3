#include "sdk/software/software_platform.h"

#include "sdk/software/3d_engine_soft.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace
{

const char kBuildDate[] = "Mar  4 2008";
const char kBuildTime[] = "20:14:30";

} // namespace

ZRESULT DescribeSoftware(SPlatformDesc* pDesc)
{
  if (!pDesc)
    return ZP_FAIL;
  std::memset(pDesc, 0, sizeof(*pDesc));
  std::snprintf(pDesc->szBuild, sizeof(pDesc->szBuild), "%s %s", kBuildDate, kBuildTime);
  std::snprintf(pDesc->szName, sizeof(pDesc->szName), "%s", g_PlatformTable[PLATFORM_INDEX_SOFTWARE].szName);
  const uint32_t version = g_PlatformTable[PLATFORM_INDEX_SOFTWARE].dwVersion;
  pDesc->wMinor = uint16_t(version & 0xFFFF);
  pDesc->wMajor = uint16_t(version >> 16);
  pDesc->dwFlags = PLATFORM_SOFTWARE;
  return ZP_OK;
}

C3DEngine* CreateSoftware() { return new (std::nothrow) C3DEngineSoft; }

void DestroySoftware(C3DEngine* pEngine) { delete pEngine; }

SPlatformModule SoftwarePlatformModule() { return { DescribeSoftware, CreateSoftware, DestroySoftware }; }
