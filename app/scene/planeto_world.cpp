#include "app/scene/planeto_world.h"

#include "app/scene/constellations.h"
#include "app/scene/lens_flare_simple.h"
#include "sdk/core/font.h"
#include "app/scene/scene_images.h"
#include "app/scene/scene_quad.h"
#include "app/scene/stencil_shadow.h"
#include "app/scene/sun_masking.h"
#include "app/scene/sun_simple.h"
#include "data/embedded.h"
#include "sdk/core/3d_engine.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/ini_settings.h"
#include "sdk/core/log.h"
#include "sdk/core/settings_store.h"
#include "sdk/core/shape_builder.h"
#include "sdk/core/texture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace zos;

namespace
{

constexpr float PI = 3.1415927f;
constexpr float HALF_PI = 1.5707964f;
constexpr float TWO_PI = 6.2831855f;

// Random angles: r x 2 pi / 2^32 and r x pi / 2^32.
constexpr double RANDOM_TURN = 1.4629181e-9;
constexpr double RANDOM_HALF_TURN = 7.3145906e-10;

constexpr uint32_t OBJECT_KIND = 0xC03;

float Clamp01(float f)
{
  if (!(f > 0.0f)) // NaN too
    return 0.0f;
  return f > 1.0f ? 1.0f : f;
}

uint32_t IntensityByte(float f) { return static_cast<uint32_t>(Clamp01(f) * 255.0f); }

float Length(const SVector3& a, const SVector3& b)
{
  const float x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
  return std::sqrt(x * x + y * y + z * z);
}

SVector3 Add(const SVector3& a, const SVector3& b) { return SVector3{ a.x + b.x, a.y + b.y, a.z + b.z }; }

// Intensity of a difraction glow for a gap between the discs and the sun's radius.
float GlowIntensity(float fGap, float fSunRadius)
{
  if (-2.0f * fSunRadius < fGap && fGap < -fSunRadius)
    return 1.0f - (-fGap - fSunRadius) / fSunRadius;
  if (-fSunRadius <= fGap && fGap < 0.0f)
    return -fGap / fSunRadius;
  return 0.0f;
}

} // namespace

SDifraction ComputeDifraction(const SVector3& s, const SVector3& v, const SVector3& e, const SVector3& p)
{
  SDifraction out;
  const float d = Length(s, e);
  const float rE = Length(e, p);
  const float rS = Length(s, v);
  out.fGap = d - rE - rS;
  out.fIntensity = rS > 0.0f ? GlowIntensity(out.fGap, rS) : 0.0f;

  const float dx = s.x - e.x, dy = s.y - e.y;
  // atan(dy / dx), turned by pi on the left half; straight up or down when dx is 0.
  if (dx != 0.0f)
    out.fAngle = std::atan(dy / dx) + (dx < 0.0f ? PI : 0.0f);
  else
    out.fAngle = dy > 0.0f ? HALF_PI : (dy < 0.0f ? -HALF_PI : 0.0f);

  if (out.fGap < 0.0f)
    out.fSunLeft = rS > 0.0f ? out.fGap / (2.0f * rS) + 1.0f : 0.0f;
  else
    out.fSunLeft = 1.0f;
  return out;
}

ESunChoice ChooseSunElement(bool bMaskingEnabled, bool bOcclusionService)
{
  return bMaskingEnabled && bOcclusionService ? SUN_CHOICE_MASKING : SUN_CHOICE_SIMPLE;
}

bool WantsStencilShadow(bool bEngineSwitch, bool bEarthShadow, bool bMoonShadow)
{
  return bEngineSwitch && bEarthShadow && bMoonShadow;
}

CPlanetoWorld::CPlanetoWorld()
    : m_pFont(nullptr), m_pSphere(nullptr), m_pAtmosphere(nullptr), m_pDifraction(nullptr),
      m_pOccluder(nullptr), m_pSkybox(nullptr), m_pTexEarthDay(nullptr), m_pTexEarthNight(nullptr),
      m_pTexClouds(nullptr), m_pTexMoon(nullptr), m_pTexAtmosphere(nullptr), m_pTexEarthDifraction(nullptr),
      m_pTexMoonDifraction(nullptr), m_matEarth{}, m_matEarthFacing{}, m_matEarthSun{}, m_matEarthSunSmall{},
      m_fEarthRatio(0.0f), m_fEarthSpeed(0.0f), m_fSphereRadius(0.0f), m_matClouds{}, m_fCloudsRatio(0.0f),
      m_fCloudsSpeed(0.0f), m_matMoon{}, m_matMoonFacing{}, m_matMoonSun{}, m_matMoonSunSmall{},
      m_fMoonRatio(0.0f), m_fMoonDistance(0.0f), m_fMoonSpeed(0.0f), m_fMoonTiltPhase(0.0f),
      m_fMoonOrbitAngle(0.0f), m_bAtmosphere(1), m_bEarthDifraction(1), m_bMoonDifraction(1),
      m_fAtmosphereRatio(1.0f), m_fEarthDifRatio(1.0f), m_fMoonDifRatio(1.0f), m_fMousePitchStep(0.0f),
      m_fMouseYawStep(0.0f), m_iWheelSteps(0), m_fMousePitch(0.0f), m_fMouseYaw(0.0f),
      m_fCameraDistance(-1000.0f), m_fCameraSpeed(0.0f), m_fCameraYaw(0.0f), m_fCameraWobble(0.0f),
      m_fRollTarget(0.0f), m_fRollCurrent(0.0f), m_dwViewOrientation(VIEW_START), m_fSpeedFactor(0.0f),
      m_bAutoRotation(1), m_iPrevMouseX(-1), m_iPrevMouseY(-1), m_bHasPrevMouse(0),
      m_pConstellations(nullptr), m_pSunMasking(nullptr), m_pStencilShadow(nullptr), m_pSunSimple(nullptr),
      m_pLensFlare(nullptr), m_bSunVisible(0), m_avScreen{}, m_fEarthDifIntensity(1.0f),
      m_fEarthDifAngle(0.0f), m_fMoonDifIntensity(1.0f), m_fMoonDifAngle(0.0f), m_fSunIntensity(1.0f),
      m_bScreenSaver(0)
{
}

CPlanetoWorld::~CPlanetoWorld()
{
  delete m_pConstellations;
  delete m_pSunMasking;
  delete m_pStencilShadow;
  delete m_pSunSimple;
  delete m_pLensFlare;
  m_pConstellations = nullptr;
  m_pSunMasking = nullptr;
  m_pStencilShadow = nullptr;
  m_pSunSimple = nullptr;
  m_pLensFlare = nullptr;
  // Unload deletes the font; a world destroyed without Unload must not leak it.
  delete m_pFont;
  m_pFont = nullptr;
}

// ---------------------------------------------------------------------------------
// Load

ZRESULT CPlanetoWorld::Load(HWND hWnd, uint32_t dwWidth, uint32_t dwHeight, uint32_t dwColorDepth,
                            bool bFullscreen, bool bDesktop, uint32_t dwPlatformFlags, const char* szPath)
{
  ZRESULT r =
      CWorldBase::Load(hWnd, dwWidth, dwHeight, dwColorDepth, bFullscreen, bDesktop, dwPlatformFlags, szPath);
  if (ZP_FAILED(r))
    return r;

  SEngineSettings* pSet = m_pSettings;
  CSettingsStore* pStore = pSet->pAppliStore;
  CSettingsStore none; // answers every Get with its default when no store is bound
  if (!pStore)
    pStore = &none;
  C3DMath* pMath = m_pMath;

  ReadSceneString(pSet, "PATH", "DATA_PATH", "", pSet->szDataPath, sizeof(pSet->szDataPath));
  const bool bSkybox = pStore->GetBool("SKYBOX", "SKYBOX_ENABLE", true);
  const bool bConstellations = pStore->GetBool("CONTELLATIONS", "CONTELLATIONS_ENABLE", true);

  if (ZP_FAILED(LoadFont()))
    return ZP_FAIL;

  // Earth and clouds: tilted, at a random turn about their axis.
  const float fTilt = pStore->GetFloat("EARTH", "EARTH_AXIAL_TILT", 23.45f) * 0.017453292f;
  m_fEarthRatio = pStore->GetFloat("EARTH", "EARTH_SPHERE_RATIO", 1.0f);
  pMath->Identity(&m_matEarth);
  pMath->Scale(&m_matEarth, m_fEarthRatio);
  pMath->RotateZ(&m_matEarth, fTilt);
  pMath->RotateY(&m_matEarth, static_cast<float>(NextRandom() * RANDOM_TURN));

  m_fCloudsRatio = pStore->GetFloat("CLOUDS", "CLOUDS_SPHERE_RATIO", 1.0025f);
  pMath->Identity(&m_matClouds);
  pMath->Scale(&m_matClouds, m_fCloudsRatio);
  pMath->RotateZ(&m_matClouds, fTilt);
  pMath->RotateY(&m_matClouds, static_cast<float>(NextRandom() * RANDOM_TURN));

  m_fMoonRatio = pStore->GetFloat("MOON", "MOON_SPHERE_RATIO", 0.15f);
  m_fMoonDistance = pStore->GetFloat("MOON", "MOON_DIST_FROM_EARTH", 4000.0f);
  m_bAtmosphere = pStore->GetBool("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_ENABLE", true) ? 1 : 0;
  m_fAtmosphereRatio = pStore->GetFloat("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_SPHERE_RATIO", 1.015f);
  m_bEarthDifraction = pStore->GetBool("EARTH_DIFRACTION", "EARTH_DIFRACTION_ENABLE", true) ? 1 : 0;
  m_fEarthDifRatio = pStore->GetFloat("EARTH_DIFRACTION", "EARTH_DIFRACTION_RATIO", 1.02f);
  m_bMoonDifraction = pStore->GetBool("MOON_DIFRACTION", "MOON_DIFRACTION_ENABLE", true) ? 1 : 0;
  m_fMoonDifRatio = pStore->GetFloat("MOON_DIFRACTION", "MOON_DIFRACTION_RATIO", 0.202f);
  m_fSpeedFactor = pStore->GetFloat("CAMERA", "SPEED_FACTOR", 1.0f);
  m_fCameraSpeed = pStore->GetFloat("CAMERA", "CAMERA_SPEED", 0.005f);
  m_fEarthSpeed = pStore->GetFloat("EARTH", "EARTH_SPEED", -0.0025f);
  m_fCloudsSpeed = pStore->GetFloat("CLOUDS", "CLOUDS_SPEED", -0.0035f);
  m_fMoonSpeed = pStore->GetFloat("MOON", "MOON_SPEED", 0.005f);

  m_fMoonTiltPhase = static_cast<float>(NextRandom() * RANDOM_HALF_TURN);
  m_fMoonOrbitAngle = static_cast<float>(NextRandom() * RANDOM_HALF_TURN);
  m_fCameraYaw = static_cast<float>(NextRandom() * RANDOM_HALF_TURN);
  m_fCameraWobble = static_cast<float>(NextRandom() * RANDOM_HALF_TURN);

  if (ZP_FAILED(LoadTextures()))
    return ZP_FAIL;
  if (ZP_FAILED(LoadObjects(bSkybox)))
    return ZP_FAIL;
  if (m_pSkybox && ZP_FAILED(LoadSkybox()))
    return ZP_FAIL;
  if (ZP_FAILED(LoadElements(bConstellations)))
    return ZP_FAIL;
  return ZP_OK;
}

ZRESULT CPlanetoWorld::LoadFont()
{
  const SEmbeddedFile* pText = FindEmbeddedText("Planeto.Font.ini");
  CIniSettings* pFontStore =
      new CIniSettings(pText ? reinterpret_cast<const char*>(pText->data) : "", pText ? pText->size : 0);
  m_pFont = new CFont(m_pSettings);
  ZRESULT r = m_pFont->Load();
  if (!ZP_FAILED(r))
  {
    SEngineSettings* pSet = m_pSettings;
    std::strncpy(pSet->szName, "Font.tga", sizeof(pSet->szName) - 1);
    pSet->szName[sizeof(pSet->szName) - 1] = 0;
    pFontStore->GetString("FONT", "FONT_TEXTURE_PATH", "Font.tga", pSet->szName, sizeof(pSet->szName));
    const SEmbeddedFile* pImage = FindBuiltInImage(pSet->szName);
    pSet->pLastImage = pImage;
    if (pImage)
      r = m_pFont->SetMakeTexture(pSet->szName, pImage->data, pImage->size, pFontStore);
  }
  delete pFontStore;
  return ZP_FAILED(r) ? ZP_FAIL : ZP_OK;
}

ZRESULT CPlanetoWorld::LoadWorldTexture(CTexture** ppTexture, uint32_t dwTextureFlags, const char* pszSection,
                                        const char* pszKey, const char* pszDefault)
{
  *ppTexture = CreateTexture(1, dwTextureFlags);
  if (!*ppTexture)
    return ZP_FAIL;
  const SEmbeddedFile* pImage = ReadImageName(m_pSettings, pszSection, pszKey, pszDefault);
  if (pImage && ZP_FAILED((*ppTexture)->LoadFromMemory(pImage->data, pImage->size, 0, m_pSettings->szName)))
  {
    LogMessage(m_pSettings->szLogPath, 1, "# CPlanetoWorld::LoadTextureFromFile failed! (\"%s\")\n",
               m_pSettings->szName);
    return ZP_FAIL;
  }
  return ZP_OK;
}

ZRESULT CPlanetoWorld::LoadTextures()
{
  // All seven are made whether or not their feature is on.
  if (ZP_FAILED(LoadWorldTexture(&m_pTexEarthDay, 11, "EARTH", "EARTH_DAY_TEXTURE", "EarthDay.tga")) ||
      ZP_FAILED(LoadWorldTexture(&m_pTexEarthNight, 19, "EARTH", "EARTH_NIGHT_TEXTURE", "EarthNight.tga")) ||
      ZP_FAILED(LoadWorldTexture(&m_pTexClouds, 3, "CLOUDS", "CLOUDS_TEXTURE", "EarthClouds.tga")) ||
      ZP_FAILED(LoadWorldTexture(&m_pTexMoon, 3, "MOON", "MOON_TEXTURE", "Moon.tga")) ||
      ZP_FAILED(LoadWorldTexture(&m_pTexAtmosphere, 3, "EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_TEXTURE",
                                 "Atmosphere.tga")) ||
      ZP_FAILED(LoadWorldTexture(&m_pTexEarthDifraction, 3, "EARTH_DIFRACTION", "EARTH_DIFRACTION_TEXTURE",
                                 "Difraction.tga")) ||
      ZP_FAILED(LoadWorldTexture(&m_pTexMoonDifraction, 3, "MOON_DIFRACTION", "MOON_DIFRACTION_TEXTURE",
                                 "Difraction2.tga.tga")))
    return ZP_FAIL;
  return ZP_OK;
}

ZRESULT CPlanetoWorld::LoadObjects(bool bSkybox)
{
  m_pSphere = CreateObject(OBJECT_KIND, WORLD_SPHERE_RENDER_FLAGS);
  if (!m_pSphere)
    return ZP_FAIL;
  m_pAtmosphere = CreateObject(OBJECT_KIND, WORLD_ATMOSPHERE_RENDER_FLAGS);
  if (!m_pAtmosphere)
    return ZP_FAIL;
  m_pDifraction = CreateObject(OBJECT_KIND, WORLD_DIFRACTION_RENDER_FLAGS);
  if (!m_pDifraction)
    return ZP_FAIL;
  m_pOccluder = CreateObject(OBJECT_KIND, WORLD_OCCLUDER_RENDER_FLAGS);
  if (!m_pOccluder)
    return ZP_FAIL;
  if (bSkybox)
  {
    m_pSkybox = CreateObject(OBJECT_KIND, WORLD_SKYBOX_RENDER_FLAGS);
    if (!m_pSkybox)
      return ZP_FAIL;
  }

  CSettingsStore none;
  CSettingsStore* pStore = m_pSettings->pAppliStore ? m_pSettings->pAppliStore : &none;

  SShapeSphere sphere;
  sphere.fRadius = pStore->GetFloat("SPHERE", "SPHERE_RADIUS", 200.0f);
  sphere.dwSegments = static_cast<uint32_t>(pStore->GetInt("SPHERE", "SPHERE_NB_SEG", 50));
  sphere.dwDiffuse = 0xFFFFFFFF;
  sphere.dwSpecular = 0xFFFFFFFF;
  const float fRadius = sphere.fRadius;
  m_fSphereRadius = fRadius;
  if (ZP_FAILED(m_pSphere->BuildShape(SHAPE_SPHERE, &sphere)))
    return ZP_FAIL;

  SShapeDisc disc;
  disc.fWidth = 2.0f * fRadius;
  // The count as the sphere builder corrected it (3 to 255): the disc builder only raises
  // it, so a raw count from the text (say 100000000, or -1) would size the occluder's
  // buffers without bound.
  disc.dwSegments = sphere.dwSegments;
  disc.fHeight = 0.0f;
  disc.dwAxis = 0;
  disc.dwTextureMode = 1;
  disc.dwDiffuse = 0xFFFFFFFF;
  disc.dwSpecular = 0xFFFFFFFF;
  disc.fUScale = 1.0f;
  disc.fVScale = 1.0f;
  if (ZP_FAILED(m_pOccluder->BuildShape(SHAPE_DISC, &disc)))
    return ZP_FAIL;

  SShapeSphere shell;
  shell.fRadius = pStore->GetFloat("SPHERE", "SPHERE_RADIUS", 200.0f);
  shell.dwSegments = static_cast<uint32_t>(pStore->GetInt("SPHERE", "SPHERE_NB_SEG", 50));
  shell.dwDiffuse = PackColor(pStore->GetInt("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_COLOR_A", 255),
                              pStore->GetInt("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_COLOR_R", 10),
                              pStore->GetInt("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_COLOR_G", 10),
                              pStore->GetInt("EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_COLOR_B", 255));
  shell.dwSpecular = 0;
  if (ZP_FAILED(m_pAtmosphere->BuildShape(SHAPE_HALF_SPHERE, &shell)))
    return ZP_FAIL;

  const float r = pStore->GetFloat("SPHERE", "SPHERE_RADIUS", 200.0f);
  const uint32_t c = PackColor(pStore->GetInt("EARTH_DIFRACTION", "EARTH_DIFRACTION_COLOR_A", 255),
                               pStore->GetInt("EARTH_DIFRACTION", "EARTH_DIFRACTION_COLOR_R", 10),
                               pStore->GetInt("EARTH_DIFRACTION", "EARTH_DIFRACTION_COLOR_G", 10),
                               pStore->GetInt("EARTH_DIFRACTION", "EARTH_DIFRACTION_COLOR_B", 255));
  if (ZP_FAILED(BuildSceneQuad(m_pDifraction, r, r, c)))
    return ZP_FAIL;
  return ZP_OK;
}

ZRESULT CPlanetoWorld::LoadSkybox()
{
  CSettingsStore none;
  CSettingsStore* pStore = m_pSettings->pAppliStore ? m_pSettings->pAppliStore : &none;
  const float fLength = pStore->GetFloat("SKYBOX", "SKYBOX_LENGTH", 10000.0f);
  const float fRepeat = pStore->GetFloat("SKYBOX", "SKYBOX_TEXTURE_REPEAT", 1.0f);
  const float fCutX = pStore->GetFloat("SKYBOX", "SKYBOX_TEXTURE_CUT_X", 0.012f);
  const float fCutY = pStore->GetFloat("SKYBOX", "SKYBOX_TEXTURE_CUT_Y", 0.988f);
  SShapeBox box;
  box.fHalfX = box.fHalfY = box.fHalfZ = fLength;
  box.dwVariant = 2;
  box.dwDiffuse = 0xFFFFFFFF;
  box.dwSpecular = 0;
  box.fT0 = fCutX * fRepeat;
  box.fT1 = fCutY * fRepeat;
  if (ZP_FAILED(m_pSkybox->BuildShape(SHAPE_BOX, &box)))
    return ZP_FAIL;

  static const char* const kFaces[6] = { "SKYBOX_TEXTURE_BACK",  "SKYBOX_TEXTURE_FRONT",
                                         "SKYBOX_TEXTURE_RIGHT", "SKYBOX_TEXTURE_LEFT",
                                         "SKYBOX_TEXTURE_DOWN",  "SKYBOX_TEXTURE_UP" };
  for (int32_t iFace = 0; iFace < 6; ++iFace)
  {
    const SEmbeddedFile* pImage = ReadImageName(m_pSettings, "SKYBOX", kFaces[iFace], "Univer.tga");
    if (!pImage)
      continue;
    if (ZP_FAILED(m_pSkybox->SetPartTextureFromMemory(3, 3, pImage->data, pImage->size, iFace, 0,
                                                      m_pSettings->szName)))
    {
      LogMessage(m_pSettings->szLogPath, 1, "# CPlanetoWorld::LoadOneTextureFromFile failed! (\"%s\")\n",
                 m_pSettings->szName);
      return ZP_FAIL;
    }
  }
  return ZP_OK;
}

ZRESULT CPlanetoWorld::LoadElements(bool bConstellations)
{
  SEngineSettings* pSet = m_pSettings;
  CSettingsStore none;
  CSettingsStore* pStore = pSet->pAppliStore ? pSet->pAppliStore : &none;

  if (bConstellations)
  {
    m_pConstellations = new CConstellations(pSet);
    if (ZP_FAILED(m_pConstellations->Load()))
      return ZP_FAIL;
  }

  // Features follow what the device offers: the masking sun needs the occlusion
  // measure, the shadows the stencil volumes.  Without them the log says which element
  // could not be made and the simple sun and no shadows take their place.
  C3DEngine* pDevice = GetDevice();
  const bool bMasking = pStore->GetBool("SUN", "SUN_MASKING_ENABLE", false);
  const bool bOcclusion = pDevice && pDevice->GetSunOcclusionService();
  if (ChooseSunElement(bMasking, bOcclusion) == SUN_CHOICE_MASKING)
  {
    m_pSunMasking = new CSunMasking(pSet);
    m_pSunMasking->SetOccluder(0, m_pOccluder, &m_matEarthFacing);
    m_pSunMasking->SetOccluder(1, m_pOccluder, &m_matMoonFacing);
    if (ZP_FAILED(m_pSunMasking->Load()))
      return ZP_FAIL;
  }
  else
  {
    if (bMasking)
      LogMessage(pSet->szLogPath, 1, "# CSunMasking::Load failed! (\"%s\")\n", pSet->descPlatform.szName);
    m_pSunSimple = new CSunSimple(pSet);
    if (ZP_FAILED(m_pSunSimple->Load()))
      return ZP_FAIL;
  }

  const bool bFlares = pStore->GetBool("LENS_FLARE", "LENS_FLARE_ENABLE", true);
  const bool bFlaresMasked = pStore->GetBool("LENS_FLARE", "LENS_FLARE_MASKING_ENABLE", true);
  if (bFlares && !bFlaresMasked)
  {
    m_pLensFlare = new CLensFlareSimple(pSet);
    if (ZP_FAILED(m_pLensFlare->Load()))
      return ZP_FAIL;
  }

  const bool bEarthShadow = pStore->GetBool("EARTH", "EARTH_SHADOW_ENABLE", false);
  const bool bMoonShadow = pStore->GetBool("MOON", "MOON_SHADOW_ENABLE", false);
  if (WantsStencilShadow(pSet->swStencilShadow.bConfigured != 0, bEarthShadow, bMoonShadow))
  {
    if (!pDevice || !pDevice->GetShadowVolumeService())
    {
      LogMessage(pSet->szLogPath, 1, "# CStencilShadow::Load failed! (\"%s\")\n", pSet->descPlatform.szName);
      return ZP_OK;
    }
    // The Earth's volumes reach just past the Moon's orbit; the Moon's stop inside the
    // Earth, so that their far caps are hidden.
    const float fEarthMin = -1.1f * m_fMoonRatio * m_fMoonDistance;
    const float fMoonMin = -0.002f * m_fMoonDistance;
    m_pStencilShadow = new CStencilShadow(pSet);
    m_pStencilShadow->SetCaster(0, m_pOccluder, &m_matEarthSun, 1.0f, fEarthMin);
    m_pStencilShadow->SetCaster(1, m_pOccluder, &m_matEarthSunSmall, 1.0f, fEarthMin);
    m_pStencilShadow->SetCaster(2, m_pOccluder, &m_matMoonSun, m_fMoonDistance, fMoonMin);
    m_pStencilShadow->SetCaster(3, m_pOccluder, &m_matMoonSunSmall, m_fMoonDistance, fMoonMin);
    if (ZP_FAILED(m_pStencilShadow->Load()))
      return ZP_FAIL;
  }
  return ZP_OK;
}

// ---------------------------------------------------------------------------------
// Unload

ZRESULT CPlanetoWorld::Unload()
{
  DestroyObject(m_pSphere);
  m_pSphere = nullptr;
  DestroyObject(m_pAtmosphere);
  m_pAtmosphere = nullptr;
  DestroyObject(m_pDifraction);
  m_pDifraction = nullptr;
  DestroyObject(m_pOccluder);
  m_pOccluder = nullptr;
  if (m_pSkybox)
  {
    DestroyObject(m_pSkybox);
    m_pSkybox = nullptr;
  }

  CTexture** const appTextures[7] = { &m_pTexEarthDay,      &m_pTexClouds,     &m_pTexEarthNight,
                                      &m_pTexMoon,          &m_pTexAtmosphere, &m_pTexEarthDifraction,
                                      &m_pTexMoonDifraction };
  ZRESULT rTextures = ZP_OK;
  for (CTexture** ppTexture : appTextures)
  {
    rTextures = DestroyTexture(*ppTexture);
    *ppTexture = nullptr;
  }

  CSceneElement* apElements[5] = { m_pConstellations, m_pSunMasking, m_pSunSimple, m_pLensFlare,
                                   m_pStencilShadow };
  for (CSceneElement* pElement : apElements)
  {
    if (!pElement)
      continue;
    const ZRESULT r = pElement->Unload();
    if (ZP_FAILED(r))
      return r;
  }

  if (m_pFont)
  {
    m_pFont->Unload();
    delete m_pFont;
    m_pFont = nullptr;
  }

  const ZRESULT rBase = CWorldBase::Unload();
  return ZP_FAILED(rTextures) ? rTextures : rBase;
}

// ---------------------------------------------------------------------------------
// Input

void CPlanetoWorld::SetRollTarget(uint32_t dwOrientation, float fTarget)
{
  m_dwViewOrientation = dwOrientation;
  m_fRollTarget = fTarget;
  // Whole turns bring the current roll within half a turn of the target, so the roll
  // always takes the short way round.
  while (m_fRollCurrent - m_fRollTarget > PI)
    m_fRollCurrent -= TWO_PI;
  while (m_fRollTarget - m_fRollCurrent > PI)
    m_fRollCurrent += TWO_PI;
}

ZRESULT CPlanetoWorld::HandleMouseMove(const SMessage* pMsg)
{
  int32_t x = GET_X_LPARAM(pMsg->lParam);
  int32_t y = GET_Y_LPARAM(pMsg->lParam);
  switch (m_dwViewOrientation)
  {
    case VIEW_DOWN:
    {
      const int32_t nx = -x, ny = -y;
      x = nx;
      y = ny;
      break;
    }
    case VIEW_RIGHT:
    {
      const int32_t nx = y, ny = -x;
      x = nx;
      y = ny;
      break;
    }
    case VIEW_LEFT:
    {
      const int32_t nx = -y, ny = x;
      x = nx;
      y = ny;
      break;
    }
    default: break;
  }

  if (m_bScreenSaver)
  {
    // A screen saver ignores the small jitter of a mouse that moves along one axis only.
    if (m_bHasPrevMouse && x != m_iPrevMouseX && y != m_iPrevMouseY)
      return ZP_FAIL;
    m_iPrevMouseX = x;
    m_iPrevMouseY = y;
    m_bHasPrevMouse = 1;
    return ZP_OK;
  }

  if (pMsg->wParam != MK_LBUTTON)
    return ZP_OK;
  if (m_bHasPrevMouse)
  {
    const uint16_t wWidth = m_pSettings ? m_pSettings->wWidth : 0;
    const uint16_t wHeight = m_pSettings ? m_pSettings->wHeight : 0;
    if (wHeight)
      m_fMousePitchStep += static_cast<float>(y - m_iPrevMouseY) / wHeight;
    if (wWidth)
      m_fMouseYawStep += static_cast<float>(x - m_iPrevMouseX) / wWidth;
  }
  m_iPrevMouseX = x;
  m_iPrevMouseY = y;
  m_bHasPrevMouse = 1;
  return ZP_OK;
}

ZRESULT CPlanetoWorld::HandleMessage(const SMessage* pMsg)
{
  if (!pMsg)
    return ZP_OK;
  CWorldBase::HandleMessage(pMsg);

  switch (pMsg->message)
  {
    case WM_KEYDOWN:
      if (pMsg->wParam == VK_ESCAPE || m_bScreenSaver)
        return ZP_FAIL;
      switch (pMsg->wParam)
      {
        case VK_UP: SetRollTarget(VIEW_UP, 0.0f); break;
        case VK_RIGHT: SetRollTarget(VIEW_RIGHT, HALF_PI); break;
        case VK_DOWN: SetRollTarget(VIEW_DOWN, PI); break;
        case VK_LEFT: SetRollTarget(VIEW_LEFT, -HALF_PI); break;
        case VK_MULTIPLY: m_fSpeedFactor = 0.0006f; break;
        case VK_ADD: m_fSpeedFactor += 0.001f; break;
        case VK_SUBTRACT: m_fSpeedFactor -= 0.001f; break;
        case VK_DIVIDE: m_fSpeedFactor = 0.0f; break;
        default: break;
      }
      return ZP_OK;

    case WM_MOUSEMOVE: return HandleMouseMove(pMsg);

    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: return m_bScreenSaver ? ZP_FAIL : ZP_OK;

    case WM_LBUTTONUP:
      m_bHasPrevMouse = 0;
      m_iPrevMouseX = m_iPrevMouseY = -1;
      return ZP_OK;

    case WM_RBUTTONUP: m_bAutoRotation = m_bAutoRotation ? 0 : 1; return ZP_OK;

    case WM_MOUSEWHEEL:
      if (m_bScreenSaver)
        return ZP_FAIL;
      m_iWheelSteps += GET_WHEEL_DELTA_WPARAM(pMsg->wParam) < 1 ? -1 : 1;
      return ZP_OK;

    default: return ZP_OK;
  }
}

// ---------------------------------------------------------------------------------
// Frame update

void CPlanetoWorld::UpdateCamera(float fStep)
{
  C3DMath* pMath = m_pMath;
  SMatrix* pCamera = &m_pSettings->matCamera;
  pMath->Identity(pCamera);

  if (m_bAutoRotation)
  {
    m_fCameraYaw += fStep * m_fCameraSpeed;
    pMath->RotateY(pCamera, m_fCameraYaw);
    m_fCameraWobble += fStep * m_fCameraSpeed;
    pMath->RotateZ(pCamera, std::sin(m_fCameraWobble) * 0.2f);
  }

  m_fCameraDistance += static_cast<float>(m_iWheelSteps) * 50.0f;
  m_fMousePitch += m_fMousePitchStep;
  m_fMouseYaw += m_fMouseYawStep;
  m_iWheelSteps = 0;
  m_fMousePitchStep = 0.0f;
  m_fMouseYawStep = 0.0f;

  pMath->RotateY(pCamera, -HALF_PI);
  pMath->RotateY(pCamera, m_fMouseYaw);
  pMath->RotateX(pCamera, m_fMousePitch);
  pMath->TranslateZ(pCamera, m_fCameraDistance);

  if (m_bAutoRotation)
  {
    const SVector3& vOffset = m_pSettings->light1.vPosition;
    const SVector3 vTarget = { vOffset.x * 0.035714287f, vOffset.y * 0.035714287f, vOffset.z * 0.035714287f };
    pMath->LookAt(pCamera, &vTarget);
  }

  const float fRollStep = fStep * 100.0f;
  if (m_fRollCurrent > m_fRollTarget)
  {
    m_fRollCurrent -= fRollStep;
    if (m_fRollCurrent < m_fRollTarget)
      m_fRollCurrent = m_fRollTarget;
  }
  else if (m_fRollCurrent < m_fRollTarget)
  {
    m_fRollCurrent += fRollStep;
    if (m_fRollCurrent > m_fRollTarget)
      m_fRollCurrent = m_fRollTarget;
  }
  pMath->RotateZ(pCamera, m_fRollCurrent);
}

void CPlanetoWorld::UpdateBodies(float fStep, const SVector3& vCamera, const SVector3& vSun)
{
  C3DMath* pMath = m_pMath;

  pMath->RotateY(&m_matEarth, fStep * m_fEarthSpeed);
  pMath->RotateY(&m_matClouds, fStep * m_fCloudsSpeed);

  pMath->Identity(&m_matMoon);
  pMath->Scale(&m_matMoon, m_fMoonRatio);
  m_fMoonOrbitAngle += m_fMoonSpeed * fStep;
  m_fMoonTiltPhase += m_fMoonSpeed * fStep * 0.345f;
  pMath->RotateY(&m_matMoon, m_fMoonOrbitAngle);
  pMath->RotateX(&m_matMoon, std::sin(m_fMoonTiltPhase) * 0.3f);
  pMath->TranslateZ(&m_matMoon, -m_fMoonDistance);
  pMath->RotateY(&m_matMoon, 4.1887903f);

  SVector3 vEarth, vMoon;
  pMath->GetTranslation(&vEarth, &m_matEarth);
  pMath->GetTranslation(&vMoon, &m_matMoon);
  m_pSettings->light2.vPosition = vMoon;

  pMath->Identity(&m_matEarthFacing);
  pMath->SetTranslation(&m_matEarthFacing, &vEarth);
  pMath->LookAt(&m_matEarthFacing, &vCamera);
  pMath->Scale(&m_matEarthFacing, m_fEarthRatio);
  pMath->Identity(&m_matMoonFacing);
  pMath->SetTranslation(&m_matMoonFacing, &vMoon);
  pMath->LookAt(&m_matMoonFacing, &vCamera);
  pMath->Scale(&m_matMoonFacing, m_fMoonRatio);

  if (m_pSunMasking)
    m_pSunMasking->Update();
  if (m_pSunSimple)
    m_pSunSimple->Update();
  if (m_pLensFlare)
    m_pLensFlare->Update();

  pMath->Identity(&m_matEarthSun);
  pMath->SetTranslation(&m_matEarthSun, &vEarth);
  pMath->LookAt(&m_matEarthSun, &vSun);
  pMath->Scale(&m_matEarthSun, m_fEarthRatio);
  // The shadow casters are discs facing the sun: set behind the planet's outermost
  // shell, their volumes begin there, so that a planet's own night side (clouds and
  // atmosphere included) is not darkened again.
  float fEarthOuter = std::max(m_fEarthRatio, m_fCloudsRatio);
  if (m_bAtmosphere)
    fEarthOuter = std::max(fEarthOuter, m_fAtmosphereRatio);
  if (m_fEarthRatio > 0.0f)
    pMath->TranslateZ(&m_matEarthSun, -m_fSphereRadius * fEarthOuter / m_fEarthRatio);
  m_matEarthSunSmall = m_matEarthSun;
  pMath->Scale(&m_matEarthSunSmall, 0.5f);
  pMath->Identity(&m_matMoonSun);
  pMath->SetTranslation(&m_matMoonSun, &vMoon);
  pMath->LookAt(&m_matMoonSun, &vSun);
  pMath->Scale(&m_matMoonSun, m_fMoonRatio);
  pMath->TranslateZ(&m_matMoonSun, -m_fSphereRadius);
  m_matMoonSunSmall = m_matMoonSun;
  pMath->Scale(&m_matMoonSunSmall, 0.75f);

  if (m_pAtmosphere)
  {
    SMatrix* pShell = m_pAtmosphere->GetMatrix();
    pMath->Identity(pShell);
    pMath->LookAt(pShell, &vCamera);
    pMath->Scale(pShell, m_fAtmosphereRatio);
  }
}

void CPlanetoWorld::ProjectVertex0(SVector3* pOut, C3DObject* pObject, const SMatrix* pMatrix)
{
  SVector3 v = { 0.0f, 0.0f, 0.0f };
  if (pObject)
  {
    pObject->LockIndices();
    pObject->GetPosition(0, &v);
    pObject->Commit();
  }
  const SEngineSettings* pSet = m_pSettings;
  m_pMath->Project(pOut, pSet->wWidth, pSet->wHeight, pMatrix, &pSet->matView, &pSet->matProjection, &v);
}

void CPlanetoWorld::SunTest(const SVector3& vSun, const SVector3& vMoon)
{
  C3DMath* pMath = m_pMath;
  SEngineSettings* pSet = m_pSettings;

  m_fEarthDifIntensity = 0.0f;
  m_fMoonDifIntensity = 0.0f;
  m_bSunVisible =
      pMath->IsSphereVisible(&pSet->matView, &pSet->matProjection, &pSet->light1.vPosition, 1.0f) ? 1 : 0;
  if (!m_bSunVisible)
    return; // the sun intensity keeps its last value

  // Each test starts from a fully visible sun, so the sun comes back once a planet has
  // passed even when only one of the two tests runs.
  m_fSunIntensity = 1.0f;

  auto project = [&](SVector3* pOut, const SVector3& p)
  { pMath->Project(pOut, pSet->wWidth, pSet->wHeight, nullptr, &pSet->matView, &pSet->matProjection, &p); };
  const SVector3 vOrigin = { 0.0f, 0.0f, 0.0f };

  SVector3& s = m_avScreen[SP_SUN];
  SVector3& v = m_avScreen[SP_SUN_RIM];
  SVector3& e = m_avScreen[SP_EARTH];
  SVector3& p = m_avScreen[SP_EARTH_RIM];
  SVector3& m = m_avScreen[SP_MOON];
  SVector3& q = m_avScreen[SP_MOON_RIM];

  project(&s, vSun);
  CSunSimple* pSunElement = m_pSunSimple ? m_pSunSimple : m_pSunMasking;
  C3DObject* pDisc = pSunElement ? pSunElement->GetDiscObject() : nullptr;
  ProjectVertex0(&v, pDisc, pDisc ? pDisc->GetMatrix() : nullptr);
  project(&e, vOrigin);

  SMatrix mat = pSet->matCamera;
  pMath->Scale(&mat, m_fAtmosphereRatio);
  pMath->SetTranslation(&mat, &vOrigin);
  ProjectVertex0(&p, m_pSphere, &mat);

  project(&m, vMoon);
  mat = pSet->matCamera;
  pMath->Scale(&mat, m_fMoonRatio);
  pMath->SetTranslation(&mat, &vMoon);
  ProjectVertex0(&q, m_pSphere, &mat);

  if (m_bEarthDifraction)
  {
    const SDifraction earth = ComputeDifraction(s, v, e, p);
    m_fEarthDifIntensity = earth.fIntensity;
    m_fEarthDifAngle = earth.fAngle;
    m_fSunIntensity = earth.fSunLeft;
  }
  if (m_bMoonDifraction)
  {
    const SDifraction moon = ComputeDifraction(s, v, m, q);
    float fIntensity = moon.fIntensity;
    if (fIntensity > m_fSunIntensity)
      fIntensity = m_fSunIntensity;
    if (fIntensity < 0.0f)
      fIntensity = 0.0f;
    m_fMoonDifIntensity = fIntensity;
    m_fMoonDifAngle = moon.fAngle;
    if (moon.fGap < 0.0f && moon.fSunLeft < m_fSunIntensity)
      m_fSunIntensity = moon.fSunLeft;
  }
}

ZRESULT CPlanetoWorld::Update()
{
  SEngineSettings* pSet = m_pSettings;
  pSet->dFrameStep *= m_fSpeedFactor;
  const float fStep = static_cast<float>(pSet->dFrameStep);

  UpdateCamera(fStep);
  CWorldBase::Update();

  SVector3 vCamera;
  m_pMath->GetTranslation(&vCamera, &pSet->matCamera);
  const SVector3 vSun = Add(vCamera, pSet->light1.vPosition);

  if (m_pSkybox)
    m_pMath->SetTranslation(m_pSkybox->GetMatrix(), &vCamera);
  if (m_pConstellations)
    m_pConstellations->Update();

  UpdateBodies(fStep, vCamera, vSun);
  if (m_pStencilShadow && pSet->swStencilShadow.bCurrent)
    for (int i = 0; i < CStencilShadow::CASTER_COUNT; ++i)
      m_pStencilShadow->BuildShadowVolume(i);

  SVector3 vMoon;
  m_pMath->GetTranslation(&vMoon, &m_matMoon);
  SunTest(vSun, vMoon);
  return ZP_OK;
}

// ---------------------------------------------------------------------------------
// Drawing

ZRESULT CPlanetoWorld::Draw()
{
  SEngineSettings* pSet = m_pSettings;
  C3DMath* pMath = m_pMath;
  SVector3 vCamera;
  pMath->GetTranslation(&vCamera, &pSet->matCamera);
  pSet->swFog.bCurrent = 0;

  if (m_pSkybox)
    m_pSkybox->Draw(ALL_PARTS);
  if (m_pConstellations)
    m_pConstellations->Draw();
  if (m_pSunMasking)
    m_pSunMasking->Draw();
  if (m_pSunSimple)
  {
    m_pSunSimple->SetIntensity(static_cast<uint8_t>(IntensityByte(m_fSunIntensity)));
    m_pSunSimple->Draw();
  }

  if (m_pSphere)
  {
    // Earth: day and night in one pass without specular and blending, then the day
    // texture alone with the configured switches.
    m_pSphere->SetTextureAll(m_pTexEarthDay, ALL_PARTS, 0);
    m_pSphere->SetTextureAll(m_pTexEarthNight, ALL_PARTS, 1);
    *m_pSphere->GetMatrix() = m_matEarth;
    pSet->swSpecular.bCurrent = 0;
    pSet->swAlpha.bCurrent = 0;
    m_pSphere->Draw(ALL_PARTS);
    pSet->swSpecular.Restore();
    pSet->swAlpha.Restore();

    m_pSphere->SetTextureAll(nullptr, ALL_PARTS, 1);
    m_pSphere->Draw(ALL_PARTS);

    m_pSphere->SetTextureAll(m_pTexClouds, ALL_PARTS, 0);
    m_pSphere->SetTextureAll(nullptr, ALL_PARTS, 1);
    *m_pSphere->GetMatrix() = m_matClouds;
    m_pSphere->Draw(ALL_PARTS);
  }

  if (m_bAtmosphere && m_pAtmosphere)
  {
    pSet->swSpecular.bCurrent = 0;
    m_pAtmosphere->SetTextureAll(m_pTexAtmosphere, ALL_PARTS, 0);
    m_pAtmosphere->Draw(ALL_PARTS);
    pSet->swSpecular.Restore();
  }
  // The Moon's shadow on the Earth, before the Moon is drawn.
  const bool bShadows = m_pStencilShadow && pSet->swStencilShadow.bCurrent;
  if (bShadows)
  {
    m_pStencilShadow->DrawShadowVolume(3);
    m_pStencilShadow->DrawShadowVolume(2);
  }

  if (m_bEarthDifraction && m_pDifraction)
  {
    m_pDifraction->SetColorFactor(IntensityByte(m_fEarthDifIntensity));
    if (m_bSunVisible)
    {
      SMatrix* pQuad = m_pDifraction->GetMatrix();
      pMath->Identity(pQuad);
      pMath->LookAt(pQuad, &vCamera);
      pMath->Scale(pQuad, m_fEarthDifRatio);
      pMath->RotateZ(pQuad, m_fEarthDifAngle);
      pMath->RotateZ(pQuad, -m_fRollCurrent);
      m_pDifraction->SetTextureAll(m_pTexEarthDifraction, ALL_PARTS, 0);
      m_pDifraction->Draw(ALL_PARTS);
    }
  }

  if (m_pSphere)
  {
    pSet->swSpecular.bCurrent = 0;
    m_pSphere->SetTextureAll(m_pTexMoon, ALL_PARTS, 0);
    m_pSphere->SetTextureAll(nullptr, ALL_PARTS, 1);
    *m_pSphere->GetMatrix() = m_matMoon;
    m_pSphere->Draw(ALL_PARTS);
    pSet->swSpecular.Restore();
  }
  // The Earth's shadow on the Moon.
  if (bShadows)
  {
    m_pStencilShadow->DrawShadowVolume(1);
    m_pStencilShadow->DrawShadowVolume(0);
  }

  if (m_bMoonDifraction && m_pDifraction)
  {
    m_pDifraction->SetColorFactor(IntensityByte(m_fMoonDifIntensity));
    if (m_bSunVisible)
    {
      SVector3 vMoon;
      pMath->GetTranslation(&vMoon, &m_matMoon);
      SMatrix* pQuad = m_pDifraction->GetMatrix();
      pMath->Identity(pQuad);
      pMath->SetTranslation(pQuad, &vMoon);
      pMath->LookAt(pQuad, &vCamera);
      pMath->Scale(pQuad, m_fMoonDifRatio);
      pMath->RotateZ(pQuad, m_fMoonDifAngle);
      pMath->RotateZ(pQuad, -m_fRollCurrent);
      m_pDifraction->SetTextureAll(m_pTexMoonDifraction, ALL_PARTS, 0);
      m_pDifraction->Draw(ALL_PARTS);
    }
  }

  if (m_pSunMasking)
    m_pSunMasking->DrawFlares();
  if (m_pLensFlare)
  {
    m_pLensFlare->SetIntensity(static_cast<uint8_t>(IntensityByte(m_fSunIntensity)));
    m_pLensFlare->Draw();
  }

  CWorldBase::Draw();
  return ZP_OK;
}
