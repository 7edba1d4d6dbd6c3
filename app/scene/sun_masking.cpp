#include "app/scene/sun_masking.h"

#include "app/scene/lens_flare_masking.h"
#include "sdk/core/3d_engine.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/settings_store.h"
#include "sdk/core/world_base.h"

#include <cmath>

CSunMasking::CSunMasking(SEngineSettings* pSettings)
    : CSunSimple(pSettings, SSunStyle{ SUN_MASKING_DISC_RENDER_FLAGS, SUN_MASKING_HALO_RENDER_FLAGS,
                                       SUN_MASKING_RAY_RENDER_FLAGS, "SUN_MASKING_MAIN_TEXTURE_1", "Sun2.tga",
                                       "SUN_MASKING_MAIN_TEXTURE_2", "Sun3.tga", "CSunMasking" }),
      m_pMaskTexture(nullptr), m_pLensFlare(new CLensFlareMasking(pSettings)), m_bOverlay(0), m_bFlares(0),
      m_bVisible(0), m_fViewRatio(1.0f), m_aOccluders{}
{
}

CSunMasking::~CSunMasking()
{
  delete m_pLensFlare;
  m_pLensFlare = nullptr;
}

CSunOcclusionService* CSunMasking::Service() const
{
  CWorldBase* pApp = App();
  C3DEngine* pDevice = pApp ? pApp->GetDevice() : nullptr;
  return pDevice ? pDevice->GetSunOcclusionService() : nullptr;
}

void CSunMasking::SetOccluder(int i, C3DObject* pObject, SMatrix* pMatrix)
{
  if (i >= 0 && i < OCCLUDER_COUNT)
    m_aOccluders[i] = SOccluder{ pObject, pMatrix };
}

ZRESULT CSunMasking::Load()
{
  CSunOcclusionService* pService = Service();
  if (!pService)
    return ZP_FAIL;
  m_bVisible = 0;
  CSettingsStore* pStore = m_pSettings->pAppliStore;
  auto getBool = [pStore](const char* pszSection, const char* pszKey, bool bDefault)
  { return pStore ? pStore->GetBool(pszSection, pszKey, bDefault) : bDefault; };
  m_bOverlay = getBool("SUN", "INTENSITY_ENABLE", false) ? 1 : 0;
  m_bFlares = getBool("LENS_FLARE", "LENS_FLARE_ENABLE", true) &&
                      getBool("LENS_FLARE", "LENS_FLARE_MASKING_ENABLE", true)
                  ? 1
                  : 0;
  m_fViewRatio = pStore ? pStore->GetFloat("SUN", "INTENSITY_VIEWPORT_RATIO", 1.0f) : 1.0f;

  // The quads and their images as the simple sun's, with the masking sun's discs.
  if (ZP_FAILED(CSunSimple::Load()))
    return ZP_FAIL;
  if (ZP_FAILED(LoadDiscTexture(&m_pMaskTexture, "SUN_MASKING_MAIN_TEXTURE_MASK", "Sun4.tga")))
    return ZP_FAIL;

  if (ZP_FAILED(m_pLensFlare->Load()))
    return ZP_FAIL;
  m_pLensFlare->SetModulation(pService);
  // Full visibility until the first measurement.
  return ZP_FAILED(pService->Reset()) ? ZP_FAIL : ZP_OK;
}

ZRESULT CSunMasking::Unload()
{
  CWorldBase* pApp = App();
  if (pApp)
    pApp->DestroyTexture(m_pMaskTexture);
  m_pMaskTexture = nullptr;
  if (m_pLensFlare)
  {
    m_pLensFlare->Unload();
    m_pLensFlare->SetModulation(nullptr);
  }
  m_bVisible = 0;
  return CSunSimple::Unload();
}

bool CSunMasking::OcclusionPass()
{
  CSunOcclusionService* pService = Service();
  C3DMath* pMath = m_pSettings->pMath;
  if (!pService || !pMath || !m_pDisc)
    return false;
  const SMatrix& matCamera = m_pSettings->matCamera;
  if (!IsSunAhead(pMath, m_pSettings))
    return false;
  SVector3 c;
  pMath->GetTranslation(&c, &matCamera);
  const SVector3& vOffset = m_pSettings->light1.vPosition;
  const SVector3 s = { c.x + vOffset.x, c.y + vOffset.y, c.z + vOffset.z };

  SMatrix matView = matCamera;
  pMath->LookAt(&matView, &s);
  pMath->InvertInPlace(&matView);
  const float d = pMath->Vec3Length(&vOffset);
  const float fFov = std::atan2(m_fDiscHalfDiagonal / d, 1.0f) * m_fViewRatio;
  return pService->Measure(&matView, fFov, 0.0f, 1.3f * d, m_pDisc, m_pMaskTexture, m_aOccluders,
                           OCCLUDER_COUNT);
}

void CSunMasking::Draw()
{
  CSunOcclusionService* pService = Service();
  m_bVisible = OcclusionPass() ? 1 : 0;
  if (!m_bVisible || !m_pHalo || !m_pRay)
    return;
  if (m_bOverlay)
    pService->DrawOverlays();

  C3DMath* pMath = m_pSettings->pMath;
  const double dt = m_pSettings->dFrameStep;
  const SAdditiveDraw glow = { 5, true, true, false };
  m_fRayAngle = static_cast<float>(m_fRayAngle + dt * m_fRaySpeed * 7.3);
  pMath->RotateZ(m_pRay->GetMatrix(), -m_fRayAngle);
  pService->DrawAdditive(m_pRay, glow);
  m_fDiscAngle = static_cast<float>(m_fDiscAngle + dt * m_fDiscSpeed * 5.1);
  pMath->RotateZ(m_pRay->GetMatrix(), m_fDiscAngle);
  pService->DrawAdditive(m_pRay, glow);

  pService->DrawAdditive(m_pHalo, SAdditiveDraw{ 5, false, true, false });

  // The disc itself is never faded: the planets drawn after it cover it.
  const SAdditiveDraw disc = { 5, true, false, false };
  m_fDiscAngle = static_cast<float>(m_fDiscAngle + dt * m_fDiscSpeed * 0.25);
  m_pDisc->SetTextureAll(m_pDiscTexture1, ALL_PARTS, 0);
  pMath->RotateZ(m_pDisc->GetMatrix(), m_fDiscAngle);
  pService->DrawAdditive(m_pDisc, disc);
  m_fDiscAngle = static_cast<float>(m_fDiscAngle + dt * m_fDiscSpeed * 0.3);
  m_pDisc->SetTextureAll(m_pDiscTexture2, ALL_PARTS, 0);
  pMath->RotateZ(m_pDisc->GetMatrix(), m_fDiscAngle);
  pService->DrawAdditive(m_pDisc, disc);
  m_fDiscAngle = WrapAngle(m_fDiscAngle);
}

void CSunMasking::DrawFlares()
{
  if (m_bFlares && m_bVisible && m_pLensFlare)
    m_pLensFlare->Draw();
}
