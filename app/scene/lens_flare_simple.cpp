#include "app/scene/lens_flare_simple.h"

#include "app/scene/scene_images.h"
#include "app/scene/scene_quad.h"
#include "app/scene/sun_simple.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/log.h"
#include "sdk/core/settings_store.h"
#include "sdk/core/world_base.h"

#include <cmath>
#include <cstdio>

namespace
{

constexpr double TWO_POW_32 = 4294967296.0;

const float kRatioDefaults[LENS_FLARE_COUNT] = { 1.0f, 1.0f, 0.7f, 1.0f, 1.0f, 0.7f };
const float kPositionDefaults[LENS_FLARE_COUNT] = { 1.0f, 0.85f, 0.6f, 0.4f, 0.3f, 0.15f };
const char* const kTextureDefaults[LENS_FLARE_COUNT] = { "Flare3.dds", "Flare2.dds", "Flare4.dds",
                                                         "Flare1.dds", "Flare0.dds", "Flare4.dds" };

uint8_t RandomChannel(CWorldBase* pApp, double fBase, double fRange)
{
  const double u = pApp->NextRandom() / TWO_POW_32;
  return static_cast<uint8_t>(static_cast<int>((fBase + fRange * u) * 255.0));
}

} // namespace

void ComputeFlarePlacement(C3DMath* pMath, const SEngineSettings* pSettings, SFlarePlacement* pOut)
{
  SVector3 vCamera;
  pMath->GetTranslation(&vCamera, &pSettings->matCamera);
  const SVector3& vOffset = pSettings->light1.vPosition;
  const SVector3 vSun = { vCamera.x + vOffset.x, vCamera.y + vOffset.y, vCamera.z + vOffset.z };

  SMatrix m;
  pMath->Identity(&m);
  pMath->SetTranslation(&m, &vSun);
  const SVector3 vOrigin = { 0.0f, 0.0f, 0.0f };
  pMath->Project(&pOut->vSunScreen, pSettings->wWidth, pSettings->wHeight, &m, &pSettings->matView,
                 &pSettings->matProjection, &vOrigin);

  const int cx = pSettings->wWidth >> 1;
  const int cy = pSettings->wHeight >> 1;
  pOut->fDx = static_cast<float>(cx) - pOut->vSunScreen.x;
  pOut->fDy = static_cast<float>(cy) - pOut->vSunScreen.y;
  pOut->fShift = -0.03f * (std::fabs(pOut->fDx) + std::fabs(pOut->fDy));
}

SVector3 FlareScreenPoint(const SFlarePlacement& placement, float fPosition)
{
  // Depth 0 puts every flare on the near plane, whatever the sun's depth.
  return SVector3{ placement.vSunScreen.x + 2.0f * placement.fDx * fPosition,
                   placement.vSunScreen.y + 2.0f * placement.fDy * fPosition, 0.0f };
}

SVector3 CameraViewDirection(C3DMath* pMath, const SEngineSettings* pSettings)
{
  SVector3 f;
  pMath->GetAxisZ(&f, &pSettings->matCamera);
  // The z axis as a mirroring platform stores it points behind the viewer.
  const float fSign = pMath->GetDepthSign();
  return SVector3{ fSign * f.x, fSign * f.y, fSign * f.z };
}

bool IsSunAhead(C3DMath* pMath, const SEngineSettings* pSettings)
{
  const SVector3 f = CameraViewDirection(pMath, pSettings);
  return pMath->Vec3Dot(&pSettings->light1.vPosition, &f) > 0.00001f;
}

SVector3 FlareNearPoint(C3DMath* pMath, const SEngineSettings* pSettings, const SVector3& vScreen)
{
  SVector3 c, r, u;
  pMath->GetTranslation(&c, &pSettings->matCamera);
  pMath->GetAxisX(&r, &pSettings->matCamera);
  pMath->GetAxisY(&u, &pSettings->matCamera);
  const SVector3 f = CameraViewDirection(pMath, pSettings);
  const float t = std::tan(pSettings->fFov * 0.0087266462f); // half the field, in radians
  const float nx = pSettings->wWidth ? 2.0f * vScreen.x / pSettings->wWidth - 1.0f : 0.0f;
  const float ny = pSettings->wHeight ? 1.0f - 2.0f * vScreen.y / pSettings->wHeight : 0.0f;
  const float kx = nx * t * pSettings->fAspect, ky = ny * t, n = pSettings->fNear;
  return SVector3{ c.x + n * (f.x + kx * r.x + ky * u.x), c.y + n * (f.y + kx * r.y + ky * u.y),
                   c.z + n * (f.z + kx * r.z + ky * u.z) };
}

CLensFlareSimple::CLensFlareSimple(SEngineSettings* pSettings, uint32_t dwRenderFlags, const char* pszClass)
    : CSceneElement(pSettings), m_dwRenderFlags(dwRenderFlags),
      m_pszClass(pszClass), m_aFlares{}, m_adwColors{}
{
}

CLensFlareSimple::~CLensFlareSimple() {}

ZRESULT CLensFlareSimple::Load()
{
  CWorldBase* pApp = App();
  if (!pApp)
    return ZP_FAIL;
  for (SLensFlare& flare : m_aFlares)
  {
    flare.pObject = pApp->CreateObject(SCENE_OBJECT_KIND, m_dwRenderFlags);
    if (!flare.pObject)
      return ZP_FAIL;
  }

  CSettingsStore* pStore = m_pSettings->pAppliStore;
  auto getFloat = [pStore](const char* pszKey, float fDefault)
  { return pStore ? pStore->GetFloat("LENS_FLARE", pszKey, fDefault) : fDefault; };
  auto getByte = [pStore](const char* pszKey, uint8_t byDefault)
  { return pStore ? pStore->GetByte("LENS_FLARE", pszKey, byDefault) : byDefault; };

  char szKey[64];
  const float fRadius = getFloat("LENS_FLARE_RADIUS_REF", 0.5f);
  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
  {
    std::snprintf(szKey, sizeof(szKey), "LENS_FLARE_RATIO_%02d", i + 1);
    m_aFlares[i].fSize = getFloat(szKey, kRatioDefaults[i]) * fRadius;
  }
  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
  {
    std::snprintf(szKey, sizeof(szKey), "LENS_FLARE_POS_%02d", i + 1);
    m_aFlares[i].fPosition = getFloat(szKey, kPositionDefaults[i]);
  }
  const uint8_t a = getByte("LENS_FLARE_COLOR_A", 255);
  const uint8_t r = getByte("LENS_FLARE_COLOR_R", 129);
  const uint8_t g = getByte("LENS_FLARE_COLOR_G", 129);
  const uint8_t b = getByte("LENS_FLARE_COLOR_B", 112);
  const bool bRandom = pStore ? pStore->GetBool("LENS_FLARE", "LENS_FLARE_RANDOM_COLOR", false) : false;

  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
  {
    uint32_t dwColor;
    if (bRandom)
    {
      const uint8_t red = RandomChannel(pApp, 0.65, 0.35);
      const uint8_t green = RandomChannel(pApp, 0.39, 0.41);
      const uint8_t blue = RandomChannel(pApp, 0.19, 0.61);
      dwColor = PackColor(0xFF, red, green, blue);
    }
    else
    {
      dwColor = PackColor(a, r, g, b);
    }
    m_adwColors[i] = dwColor;
    const float fSize = m_aFlares[i].fSize;
    if (ZP_FAILED(BuildSceneQuad(m_aFlares[i].pObject, fSize, fSize, dwColor)))
      return ZP_FAIL;
  }

  for (int i = 0; i < LENS_FLARE_COUNT; ++i)
  {
    std::snprintf(szKey, sizeof(szKey), "LENS_FLARE_TEXTURE_%02d", i + 1);
    const SEmbeddedFile* pImage = ReadImageName(m_pSettings, "LENS_FLARE", szKey, kTextureDefaults[i]);
    if (!pImage)
      continue;
    if (ZP_FAILED(m_aFlares[i].pObject->SetTextureFromMemory(1, 3, pImage->data, pImage->size, ALL_PARTS, 0,
                                                             m_pSettings->szName)))
    {
      LogMessage(m_pSettings->szLogPath, 1, "# %s::LoadTextureFromFile failed! (\"%s\")\n", m_pszClass,
                 m_pSettings->szName);
      return ZP_FAIL;
    }
  }
  return ZP_OK;
}

ZRESULT CLensFlareSimple::Unload()
{
  CWorldBase* pApp = App();
  for (SLensFlare& flare : m_aFlares)
  {
    if (pApp)
      pApp->DestroyObject(flare.pObject);
    flare.pObject = nullptr;
  }
  return ZP_OK;
}

void CLensFlareSimple::Place()
{
  C3DMath* pMath = m_pSettings->pMath;
  SFlarePlacement placement;
  ComputeFlarePlacement(pMath, m_pSettings, &placement);

  SVector3 vCamera;
  pMath->GetTranslation(&vCamera, &m_pSettings->matCamera);
  for (SLensFlare& flare : m_aFlares)
  {
    if (!flare.pObject)
      continue;
    // The screen point goes back through the camera's own projection onto the near plane.
    // Unprojecting it through the bare camera matrix put it behind the viewer, where a
    // clipping platform shows nothing and the edge rasterizer a mirrored scatter.
    const SVector3 f = FlareNearPoint(pMath, m_pSettings, FlareScreenPoint(placement, flare.fPosition));
    SMatrix* pMatrix = flare.pObject->GetMatrix();
    pMath->SetTranslation(pMatrix, &f);
    pMath->LookAt(pMatrix, &vCamera);
    pMath->TranslateZ(pMatrix, placement.fShift);
    // Turned over left to right, the quad shows the camera its front while its normal
    // still points away from the camera, towards the sun ahead: the sun lights the
    // flare from behind, through the lens, both on a platform that lights a face by
    // the normal on the viewer's side and on one that takes the normal as it is.
    SVector3 vAcross;
    pMath->GetAxisX(&vAcross, pMatrix);
    vAcross = SVector3{ -vAcross.x, -vAcross.y, -vAcross.z };
    pMath->SetAxisX(pMatrix, &vAcross);
  }
}

void CLensFlareSimple::Draw()
{
  // A lens cannot flare from a light behind it; placed there, the flares would still
  // be strung across the screen along the sun's mirrored point.
  if (!IsSunAhead(m_pSettings->pMath, m_pSettings))
    return;
  Place();
  for (SLensFlare& flare : m_aFlares)
    if (flare.pObject)
      flare.pObject->Draw(ALL_PARTS);
}

void CLensFlareSimple::SetIntensity(uint8_t byIntensity)
{
  for (SLensFlare& flare : m_aFlares)
    if (flare.pObject)
      flare.pObject->SetColorFactor(byIntensity);
}
