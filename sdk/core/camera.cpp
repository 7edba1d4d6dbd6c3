#include "sdk/core/camera.h"

#include "sdk/core/3d_math.h"
#include "sdk/core/engine_settings.h"

#include <cstring>

CCamera::CCamera() : m_pSettings(nullptr) {}

CCamera::~CCamera() = default;

ZRESULT CCamera::Attach(SEngineSettings* pSettings)
{
  m_pSettings = pSettings;
  return ZP_OK;
}

ZRESULT CCamera::Release() { return ZP_OK; }

ZRESULT CCamera::UpdateView()
{
  if (!m_pSettings)
    return ZP_FAIL;
  m_pSettings->matView = m_pSettings->matCamera;
  if (m_pSettings->pMath)
    m_pSettings->pMath->InvertInPlace(&m_pSettings->matView);
  return ZP_OK;
}

ZRESULT CCamera::ApplyPerspective() { return ZP_OK; }

ZRESULT CCamera::ApplyOrtho() { return ZP_OK; }

ZRESULT CCamera::ApplyGamma() { return ZP_OK; }

ZRESULT CCamera::Refresh() { return ZP_OK; }

ZRESULT CCamera::ResetModelView() { return ZP_OK; }

ZRESULT CCamera::Resize()
{
  if (!m_pSettings)
    return ZP_FAIL;
  SEngineSettings* s = m_pSettings;
  // A zero height (minimised window) would give a non-finite aspect; keep the last one.
  if (s->wHeight)
    s->fAspect = static_cast<float>(s->wWidth) / static_cast<float>(s->wHeight);
  if (s->pMath)
  {
    s->pMath->Identity(&s->matProjection);
    s->pMath->PerspectiveFovLH(&s->matProjection, s->fFov * 0.017453292522222223f, s->fAspect, s->fNear,
                               s->fFar);
  }
  return ZP_OK;
}
