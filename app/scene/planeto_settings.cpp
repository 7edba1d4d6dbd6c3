#include "app/scene/planeto_settings.h"

#include "sdk/core/engine_settings.h"
#include "sdk/core/settings_store.h"

SPlanetoSettings ReadPlanetoSettings(CSettingsStore* pStore)
{
  CSettingsStore none; // answers every Get with its default
  CSettingsStore& s = pStore ? *pStore : none;
  SPlanetoSettings r;
  r.bSkybox = s.GetBool("SKYBOX", "SKYBOX_ENABLE", r.bSkybox);
  r.bConstellations = s.GetBool("CONTELLATIONS", "CONTELLATIONS_ENABLE", r.bConstellations);
  r.fEarthTiltDegrees = s.GetFloat("EARTH", "EARTH_AXIAL_TILT", r.fEarthTiltDegrees);
  r.fEarthRatio = s.GetFloat("EARTH", "EARTH_SPHERE_RATIO", r.fEarthRatio);
  r.fCloudsRatio = s.GetFloat("CLOUDS", "CLOUDS_SPHERE_RATIO", r.fCloudsRatio);
  r.fMoonRatio = s.GetFloat("MOON", "MOON_SPHERE_RATIO", r.fMoonRatio);
  r.fMoonDistance = s.GetFloat("MOON", "MOON_DIST_FROM_EARTH", r.fMoonDistance);
  r.bAtmosphere = s.GetBool("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_ENABLE", r.bAtmosphere);
  r.fAtmosphereRatio = s.GetFloat("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_SPHERE_RATIO", r.fAtmosphereRatio);
  r.bEarthDifraction = s.GetBool("EARTH_DIFRACTION", "EARTH_DIFRACTION_ENABLE", r.bEarthDifraction);
  r.fEarthDifRatio = s.GetFloat("EARTH_DIFRACTION", "EARTH_DIFRACTION_RATIO", r.fEarthDifRatio);
  r.bMoonDifraction = s.GetBool("MOON_DIFRACTION", "MOON_DIFRACTION_ENABLE", r.bMoonDifraction);
  r.fMoonDifRatio = s.GetFloat("MOON_DIFRACTION", "MOON_DIFRACTION_RATIO", r.fMoonDifRatio);
  r.fSpeedFactor = s.GetFloat("CAMERA", "SPEED_FACTOR", r.fSpeedFactor);
  r.fCameraSpeed = s.GetFloat("CAMERA", "CAMERA_SPEED", r.fCameraSpeed);
  r.fEarthSpeed = s.GetFloat("EARTH", "EARTH_SPEED", r.fEarthSpeed);
  r.fCloudsSpeed = s.GetFloat("CLOUDS", "CLOUDS_SPEED", r.fCloudsSpeed);
  r.fMoonSpeed = s.GetFloat("MOON", "MOON_SPEED", r.fMoonSpeed);

  r.fSphereRadius = s.GetFloat("SPHERE", "SPHERE_RADIUS", r.fSphereRadius);
  r.iSphereSegments = s.GetInt("SPHERE", "SPHERE_NB_SEG", r.iSphereSegments);
  r.dwAtmosphereColor = PackColor(s.GetInt("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_COLOR_A", 255),
                                  s.GetInt("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_COLOR_R", 10),
                                  s.GetInt("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_COLOR_G", 10),
                                  s.GetInt("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_COLOR_B", 255));
  r.dwDifractionColor = PackColor(s.GetInt("EARTH_DIFRACTION", "EARTH_DIFRACTION_COLOR_A", 255),
                                  s.GetInt("EARTH_DIFRACTION", "EARTH_DIFRACTION_COLOR_R", 10),
                                  s.GetInt("EARTH_DIFRACTION", "EARTH_DIFRACTION_COLOR_G", 10),
                                  s.GetInt("EARTH_DIFRACTION", "EARTH_DIFRACTION_COLOR_B", 255));
  r.fSkyboxLength = s.GetFloat("SKYBOX", "SKYBOX_LENGTH", r.fSkyboxLength);
  r.fSkyboxRepeat = s.GetFloat("SKYBOX", "SKYBOX_TEXTURE_REPEAT", r.fSkyboxRepeat);
  r.fSkyboxCutX = s.GetFloat("SKYBOX", "SKYBOX_TEXTURE_CUT_X", r.fSkyboxCutX);
  r.fSkyboxCutY = s.GetFloat("SKYBOX", "SKYBOX_TEXTURE_CUT_Y", r.fSkyboxCutY);

  r.bSunMasking = s.GetBool("SUN", "SUN_MASKING_ENABLE", r.bSunMasking);
  r.bLensFlare = s.GetBool("LENS_FLARE", "LENS_FLARE_ENABLE", r.bLensFlare);
  r.bLensFlareMasking = s.GetBool("LENS_FLARE", "LENS_FLARE_MASKING_ENABLE", r.bLensFlareMasking);
  r.bEarthShadow = s.GetBool("EARTH", "EARTH_SHADOW_ENABLE", r.bEarthShadow);
  r.bMoonShadow = s.GetBool("MOON", "MOON_SHADOW_ENABLE", r.bMoonShadow);
  return r;
}
