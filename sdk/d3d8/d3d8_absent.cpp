#include "sdk/d3d8/d3d8_platform.h"

// This system has no Direct3D 8: the module stays registered, so that the dialog lists
// it, but it describes nothing and creates nothing.

ZRESULT DescribeDirectX81(SPlatformDesc*) { return ZP_FAIL; }

C3DEngine* CreateDirectX81() { return nullptr; }

void DestroyDirectX81(C3DEngine*) {}
