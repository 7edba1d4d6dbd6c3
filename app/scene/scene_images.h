#pragma once

// How the scene reads the names of the images compiled into the program.

#include "data/embedded.h"

struct SEngineSettings;

// Reads section/key (the default when absent) into the record's name buffer, resolves
// it with FindBuiltInImage and keeps the result as the record's last resolved image.
const SEmbeddedFile* ReadImageName(SEngineSettings* pSettings, const char* pszSection, const char* pszKey,
                                   const char* pszDefault);

// Copies the default into the buffer, then lets the store overwrite it: a missing key
// leaves the default whatever the store does with the buffer on failure.
void ReadSceneString(SEngineSettings* pSettings, const char* pszSection, const char* pszKey,
                     const char* pszDefault, char* pszOut, unsigned uSize);
