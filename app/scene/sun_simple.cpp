#include "app/scene/sun_simple.h"

#include "app/scene/scene_images.h"
#include "app/scene/scene_quad.h"
#include "sdk/core/3d_math.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/log.h"
#include "sdk/core/settings_store.h"
#include "sdk/core/texture.h"
#include "sdk/core/world_base.h"

#include <cmath>
#include <cstring>

namespace
{

constexpr float TWO_PI = 6.2831855f;
constexpr double TWO_POW_32 = 4294967296.0;

} // namespace

CSunSimple::CSunSimple(SEngineSettings* pSettings)
    : CSunSimple(pSettings, SSunStyle{ SUN_DISC_RENDER_FLAGS, SUN_GLOW_RENDER_FLAGS, SUN_GLOW_RENDER_FLAGS,
                                       "SUN_MAIN_TEXTURE_1", "Sun6.tga", "SUN_MAIN_TEXTURE_2", "Sun7.tga",
                                       "CSunSimple" })
{
}

CSunSimple::CSunSimple(SEngineSettings* pSettings, const SSunStyle& style)
    : CSceneElement(pSettings), m_style(style), m_pDiscTexture1(nullptr), m_pDiscTexture2(nullptr),
      m_pDisc(nullptr), m_pHalo(nullptr), m_pRay(nullptr), m_fHaloHalfDiagonal(0.0f),
      m_fDiscHalfDiagonal(0.0f), m_fDiscSpeed(0.0f), m_fDiscAngle(0.0f), m_fRaySpeed(0.0f), m_fRayAngle(0.0f)
{
}

CSunSimple::~CSunSimple() {}

ZRESULT CSunSimple::LoadDiscTexture(CTexture** ppTexture, const char* pszKey, const char* pszDefault)
{
  *ppTexture = App()->CreateTexture(1, 3);
  if (!*ppTexture)
    return ZP_FAIL;
  const SEmbeddedFile* pImage = ReadImageName(m_pSettings, "SUN", pszKey, pszDefault);
  if (pImage && ZP_FAILED((*ppTexture)->LoadFromMemory(pImage->data, pImage->size, 0, m_pSettings->szName)))
  {
    LogMessage(m_pSettings->szLogPath, 1, "# CPlanetoWorld::LoadTextureFromFile failed! (\"%s\")\n",
               m_pSettings->szName);
    return ZP_FAIL;
  }
  return ZP_OK;
}

ZRESULT CSunSimple::BuildGlow(C3DObject* pObject, float fHalfSize, const char* pszColorKey,
                              const char* pszTextureKey, const char* pszTextureDefault)
{
  CSettingsStore* pStore = m_pSettings->pAppliStore;
  char szKey[64];
  const char* apszSuffix[4] = { "_A", "_R", "_G", "_B" };
  const uint8_t abyDefault[4] = { 255, 255, 150, 20 };
  uint8_t aby[4];
  for (int i = 0; i < 4; ++i)
  {
    std::strcpy(szKey, pszColorKey);
    std::strcat(szKey, apszSuffix[i]);
    aby[i] = pStore ? pStore->GetByte("SUN", szKey, abyDefault[i]) : abyDefault[i];
  }
  const uint32_t dwColor = PackColor(aby[0], aby[1], aby[2], aby[3]);
  if (ZP_FAILED(BuildSceneQuad(pObject, fHalfSize, fHalfSize, dwColor)))
    return ZP_FAIL;

  const SEmbeddedFile* pImage = ReadImageName(m_pSettings, "SUN", pszTextureKey, pszTextureDefault);
  if (pImage && ZP_FAILED(pObject->SetTextureFromMemory(1, 3, pImage->data, pImage->size, ALL_PARTS, 0,
                                                        m_pSettings->szName)))
  {
    LogMessage(m_pSettings->szLogPath, 1, "# %s::LoadTextureFromFile failed! (\"%s\")\n", m_style.pszClass,
               m_pSettings->szName);
    return ZP_FAIL;
  }
  return ZP_OK;
}

ZRESULT CSunSimple::Load()
{
  CWorldBase* pApp = App();
  if (!pApp)
    return ZP_FAIL;
  m_pDisc = pApp->CreateObject(SCENE_OBJECT_KIND, m_style.dwDiscFlags);
  if (!m_pDisc)
    return ZP_FAIL;
  m_pHalo = pApp->CreateObject(SCENE_OBJECT_KIND, m_style.dwHaloFlags);
  if (!m_pHalo)
    return ZP_FAIL;
  m_pRay = pApp->CreateObject(SCENE_OBJECT_KIND, m_style.dwRayFlags);
  if (!m_pRay)
    return ZP_FAIL;

  CSettingsStore* pStore = m_pSettings->pAppliStore;
  auto getFloat = [pStore](const char* pszKey, float fDefault)
  { return pStore ? pStore->GetFloat("SUN", pszKey, fDefault) : fDefault; };
  const float fLength = getFloat("SUN_MAIN_LENGTH", 2000.0f);
  const float fHaloRatio = getFloat("SUN_HALO_RATIO", 1.5f);
  const float fRayRatio = getFloat("SUN_RAY_RATIO", 1.5f);
  m_fDiscSpeed = getFloat("SUN_ROTATION_SPEED", 0.0005f);
  m_fRaySpeed = m_fDiscSpeed;
  const uint32_t r1 = pApp->NextRandom();
  const uint32_t r2 = pApp->NextRandom();
  m_fDiscAngle = static_cast<float>(1.0 + r1 * 99.0 / TWO_POW_32);
  m_fRayAngle = static_cast<float>(1.0 + r2 * 99.0 / TWO_POW_32);
  const float fLengthRatio = getFloat("SUN_MAIN_LENGTH_RATIO", 1.25f);

  const float h = 0.9f * fLength;
  if (ZP_FAILED(BuildSceneQuad(m_pDisc, h, fLengthRatio * h, 0xFFFFFFFF)))
    return ZP_FAIL;

  if (ZP_FAILED(LoadDiscTexture(&m_pDiscTexture1, m_style.pszDiscKey1, m_style.pszDiscDefault1)))
    return ZP_FAIL;
  if (ZP_FAILED(LoadDiscTexture(&m_pDiscTexture2, m_style.pszDiscKey2, m_style.pszDiscDefault2)))
    return ZP_FAIL;

  const float fHalo = fHaloRatio * fLength;
  if (ZP_FAILED(BuildGlow(m_pHalo, fHalo, "SUN_HALO_COLOR", "SUN_HALO_TEXTURE", "Flare0.dds")))
    return ZP_FAIL;
  const float fRay = fRayRatio * fLength;
  if (ZP_FAILED(BuildGlow(m_pRay, fRay, "SUN_RAY_COLOR", "SUN_RAY_TEXTURE", "Sun5.tga")))
    return ZP_FAIL;

  m_fHaloHalfDiagonal = std::sqrt(2.0f * fHalo * fHalo);
  m_fDiscHalfDiagonal = std::sqrt(2.0f * h * h);
  return ZP_OK;
}

ZRESULT CSunSimple::Unload()
{
  CWorldBase* pApp = App();
  if (pApp)
  {
    pApp->DestroyObject(m_pDisc);
    pApp->DestroyObject(m_pHalo);
    pApp->DestroyObject(m_pRay);
    pApp->DestroyTexture(m_pDiscTexture1);
    pApp->DestroyTexture(m_pDiscTexture2);
  }
  m_pDisc = m_pHalo = m_pRay = nullptr;
  m_pDiscTexture1 = m_pDiscTexture2 = nullptr;
  return ZP_OK;
}

void CSunSimple::Update()
{
  C3DMath* pMath = m_pSettings->pMath;
  SVector3 vCamera;
  pMath->GetTranslation(&vCamera, &m_pSettings->matCamera);
  const SVector3& vOffset = m_pSettings->light1.vPosition;
  const SVector3 vSun = { vCamera.x + vOffset.x, vCamera.y + vOffset.y, vCamera.z + vOffset.z };
  C3DObject* apObjects[3] = { m_pDisc, m_pHalo, m_pRay };
  for (C3DObject* pObject : apObjects)
  {
    if (!pObject)
      continue;
    pMath->SetTranslation(pObject->GetMatrix(), &vSun);
    pMath->LookAt(pObject->GetMatrix(), &vCamera);
  }
}

void CSunSimple::Draw()
{
  if (!m_pDisc || !m_pHalo || !m_pRay)
    return;
  C3DMath* pMath = m_pSettings->pMath;
  const double dt = m_pSettings->dFrameStep;

  m_pHalo->Draw(ALL_PARTS);

  m_fRayAngle = static_cast<float>(m_fRayAngle + dt * m_fRaySpeed * 7.3);
  pMath->RotateZ(m_pRay->GetMatrix(), -m_fRayAngle);
  m_pRay->Draw(ALL_PARTS);

  m_fDiscAngle = static_cast<float>(m_fDiscAngle + dt * m_fDiscSpeed * 5.1);
  pMath->RotateZ(m_pRay->GetMatrix(), m_fDiscAngle);
  m_pRay->Draw(ALL_PARTS);

  m_fDiscAngle = static_cast<float>(m_fDiscAngle + dt * m_fDiscSpeed * 0.25);
  m_pDisc->SetTextureAll(m_pDiscTexture1, ALL_PARTS, 0);
  pMath->RotateZ(m_pDisc->GetMatrix(), m_fDiscAngle);
  m_pDisc->Draw(ALL_PARTS);

  m_fDiscAngle = static_cast<float>(m_fDiscAngle + dt * m_fDiscSpeed * 0.3);
  m_pDisc->SetTextureAll(m_pDiscTexture2, ALL_PARTS, 0);
  pMath->RotateZ(m_pDisc->GetMatrix(), m_fDiscAngle);
  m_pDisc->Draw(ALL_PARTS);

  m_fDiscAngle = WrapAngle(m_fDiscAngle);
}

float CSunSimple::WrapAngle(float fAngle)
{
  // A non-finite angle would never leave the loops.
  if (!std::isfinite(fAngle))
    return 0.0f;
  // A huge speed factor makes huge angles: past a few turns the subtraction is slow, and
  // once 2 pi falls below the float's spacing it changes nothing, so reduce in one step.
  if (std::fabs(fAngle) > 64.0f * TWO_PI)
    fAngle = std::fmod(fAngle, TWO_PI);
  while (fAngle > TWO_PI)
    fAngle -= TWO_PI;
  while (fAngle < -TWO_PI)
    fAngle += TWO_PI;
  return fAngle;
}

void CSunSimple::SetIntensity(uint8_t byIntensity)
{
  if (m_pHalo)
    m_pHalo->SetColorFactor(byIntensity);
  if (m_pRay)
    m_pRay->SetColorFactor(byIntensity);
}
