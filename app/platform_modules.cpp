#include "app/platform_modules.h"

#include "sdk/core/world_base.h"
#include "sdk/d3d8/d3d8_platform.h"
#include "sdk/opengl/3d_engine_gl12.h"
#include "sdk/software/software_platform.h"

void RegisterPlatformModules(CWorldBase* pWorld)
{
  pWorld->RegisterPlatform(PLATFORM_INDEX_DIRECTX81, DescribeDirectX81, CreateDirectX81, DestroyDirectX81);
  pWorld->RegisterPlatform(PLATFORM_INDEX_OPENGL12, DescribeOpenGL12, CreateOpenGL12, DestroyOpenGL12);
  pWorld->RegisterPlatform(PLATFORM_INDEX_SOFTWARE, DescribeSoftware, CreateSoftware, DestroySoftware);
}
