#pragma once

#include "sdk/core/result.h"

#include <cstdint>

class C3DObject;

// Fills an object with the scene's camera-facing quad: one part, a two-triangle strip
// of four vertices in one colour, (+a, -a) uv (1, 0), (-a, -a) uv (0, 0), (+a, +b)
// uv (1, 1), (-a, +b) uv (0, 1), no culling.  b above a makes the quad taller above
// its centre.  The result is SetupGeometry's; the later building calls cannot fail in
// a way the callers act on.
ZRESULT BuildSceneQuad(C3DObject* pObject, float a, float b, uint32_t dwColor);
