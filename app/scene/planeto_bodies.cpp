#include "app/scene/planeto_bodies.h"

#include "app/scene/planeto_settings.h"

#include <algorithm>
#include <cmath>

void CPlanetoBodies::Load(const SPlanetoSettings& settings, C3DMath* pMath, float fEarthTurn,
                          float fCloudsTurn)
{
  const float fTilt = settings.fEarthTiltDegrees * 0.017453292f;
  m_fEarthRatio = settings.fEarthRatio;
  pMath->Identity(&m_matEarth);
  pMath->Scale(&m_matEarth, m_fEarthRatio);
  pMath->RotateZ(&m_matEarth, fTilt);
  pMath->RotateY(&m_matEarth, fEarthTurn);

  m_fCloudsRatio = settings.fCloudsRatio;
  pMath->Identity(&m_matClouds);
  pMath->Scale(&m_matClouds, m_fCloudsRatio);
  pMath->RotateZ(&m_matClouds, fTilt);
  pMath->RotateY(&m_matClouds, fCloudsTurn);

  m_fMoonRatio = settings.fMoonRatio;
  m_fMoonDistance = settings.fMoonDistance;
  m_fEarthSpeed = settings.fEarthSpeed;
  m_fCloudsSpeed = settings.fCloudsSpeed;
  m_fMoonSpeed = settings.fMoonSpeed;
  m_fOuterRatio = std::max(m_fEarthRatio, m_fCloudsRatio);
  if (settings.bAtmosphere)
    m_fOuterRatio = std::max(m_fOuterRatio, settings.fAtmosphereRatio);
}

void CPlanetoBodies::SetMoonPhases(float fTiltPhase, float fOrbitAngle)
{
  m_fMoonTiltPhase = fTiltPhase;
  m_fMoonOrbitAngle = fOrbitAngle;
}

SVector3 CPlanetoBodies::GetEarthCentre(C3DMath* pMath) const
{
  SVector3 v;
  pMath->GetTranslation(&v, &m_matEarth);
  return v;
}

SVector3 CPlanetoBodies::GetMoonCentre(C3DMath* pMath) const
{
  SVector3 v;
  pMath->GetTranslation(&v, &m_matMoon);
  return v;
}

void CPlanetoBodies::Place(const SMatrix& earth, const SMatrix& clouds, const SMatrix& moon, float fMoonRatio)
{
  m_matEarth = earth;
  m_matClouds = clouds;
  m_matMoon = moon;
  m_fMoonRatio = fMoonRatio;
}

void CPlanetoBodies::Turn(float fStep, C3DMath* pMath)
{
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
}

void CPlanetoBodies::FaceCamera(C3DMath* pMath, const SVector3& vCamera)
{
  const SVector3 vEarth = GetEarthCentre(pMath);
  const SVector3 vMoon = GetMoonCentre(pMath);
  pMath->Identity(&m_matEarthFacing);
  pMath->SetTranslation(&m_matEarthFacing, &vEarth);
  pMath->LookAt(&m_matEarthFacing, &vCamera);
  pMath->Scale(&m_matEarthFacing, m_fEarthRatio);
  pMath->Identity(&m_matMoonFacing);
  pMath->SetTranslation(&m_matMoonFacing, &vMoon);
  pMath->LookAt(&m_matMoonFacing, &vCamera);
  pMath->Scale(&m_matMoonFacing, m_fMoonRatio);
}

void CPlanetoBodies::FaceSun(C3DMath* pMath, const SVector3& vSun, float fSphereRadius)
{
  const SVector3 vEarth = GetEarthCentre(pMath);
  const SVector3 vMoon = GetMoonCentre(pMath);
  pMath->Identity(&m_matEarthSun);
  pMath->SetTranslation(&m_matEarthSun, &vEarth);
  pMath->LookAt(&m_matEarthSun, &vSun);
  pMath->Scale(&m_matEarthSun, m_fEarthRatio);
  // The shadow casters are discs facing the sun: set behind the planet's outermost
  // shell, their volumes begin there.
  if (m_fEarthRatio > 0.0f)
    pMath->TranslateZ(&m_matEarthSun, -fSphereRadius * m_fOuterRatio / m_fEarthRatio);
  m_matEarthSunSmall = m_matEarthSun;
  pMath->Scale(&m_matEarthSunSmall, 0.5f);
  pMath->Identity(&m_matMoonSun);
  pMath->SetTranslation(&m_matMoonSun, &vMoon);
  pMath->LookAt(&m_matMoonSun, &vSun);
  pMath->Scale(&m_matMoonSun, m_fMoonRatio);
  pMath->TranslateZ(&m_matMoonSun, -fSphereRadius);
  m_matMoonSunSmall = m_matMoonSun;
  pMath->Scale(&m_matMoonSunSmall, 0.75f);
}
