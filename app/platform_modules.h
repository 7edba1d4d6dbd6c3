#pragma once

class CWorldBase;

// Registers the three video platform modules in the world's table, in this order:
// DirectX 8.1 (index 1), OpenGL 1.2 (index 2), the software renderer (index 4).
void RegisterPlatformModules(CWorldBase* pWorld);
