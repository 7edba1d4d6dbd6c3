#include "sdk/d3d8/d3d8_platform.h"

#include "sdk/d3d8/3d_engine_d3d8.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace
{

const char kBuildDate[] = "Mar  4 2008";
const char kBuildTime[] = "20:14:20";

} // namespace

ZRESULT DescribeDirectX81(SPlatformDesc* pDesc)
{
  if (!pDesc)
    return ZP_FAIL;
  // Only a system whose d3d8.dll offers Direct3DCreate8 has the platform.
  HMODULE hLibrary = LoadLibraryA("d3d8.dll");
  const bool bThere = hLibrary && GetProcAddress(hLibrary, "Direct3DCreate8");
  if (hLibrary)
    FreeLibrary(hLibrary);
  if (!bThere)
    return ZP_FAIL;
  std::memset(pDesc, 0, sizeof(*pDesc));
  std::snprintf(pDesc->szBuild, sizeof(pDesc->szBuild), "%s %s", kBuildDate, kBuildTime);
  std::snprintf(pDesc->szName, sizeof(pDesc->szName), "%s", g_PlatformTable[PLATFORM_INDEX_DIRECTX81].szName);
  const uint32_t version = g_PlatformTable[PLATFORM_INDEX_DIRECTX81].dwVersion;
  pDesc->wMinor = uint16_t(version & 0xFFFF);
  pDesc->wMajor = uint16_t(version >> 16);
  pDesc->dwFlags = PLATFORM_DIRECTX81;
  return ZP_OK;
}

C3DEngine* CreateDirectX81() { return new (std::nothrow) C3DEngineD3D8(); }

void DestroyDirectX81(C3DEngine* pEngine) { delete pEngine; }
