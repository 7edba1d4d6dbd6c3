#pragma once

// The software platform module: the describe, create and destroy functions that the
// application registers at PLATFORM_INDEX_SOFTWARE.

#include "sdk/core/platform.h"

// Fills the descriptor: build "Mar  4 2008 20:14:30", name "Zephyro3D zp3D", version
// 1.0, flags 0x1000010.  ZP_FAIL for a null descriptor.
ZRESULT DescribeSoftware(SPlatformDesc* pDesc);
// A new C3DEngineSoft (null when it cannot be allocated).
C3DEngine* CreateSoftware();
// Deletes a device made by CreateSoftware.
void DestroySoftware(C3DEngine* pEngine);

// The three functions as one registration entry.
SPlatformModule SoftwarePlatformModule();
