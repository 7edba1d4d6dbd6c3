#pragma once

// The bitmap font the world creates.  It uses only the object contract, so it belongs
// with the engine core; until it moves there it is taken from the OpenGL folder, and
// whoever links the scene links the font's library too.
#if __has_include("sdk/core/font.h")
#include "sdk/core/font.h"
#else
#include "sdk/opengl/font.h"
#endif
