#pragma once

// The Earth, its clouds and the Moon: where each stands and how it turns, and the
// matrices the halos, the sun masking and the shadows take from them (turned to the
// camera, turned to the sun).

#include "sdk/core/3d_math.h"

class C3DMath;
struct SPlanetoSettings;

class CPlanetoBodies
{
public:
  // The Earth and the clouds tilted and at the given turns about their axis; the
  // Moon's orbit from its phases.
  void Load(const SPlanetoSettings& settings, C3DMath* pMath, float fEarthTurn, float fCloudsTurn);
  void SetMoonPhases(float fTiltPhase, float fOrbitAngle);

  // A frame's motion: the Earth and the clouds turn, the Moon goes on along its orbit;
  // then the Earth's and the Moon's camera-facing matrices face the camera.
  void Turn(float fStep, C3DMath* pMath);
  void FaceCamera(C3DMath* pMath, const SVector3& vCamera);
  // The bodies where the real-time mode puts them, in place of their own motion: the
  // Earth and the clouds turned alike, the Moon at its true place and size.
  void Place(const SMatrix& earth, const SMatrix& clouds, const SMatrix& moon, float fMoonRatio);
  // The sun-facing matrices of the shadow casters, set behind each planet's outermost
  // shell so that a planet's own night side is not darkened again.
  void FaceSun(C3DMath* pMath, const SVector3& vSun, float fSphereRadius);

  SVector3 GetEarthCentre(C3DMath* pMath) const;
  SVector3 GetMoonCentre(C3DMath* pMath) const;

  float GetEarthRatio() const { return m_fEarthRatio; }
  float GetEarthSpeed() const { return m_fEarthSpeed; }
  float GetCloudsRatio() const { return m_fCloudsRatio; }
  float GetCloudsSpeed() const { return m_fCloudsSpeed; }
  float GetMoonRatio() const { return m_fMoonRatio; }
  float GetMoonDistance() const { return m_fMoonDistance; }
  float GetMoonSpeed() const { return m_fMoonSpeed; }
  float GetMoonTiltPhase() const { return m_fMoonTiltPhase; }
  float GetMoonOrbitAngle() const { return m_fMoonOrbitAngle; }
  const SMatrix& GetEarthMatrix() const { return m_matEarth; }
  const SMatrix& GetCloudsMatrix() const { return m_matClouds; }
  const SMatrix& GetMoonMatrix() const { return m_matMoon; }
  const SMatrix& GetEarthFacingMatrix() const { return m_matEarthFacing; }
  const SMatrix& GetMoonFacingMatrix() const { return m_matMoonFacing; }
  const SMatrix& GetEarthSunMatrix() const { return m_matEarthSun; }
  const SMatrix& GetEarthSunSmallMatrix() const { return m_matEarthSunSmall; }
  const SMatrix& GetMoonSunMatrix() const { return m_matMoonSun; }
  const SMatrix& GetMoonSunSmallMatrix() const { return m_matMoonSunSmall; }
  // The matrices the sun masking and the shadows hold on to.
  SMatrix* EarthFacing() { return &m_matEarthFacing; }
  SMatrix* MoonFacing() { return &m_matMoonFacing; }
  SMatrix* EarthSun() { return &m_matEarthSun; }
  SMatrix* EarthSunSmall() { return &m_matEarthSunSmall; }
  SMatrix* MoonSun() { return &m_matMoonSun; }
  SMatrix* MoonSunSmall() { return &m_matMoonSunSmall; }

private:
  // Earth
  SMatrix m_matEarth{};
  SMatrix m_matEarthFacing{};
  SMatrix m_matEarthSun{};
  SMatrix m_matEarthSunSmall{};
  float m_fEarthRatio = 0.0f;
  float m_fEarthSpeed = 0.0f;
  float m_fOuterRatio = 0.0f; // of the Earth's outermost shell: clouds or atmosphere
  // Clouds
  SMatrix m_matClouds{};
  float m_fCloudsRatio = 0.0f;
  float m_fCloudsSpeed = 0.0f;
  // Moon
  SMatrix m_matMoon{};
  SMatrix m_matMoonFacing{};
  SMatrix m_matMoonSun{};
  SMatrix m_matMoonSunSmall{};
  float m_fMoonRatio = 0.0f;
  float m_fMoonDistance = 0.0f;
  float m_fMoonSpeed = 0.0f;
  float m_fMoonTiltPhase = 0.0f;
  float m_fMoonOrbitAngle = 0.0f;
};
