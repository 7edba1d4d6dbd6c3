#pragma once

// The DirectX 8.1 platform module: the describe, create and destroy functions that the
// application registers at PLATFORM_INDEX_DIRECTX81.

#include "sdk/core/platform.h"

// Fills the descriptor; ZP_FAIL where Direct3D 8 is not there.
ZRESULT DescribeDirectX81(SPlatformDesc* pDesc);
// A new Direct3D 8 device, or null.
C3DEngine* CreateDirectX81();
// Deletes a device made by CreateDirectX81.
void DestroyDirectX81(C3DEngine* pEngine);
