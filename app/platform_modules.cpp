#include "app/platform_modules.h"

#include "sdk/core/world_base.h"
#include "sdk/opengl/3d_engine_gl12.h"
#include "sdk/software/software_platform.h"

namespace {

// This system has no Direct3D 8: the module stays registered, so that the dialog lists
// it, but it describes nothing and creates nothing.
ZRESULT DescribeDirectX81(SPlatformDesc*) { return ZP_FAIL; }
C3DEngine* CreateDirectX81() { return nullptr; }
void DestroyDirectX81(C3DEngine*) {}

}  // namespace

void RegisterPlatformModules(CWorldBase* pWorld)
{
  pWorld->RegisterPlatform(1, DescribeDirectX81, CreateDirectX81, DestroyDirectX81);
  pWorld->RegisterPlatform(2, DescribeOpenGL12, CreateOpenGL12, DestroyOpenGL12);
  pWorld->RegisterPlatform(4, SoftwareDescribe, SoftwareCreate, SoftwareDestroy);
}
