#include "app/scene/planeto_world.h"

#include "app/scene/constellations.h"
#include "app/scene/lens_flare_simple.h"
#include "app/scene/scene_images.h"
#include "app/scene/scene_quad.h"
#include "app/scene/stencil_shadow.h"
#include "app/scene/sun_masking.h"
#include "app/scene/sun_simple.h"
#include "app/scene/text_overlay.h"
#include "app/scene/user_maps.h"
#include "data/embedded.h"
#include "sdk/core/3d_engine.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/font.h"
#include "sdk/core/ini_settings.h"
#include "sdk/core/log.h"
#include "sdk/core/shape_builder.h"
#include "sdk/core/texture.h"
#include "sdk/os/clock.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace zos;

namespace
{

// Random angles: r x 2 pi / 2^32 and r x pi / 2^32.
constexpr double RANDOM_TURN = 1.4629181e-9;
constexpr double RANDOM_HALF_TURN = 7.3145906e-10;

constexpr uint32_t OBJECT_KIND = 0xC03;

// The Moon's greatest distance (at apogee), in Earth radii: the Earth's shadow reaches
// past it.
constexpr float MOON_APOGEE_EARTH_RADII = 63.8f;
// How often the clouds file is looked at (the maps thread), in milliseconds.
constexpr uint32_t CLOUDS_POLL_MS = 10000;
// How much of a clouds map read again goes to the device each frame: a few
// milliseconds of copying; an 8192 x 4096 map is in within two seconds.
constexpr uint32_t CLOUDS_BYTES_PER_FRAME = 4u << 20;

float Clamp01(float f)
{
  if (!(f > 0.0f)) // NaN too
    return 0.0f;
  return f > 1.0f ? 1.0f : f;
}

uint32_t IntensityByte(float f) { return static_cast<uint32_t>(Clamp01(f) * 255.0f); }

SVector3 Add(const SVector3& a, const SVector3& b) { return SVector3{ a.x + b.x, a.y + b.y, a.z + b.z }; }

} // namespace

ESunChoice ChooseSunElement(bool bMaskingEnabled, bool bOcclusionService)
{
  return bMaskingEnabled && bOcclusionService ? SUN_CHOICE_MASKING : SUN_CHOICE_SIMPLE;
}

bool WantsStencilShadow(bool bEngineSwitch, bool bEarthShadow, bool bMoonShadow)
{
  return bEngineSwitch && bEarthShadow && bMoonShadow;
}

CPlanetoWorld::CPlanetoWorld()
    : m_pMaps(nullptr), m_pClock(nullptr), m_pFont(nullptr), m_pSphere(nullptr), m_pAtmosphere(nullptr),
      m_pDifraction(nullptr), m_pOccluder(nullptr), m_pSkybox(nullptr), m_pConstellations(nullptr),
      m_pSunMasking(nullptr), m_pStencilShadow(nullptr), m_pSunSimple(nullptr), m_pLensFlare(nullptr),
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
  delete m_pClock;
  m_pClock = nullptr;
  delete m_pFrameRate;
  m_pFrameRate = nullptr;
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
  ReadSceneString(pSet, "PATH", "DATA_PATH", "", pSet->szDataPath, sizeof(pSet->szDataPath));
  m_scene = ReadPlanetoSettings(pSet->pAppliStore);
  // The true Sun lights the Earth and the Moon alike from its direction.
  if (m_earthNow.IsRealTime())
    pSet->light1.iType = 0;

  if (ZP_FAILED(LoadFont()))
    return ZP_FAIL;

  // Earth and clouds: tilted, at a random turn about their axis; then the Moon's
  // phases and the camera's turns, in this order.
  const float fEarthTurn = static_cast<float>(NextRandom() * RANDOM_TURN);
  const float fCloudsTurn = static_cast<float>(NextRandom() * RANDOM_TURN);
  m_bodies.Load(m_scene, m_pMath, fEarthTurn, fCloudsTurn);
  const float fMoonTilt = static_cast<float>(NextRandom() * RANDOM_HALF_TURN);
  const float fMoonOrbit = static_cast<float>(NextRandom() * RANDOM_HALF_TURN);
  m_bodies.SetMoonPhases(fMoonTilt, fMoonOrbit);
  const float fCameraYaw = static_cast<float>(NextRandom() * RANDOM_HALF_TURN);
  const float fCameraWobble = static_cast<float>(NextRandom() * RANDOM_HALF_TURN);
  m_camera.Load(m_scene, fCameraYaw, fCameraWobble);

  if (ZP_FAILED(m_textures.Load(this)) || ZP_FAILED(LoadUserMaps()))
    return ZP_FAIL;
  if (ZP_FAILED(LoadObjects()))
    return ZP_FAIL;
  if (m_pSkybox && ZP_FAILED(LoadSkybox()))
    return ZP_FAIL;
  if (ZP_FAILED(LoadElements()))
    return ZP_FAIL;

  if (m_earthNow.IsRealTime())
  {
    m_earthNow.Start();
    PlaceRealBodies(0.0);
    if (m_earthNow.Options().bClock)
      m_pClock = LoadOverlay();
  }
  if (m_bFrameRateLine && CTextOverlay::DrawsQuads(pSet))
    m_pFrameRate = LoadOverlay();
  FitFarPlane();
  return ZP_OK;
}

CTextOverlay* CPlanetoWorld::LoadOverlay()
{
  // Without its font the line is left out; the scene goes on.
  CTextOverlay* pOverlay = new CTextOverlay(m_pSettings);
  if (!ZP_FAILED(pOverlay->Load()))
    return pOverlay;
  LogMessage(m_pSettings->szLogPath, 1, "# CTextOverlay::Load failed! (\"%s\")\n", "font.png");
  pOverlay->Unload();
  delete pOverlay;
  return nullptr;
}

ZRESULT CPlanetoWorld::LoadUserMaps()
{
  if (!m_pMaps)
    return ZP_OK;
  static const struct
  {
    int iMap;
    CTextureTable::ETexture eTexture;
  } kMaps[] = { { USER_MAP_DAY, CTextureTable::EARTH_DAY },
                { USER_MAP_NIGHT, CTextureTable::EARTH_NIGHT },
                { USER_MAP_CLOUDS, CTextureTable::CLOUDS } };
  const uint32_t dwMaxSide = GetDevice() ? GetDevice()->GetMaxTextureSide() : 0;
  for (const auto& m : kMaps)
  {
    const SImage* pImage = m_pMaps->Get(m.iMap);
    if (!pImage)
      continue;
    SImage image = *pImage;
    m_pMaps->Forget(m.iMap);
    const std::string& strPath = m_pMaps->GetPath(m.iMap);
    const uint32_t dwWidth = image.width, dwHeight = image.height;
    if (FitImage(&image, dwMaxSide))
      LogMessage(m_pSettings->szLogPath, 1, "%s",
                 ScaledMapMessage(strPath, dwWidth, dwHeight, image).c_str());
    if (ZP_FAILED(m_textures.LoadImage(this, m.eTexture, image, strPath.c_str())))
    {
      LogMessage(m_pSettings->szLogPath, 1, "# CPlanetoWorld::LoadTextureFromFile failed! (\"%s\")\n",
                 strPath.c_str());
      return ZP_FAIL;
    }
  }
  m_pMaps->StartWatch(CLOUDS_POLL_MS, dwMaxSide);
  return ZP_OK;
}

void CPlanetoWorld::PickUpFreshClouds()
{
  std::vector<SImage> levels;
  bool bScaled = false;
  if (m_pMaps && m_pMaps->TakeFreshClouds(&levels, &bScaled) && !levels.empty())
  {
    const std::string& strPath = m_pMaps->GetPath(USER_MAP_CLOUDS);
    const unsigned uWidth = levels.front().width, uHeight = levels.front().height;
    const bool bBegun =
        !ZP_FAILED(m_textures.BeginImage(this, CTextureTable::CLOUDS, &levels, strPath.c_str()));
    LogMessage(m_pSettings->szLogPath, 1,
               bBegun ? "# Clouds read again from \"%s\" (%ux%u%s).\n"
                      : "# Clouds from \"%s\" (%ux%u%s) could not be loaded.\n",
               strPath.c_str(), uWidth, uHeight, bScaled ? ", scaled down" : "");
  }
  // The old clouds stay on until the new ones are all in.
  m_textures.StepImage(this, CLOUDS_BYTES_PER_FRAME);
}

void CPlanetoWorld::FitFarPlane()
{
  if (!m_earthNow.IsRealTime() && !m_earthNow.HasView())
    return;
  // The far plane reaches past the true Moon seen from the farthest viewpoint; the sky
  // box travels with the camera and, drawn first without depth, stays behind it all.
  const float fUnits = UnitsPerEarthRadius();
  const double dView = m_earthNow.Options().dViewDistance;
  const float fCamera = dView > 0.0 ? static_cast<float>(dView) * fUnits : std::fabs(m_camera.GetDistance());
  const float fMoon = m_earthNow.IsRealTime() ? MOON_APOGEE_EARTH_RADII * fUnits : 0.0f;
  const float fNeed = 1.2f * (fCamera + fMoon);
  SEngineSettings* pSet = m_pSettings;
  if (fNeed <= pSet->fFar)
    return;
  LogMessage(pSet->szLogPath, 1, "# Far plane moved from %.0f to %.0f for the Moon and the viewpoint.\n",
             pSet->fFar, fNeed);
  pSet->fFar = fNeed;
  Resize(pSet->wWidth, pSet->wHeight);
}

void CPlanetoWorld::PlaceRealBodies(double dRealSeconds)
{
  SEngineSettings* pSet = m_pSettings;
  const int iStatus = m_earthNow.Update(dRealSeconds, pSet->light1.vPosition);
  if (iStatus != 0 && m_iSkyStatus != iStatus)
    LogMessage(pSet->szLogPath, 1,
               iStatus > 0
                   ? "# The leap seconds of this year are not known: the clock may be off by a second.\n"
                   : "# The clock's date is out of reach of the time scales.\n");
  m_iSkyStatus = iStatus;
  const float fUnits = UnitsPerEarthRadius();
  SMatrix earth, clouds, moon;
  m_earthNow.EarthMatrix(m_pMath, m_scene.fEarthRatio, &earth);
  // A real cloud map belongs to the ground under it: the clouds turn with the Earth.
  m_earthNow.EarthMatrix(m_pMath, m_scene.fCloudsRatio, &clouds);
  m_earthNow.MoonMatrix(m_pMath, fUnits, m_scene.fSphereRadius, &moon);
  m_bodies.Place(earth, clouds, moon,
                 static_cast<float>(MOON_RADIUS_KM / EARTH_RADIUS_KM) * m_scene.fEarthRatio);
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

ZRESULT CPlanetoWorld::LoadObjects()
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
  if (m_scene.bSkybox)
  {
    m_pSkybox = CreateObject(OBJECT_KIND, WORLD_SKYBOX_RENDER_FLAGS);
    if (!m_pSkybox)
      return ZP_FAIL;
  }

  SShapeSphere sphere;
  sphere.fRadius = m_scene.fSphereRadius;
  sphere.dwSegments = static_cast<uint32_t>(m_scene.iSphereSegments);
  sphere.dwDiffuse = 0xFFFFFFFF;
  sphere.dwSpecular = 0xFFFFFFFF;
  if (ZP_FAILED(m_pSphere->BuildShape(SHAPE_SPHERE, &sphere)))
    return ZP_FAIL;

  SShapeDisc disc;
  disc.fWidth = 2.0f * m_scene.fSphereRadius;
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
  shell.fRadius = m_scene.fSphereRadius;
  shell.dwSegments = static_cast<uint32_t>(m_scene.iSphereSegments);
  shell.dwDiffuse = m_scene.dwAtmosphereColor;
  shell.dwSpecular = 0;
  if (ZP_FAILED(m_pAtmosphere->BuildShape(SHAPE_HALF_SPHERE, &shell)))
    return ZP_FAIL;

  const float r = m_scene.fSphereRadius;
  if (ZP_FAILED(BuildSceneQuad(m_pDifraction, r, r, m_scene.dwDifractionColor)))
    return ZP_FAIL;
  return ZP_OK;
}

ZRESULT CPlanetoWorld::LoadSkybox()
{
  SShapeBox box;
  box.fHalfX = box.fHalfY = box.fHalfZ = m_scene.fSkyboxLength;
  box.dwVariant = 2;
  box.dwDiffuse = 0xFFFFFFFF;
  box.dwSpecular = 0;
  box.fT0 = m_scene.fSkyboxCutX * m_scene.fSkyboxRepeat;
  box.fT1 = m_scene.fSkyboxCutY * m_scene.fSkyboxRepeat;
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

ZRESULT CPlanetoWorld::LoadElements()
{
  SEngineSettings* pSet = m_pSettings;
  if (m_scene.bConstellations)
  {
    m_pConstellations = new CConstellations(pSet);
    if (ZP_FAILED(m_pConstellations->Load()))
      return ZP_FAIL;
  }

  // Features follow what the device offers: the masking sun needs the occlusion
  // measure, the shadows the stencil volumes.  Without them the log says which element
  // could not be made and the simple sun and no shadows take their place.
  C3DEngine* pDevice = GetDevice();
  const bool bMasking = m_scene.bSunMasking;
  const bool bOcclusion = pDevice && pDevice->GetSunOcclusionService();
  if (ChooseSunElement(bMasking, bOcclusion) == SUN_CHOICE_MASKING)
  {
    m_pSunMasking = new CSunMasking(pSet);
    m_pSunMasking->SetOccluder(0, m_pOccluder, m_bodies.EarthFacing());
    m_pSunMasking->SetOccluder(1, m_pOccluder, m_bodies.MoonFacing());
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

  if (m_scene.bLensFlare && !m_scene.bLensFlareMasking)
  {
    m_pLensFlare = new CLensFlareSimple(pSet);
    if (ZP_FAILED(m_pLensFlare->Load()))
      return ZP_FAIL;
  }

  if (WantsStencilShadow(pSet->swStencilShadow.bConfigured != 0, m_scene.bEarthShadow, m_scene.bMoonShadow))
  {
    if (!pDevice || !pDevice->GetShadowVolumeService())
    {
      LogMessage(pSet->szLogPath, 1, "# CStencilShadow::Load failed! (\"%s\")\n", pSet->descPlatform.szName);
      return ZP_OK;
    }
    // The Earth's volumes reach just past the Moon's orbit; the Moon's stop inside the
    // Earth, so that their far caps are hidden.
    const float fMoonDistance = m_bodies.GetMoonDistance();
    const float fEarthMin = m_earthNow.IsRealTime() ? -1.1f * MOON_APOGEE_EARTH_RADII * UnitsPerEarthRadius()
                                                    : -1.1f * m_bodies.GetMoonRatio() * fMoonDistance;
    const float fMoonMin = -0.002f * fMoonDistance;
    m_pStencilShadow = new CStencilShadow(pSet);
    m_pStencilShadow->SetCaster(0, m_pOccluder, m_bodies.EarthSun(), 1.0f, fEarthMin);
    m_pStencilShadow->SetCaster(1, m_pOccluder, m_bodies.EarthSunSmall(), 1.0f, fEarthMin);
    m_pStencilShadow->SetCaster(2, m_pOccluder, m_bodies.MoonSun(), fMoonDistance, fMoonMin);
    m_pStencilShadow->SetCaster(3, m_pOccluder, m_bodies.MoonSunSmall(), fMoonDistance, fMoonMin);
    if (ZP_FAILED(m_pStencilShadow->Load()))
      return ZP_FAIL;
  }
  return ZP_OK;
}

// ---------------------------------------------------------------------------------
// Unload

ZRESULT CPlanetoWorld::Unload()
{
  // Everything made is released, whatever fails on the way; the first failure is the
  // answer.
  ZRESULT rFirst = ZP_OK;
  auto keep = [&rFirst](ZRESULT r)
  {
    if (ZP_FAILED(r) && !ZP_FAILED(rFirst))
      rFirst = r;
  };
  for (C3DObject** ppObject : { &m_pSphere, &m_pAtmosphere, &m_pDifraction, &m_pOccluder, &m_pSkybox })
  {
    if (*ppObject)
      keep(DestroyObject(*ppObject));
    *ppObject = nullptr;
  }
  if (m_pMaps)
    m_pMaps->StopWatch();
  keep(m_textures.Release(this));

  CSceneElement* apElements[7] = { m_pConstellations, m_pSunMasking,    m_pSunSimple, m_pLensFlare,
                                   m_pStencilShadow,  m_pClock,         m_pFrameRate };
  for (CSceneElement* pElement : apElements)
    if (pElement)
      keep(pElement->Unload());

  if (m_pFont)
  {
    m_pFont->Unload();
    delete m_pFont;
    m_pFont = nullptr;
  }

  keep(CWorldBase::Unload());
  return rFirst;
}

// ---------------------------------------------------------------------------------
// Input

ZRESULT CPlanetoWorld::HandleMessage(const SMessage* pMsg)
{
  if (!pMsg)
    return ZP_OK;
  CWorldBase::HandleMessage(pMsg);
  const uint16_t wWidth = m_pSettings ? m_pSettings->wWidth : 0;
  const uint16_t wHeight = m_pSettings ? m_pSettings->wHeight : 0;
  return m_camera.HandleMessage(pMsg, m_bScreenSaver != 0, wWidth, wHeight);
}

// ---------------------------------------------------------------------------------
// Frame update

void CPlanetoWorld::UpdateBodies(float fStep, const SVector3& vCamera, const SVector3& vSun)
{
  C3DMath* pMath = m_pMath;
  m_bodies.FaceCamera(pMath, vCamera);
  m_pSettings->light2.vPosition = m_bodies.GetMoonCentre(pMath);

  if (m_pSunMasking)
    m_pSunMasking->Update();
  if (m_pSunSimple)
    m_pSunSimple->Update();
  if (m_pLensFlare)
    m_pLensFlare->Update();

  // The casters face the sun's direction from where they stand.  The true Moon lies
  // beyond the sun's drawn place (camera + sun offset), so the real-time mode faces
  // them to a point far beyond both.
  const SVector3& vOffset = m_pSettings->light1.vPosition;
  const SVector3 vFar = { vCamera.x + 100.0f * vOffset.x, vCamera.y + 100.0f * vOffset.y,
                          vCamera.z + 100.0f * vOffset.z };
  m_bodies.FaceSun(pMath, m_earthNow.IsRealTime() ? vFar : vSun, m_scene.fSphereRadius);

  if (m_pAtmosphere)
  {
    SMatrix* pShell = m_pAtmosphere->GetMatrix();
    pMath->Identity(pShell);
    pMath->LookAt(pShell, &vCamera);
    pMath->Scale(pShell, m_scene.fAtmosphereRatio);
  }
}

ZRESULT CPlanetoWorld::Update()
{
  SEngineSettings* pSet = m_pSettings;
  // The clock runs on the frame's own time; the speed factor paces the camera.
  const double dRealSeconds = pSet->dFrameStep / 30.0;
  pSet->dFrameStep *= m_camera.GetSpeedFactor();
  const float fStep = static_cast<float>(pSet->dFrameStep);

  PickUpFreshClouds();
  if (m_earthNow.IsRealTime())
  {
    PlaceRealBodies(dRealSeconds);
  }
  else
  {
    m_bodies.Turn(fStep, m_pMath);
  }
  m_camera.Update(fStep, m_pMath, &pSet->matCamera, pSet->light1.vPosition);
  if (m_earthNow.HasView())
    m_earthNow.ViewCamera(m_pMath, m_bodies.GetEarthMatrix(), UnitsPerEarthRadius(),
                          std::fabs(m_camera.GetDistance()), m_camera.GetRollCurrent(), &pSet->matCamera);
  CWorldBase::Update();

  SVector3 vCamera;
  m_pMath->GetTranslation(&vCamera, &pSet->matCamera);
  const SVector3 vSun = Add(vCamera, pSet->light1.vPosition);

  if (m_pSkybox)
    m_pMath->SetTranslation(m_pSkybox->GetMatrix(), &vCamera);
  if (m_pConstellations)
  {
    m_pConstellations->Update();
    if (m_earthNow.IsRealTime() && m_pConstellations->GetStarsObject())
      m_earthNow.StarsMatrix(m_pMath, vCamera, m_pConstellations->GetStarsObject()->GetMatrix());
  }

  UpdateBodies(fStep, vCamera, vSun);
  if (m_pStencilShadow && pSet->swStencilShadow.bCurrent)
    for (int i = 0; i < CStencilShadow::CASTER_COUNT; ++i)
      m_pStencilShadow->BuildShadowVolume(i);

  RunSunTest(vSun, m_bodies.GetMoonCentre(m_pMath));
  return ZP_OK;
}

void CPlanetoWorld::RunSunTest(const SVector3& vSun, const SVector3& vMoon)
{
  CSunTest::SBodies bodies;
  bodies.vSun = vSun;
  bodies.vMoon = vMoon;
  CSunSimple* pSunElement = m_pSunSimple ? m_pSunSimple : m_pSunMasking;
  bodies.pSunDisc = pSunElement ? pSunElement->GetDiscObject() : nullptr;
  bodies.pSphere = m_pSphere;
  bodies.fAtmosphereRatio = m_scene.fAtmosphereRatio;
  bodies.fMoonRatio = m_bodies.GetMoonRatio();
  bodies.bEarthDifraction = m_scene.bEarthDifraction;
  bodies.bMoonDifraction = m_scene.bMoonDifraction;
  m_sunTest.Run(m_pMath, m_pSettings, bodies);
}

// ---------------------------------------------------------------------------------
// Drawing

void CPlanetoWorld::DrawDifraction(const SVector3& vAt, const SVector3& vCamera, float fRatio, float fAngle,
                                   CTexture* pTexture)
{
  C3DMath* pMath = m_pMath;
  SMatrix* pQuad = m_pDifraction->GetMatrix();
  pMath->Identity(pQuad);
  pMath->SetTranslation(pQuad, &vAt);
  pMath->LookAt(pQuad, &vCamera);
  pMath->Scale(pQuad, fRatio);
  pMath->RotateZ(pQuad, fAngle);
  pMath->RotateZ(pQuad, -m_camera.GetRollCurrent());
  m_pDifraction->SetTextureAll(pTexture, ALL_PARTS, 0);
  m_pDifraction->Draw(ALL_PARTS);
}

ZRESULT CPlanetoWorld::Draw()
{
  SEngineSettings* pSet = m_pSettings;
  SVector3 vCamera;
  m_pMath->GetTranslation(&vCamera, &pSet->matCamera);
  pSet->swFog.bCurrent = 0;
  const float fSunIntensity = m_sunTest.GetSunIntensity();

  if (m_pSkybox)
    m_pSkybox->Draw(ALL_PARTS);
  if (m_pConstellations)
    m_pConstellations->Draw();
  if (m_pSunMasking)
    m_pSunMasking->Draw();
  if (m_pSunSimple)
  {
    m_pSunSimple->SetIntensity(static_cast<uint8_t>(IntensityByte(fSunIntensity)));
    m_pSunSimple->Draw();
  }

  if (m_pSphere)
  {
    // Earth: day and night in one pass without specular and blending, then the day
    // texture alone with the configured switches.
    m_pSphere->SetTextureAll(m_textures.Get(CTextureTable::EARTH_DAY), ALL_PARTS, 0);
    m_pSphere->SetTextureAll(m_textures.Get(CTextureTable::EARTH_NIGHT), ALL_PARTS, 1);
    *m_pSphere->GetMatrix() = m_bodies.GetEarthMatrix();
    pSet->swSpecular.bCurrent = 0;
    pSet->swAlpha.bCurrent = 0;
    m_pSphere->Draw(ALL_PARTS);
    pSet->swSpecular.Restore();
    pSet->swAlpha.Restore();

    m_pSphere->SetTextureAll(nullptr, ALL_PARTS, 1);
    m_pSphere->Draw(ALL_PARTS);

    m_pSphere->SetTextureAll(m_textures.Get(CTextureTable::CLOUDS), ALL_PARTS, 0);
    m_pSphere->SetTextureAll(nullptr, ALL_PARTS, 1);
    *m_pSphere->GetMatrix() = m_bodies.GetCloudsMatrix();
    m_pSphere->Draw(ALL_PARTS);
  }

  if (m_scene.bAtmosphere && m_pAtmosphere)
  {
    pSet->swSpecular.bCurrent = 0;
    m_pAtmosphere->SetTextureAll(m_textures.Get(CTextureTable::ATMOSPHERE), ALL_PARTS, 0);
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

  if (m_scene.bEarthDifraction && m_pDifraction)
  {
    m_pDifraction->SetColorFactor(IntensityByte(m_sunTest.GetEarthDifractionIntensity()));
    if (m_sunTest.IsSunVisible())
      DrawDifraction(SVector3{ 0.0f, 0.0f, 0.0f }, vCamera, m_scene.fEarthDifRatio,
                     m_sunTest.GetEarthDifractionAngle(), m_textures.Get(CTextureTable::EARTH_DIFRACTION));
  }

  if (m_pSphere)
  {
    pSet->swSpecular.bCurrent = 0;
    m_pSphere->SetTextureAll(m_textures.Get(CTextureTable::MOON), ALL_PARTS, 0);
    m_pSphere->SetTextureAll(nullptr, ALL_PARTS, 1);
    *m_pSphere->GetMatrix() = m_bodies.GetMoonMatrix();
    m_pSphere->Draw(ALL_PARTS);
    pSet->swSpecular.Restore();
  }
  // The Earth's shadow on the Moon.
  if (bShadows)
  {
    m_pStencilShadow->DrawShadowVolume(1);
    m_pStencilShadow->DrawShadowVolume(0);
  }

  if (m_scene.bMoonDifraction && m_pDifraction)
  {
    m_pDifraction->SetColorFactor(IntensityByte(m_sunTest.GetMoonDifractionIntensity()));
    if (m_sunTest.IsSunVisible())
      DrawDifraction(m_bodies.GetMoonCentre(m_pMath), vCamera, m_scene.fMoonDifRatio,
                     m_sunTest.GetMoonDifractionAngle(), m_textures.Get(CTextureTable::MOON_DIFRACTION));
  }

  if (m_pSunMasking)
    m_pSunMasking->DrawFlares();
  if (m_pLensFlare)
  {
    m_pLensFlare->SetIntensity(static_cast<uint8_t>(IntensityByte(fSunIntensity)));
    m_pLensFlare->Draw();
  }
  if (m_pClock)
  {
    char szClock[32];
    m_earthNow.Clock().Format(szClock, sizeof szClock);
    m_pClock->SetText(szClock, TEXT_TOP_RIGHT);
    m_pClock->Draw();
  }
  if (m_pFrameRate)
  {
    int64_t lWall = 0, lCpu = -1;
    zos::QueryPerformanceCounter(&lWall);
    if (!zos::ProcessorTime(&lCpu))
      lCpu = -1;
    if (m_frameRateLine.Tick(lWall, lCpu))
      m_pFrameRate->SetText(m_frameRateLine.Text(), TEXT_TOP_LEFT);
    m_pFrameRate->Draw();
  }

  CWorldBase::Draw();
  return ZP_OK;
}
