#pragma once

// The images compiled into the program, found by name.

#include "data/embedded.h"

// The first table entry whose whole name begins the requested name, compared without
// regard to letter case ("EarthDay.png" and "earthday.png.bak" find "earthday.png");
// null when none does.
const SEmbeddedFile* FindBuiltInImage(const char* name);
