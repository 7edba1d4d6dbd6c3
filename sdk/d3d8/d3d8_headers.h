#pragma once

// The system headers of the Direct3D 8 platform.  Only this folder (and the tests of
// it) include them; the rest of the engine sees no Direct3D type.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <d3d8.h>

// <windows.h> turns some names into macros that clash with the engine's methods.
#include "sdk/os/system_names.h"
