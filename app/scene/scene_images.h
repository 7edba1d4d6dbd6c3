#pragma once

// The scene's lookup of the images (and other data) compiled into the program.  The
// scene stays free of every platform folder, so it walks the embedded table itself.

#include "data/embedded.h"

struct SEngineSettings;

// The first embedded image whose whole name begins the requested name, compared
// without regard to letter case ("EarthDay.png" finds "earthday.png"); null when none
// does, so a ".tga" or ".dds" name resolves to nothing.
const SEmbeddedFile* FindSceneImage(const char* pszName);

// Reads section/key (the default when absent) into the record's name buffer, resolves
// it with FindSceneImage and keeps the result as the record's last resolved image.
const SEmbeddedFile* ReadImageName(SEngineSettings* pSettings, const char* pszSection,
                                   const char* pszKey, const char* pszDefault);

// Copies the default into the buffer, then lets the store overwrite it: a missing key
// leaves the default whatever the store does with the buffer on failure.
void ReadSceneString(SEngineSettings* pSettings, const char* pszSection, const char* pszKey,
                     const char* pszDefault, char* pszOut, unsigned uSize);
