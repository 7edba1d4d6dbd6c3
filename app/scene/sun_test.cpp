#include "app/scene/sun_test.h"

#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"

#include <cmath>

namespace
{

constexpr float PI = 3.1415927f;
constexpr float HALF_PI = 1.5707964f;

float Length(const SVector3& a, const SVector3& b)
{
  const float x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
  return std::sqrt(x * x + y * y + z * z);
}

// Intensity of a difraction glow for a gap between the discs and the sun's radius.
float GlowIntensity(float fGap, float fSunRadius)
{
  if (-2.0f * fSunRadius < fGap && fGap < -fSunRadius)
    return 1.0f - (-fGap - fSunRadius) / fSunRadius;
  if (-fSunRadius <= fGap && fGap < 0.0f)
    return -fGap / fSunRadius;
  return 0.0f;
}

// The screen position of an object's vertex 0 through the given matrix.
void ProjectVertex0(C3DMath* pMath, const SEngineSettings* pSet, SVector3* pOut, C3DObject* pObject,
                    const SMatrix* pMatrix)
{
  SVector3 v = { 0.0f, 0.0f, 0.0f };
  if (pObject)
  {
    pObject->LockIndices();
    pObject->GetPosition(0, &v);
    pObject->Commit();
  }
  pMath->Project(pOut, pSet->wWidth, pSet->wHeight, pMatrix, &pSet->matView, &pSet->matProjection, &v);
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

void CSunTest::Run(C3DMath* pMath, const SEngineSettings* pSet, const SBodies& b)
{
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

  project(&s, b.vSun);
  ProjectVertex0(pMath, pSet, &v, b.pSunDisc, b.pSunDisc ? b.pSunDisc->GetMatrix() : nullptr);
  project(&e, vOrigin);

  SMatrix mat = pSet->matCamera;
  pMath->Scale(&mat, b.fAtmosphereRatio);
  pMath->SetTranslation(&mat, &vOrigin);
  ProjectVertex0(pMath, pSet, &p, b.pSphere, &mat);

  project(&m, b.vMoon);
  mat = pSet->matCamera;
  pMath->Scale(&mat, b.fMoonRatio);
  pMath->SetTranslation(&mat, &b.vMoon);
  ProjectVertex0(pMath, pSet, &q, b.pSphere, &mat);

  if (b.bEarthDifraction)
  {
    const SDifraction earth = ComputeDifraction(s, v, e, p);
    m_fEarthDifIntensity = earth.fIntensity;
    m_fEarthDifAngle = earth.fAngle;
    m_fSunIntensity = earth.fSunLeft;
  }
  if (b.bMoonDifraction)
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
