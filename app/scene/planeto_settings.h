#pragma once

// The application settings the world reads, in one record: read in one pass from the
// application store, each with the default the code gives it (the built-in text
// usually gives another value, and that is what runs).

#include <cstdint>

class CSettingsStore;

struct SPlanetoSettings
{
  // Elements switched on or off
  bool bSkybox = true;
  bool bConstellations = true;
  bool bAtmosphere = true;
  bool bEarthDifraction = true;
  bool bMoonDifraction = true;
  bool bSunMasking = false;
  bool bLensFlare = true;
  bool bLensFlareMasking = true;
  bool bEarthShadow = false;
  bool bMoonShadow = false;
  // Bodies
  float fEarthTiltDegrees = 23.45f;
  float fEarthRatio = 1.0f;
  float fCloudsRatio = 1.0025f;
  float fMoonRatio = 0.15f;
  float fMoonDistance = 4000.0f;
  float fAtmosphereRatio = 1.015f;
  float fEarthDifRatio = 1.02f;
  float fMoonDifRatio = 0.202f;
  // Motion
  float fSpeedFactor = 1.0f;
  float fCameraSpeed = 0.005f;
  float fEarthSpeed = -0.0025f;
  float fCloudsSpeed = -0.0035f;
  float fMoonSpeed = 0.005f;
  // The shared sphere
  float fSphereRadius = 200.0f;
  int32_t iSphereSegments = 50;
  // Colours, packed ARGB
  uint32_t dwAtmosphereColor = 0;
  uint32_t dwDifractionColor = 0;
  // Sky box
  float fSkyboxLength = 10000.0f;
  float fSkyboxRepeat = 1.0f;
  float fSkyboxCutX = 0.012f;
  float fSkyboxCutY = 0.988f;
};

// Every value from the store, or the code's default where the store has none (a null
// store gives all the defaults).
SPlanetoSettings ReadPlanetoSettings(CSettingsStore* pStore);
