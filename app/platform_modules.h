#pragma once

class CWorldBase;

// Registers the three video platform modules in the world's table, in this order:
// DirectX 8.1, OpenGL 1.2 and the software renderer, each at its PLATFORM_INDEX_*.
void RegisterPlatformModules(CWorldBase* pWorld);
