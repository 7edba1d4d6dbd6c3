#pragma once

// How much of the Sun the Earth and the Moon hide on screen, measured each frame from
// six projected points: the Sun's centre and rim, each planet's centre and rim.  It
// gives the sun intensity that dims the sun and its flares, and the strength and the
// angle of each planet's difraction glow.

#include "sdk/core/3d_math.h"

class C3DMath;
class C3DObject;
struct SEngineSettings;

// The difraction glow of one planet and what it leaves of the sun, from the projected
// sun centre S, sun rim V, planet centre E and planet rim P.
struct SDifraction
{
  float fGap;       // |S - E| - |E - P| - |S - V|: negative once the discs overlap
  float fIntensity; // 0 apart, 1 with the sun centre on the rim, 0 again fully covered
  float fAngle;     // direction from the planet to the sun on screen
  float fSunLeft;   // gap / (2 rS) + 1 when the discs overlap, else 1
};
SDifraction ComputeDifraction(const SVector3& s, const SVector3& v, const SVector3& e, const SVector3& p);

class CSunTest
{
public:
  // Screen positions of the last test.
  enum EScreenPoint
  {
    SP_SUN,
    SP_SUN_RIM,
    SP_EARTH,
    SP_EARTH_RIM,
    SP_MOON,
    SP_MOON_RIM,
    SP_COUNT
  };

  // What the test is measured on.
  struct SBodies
  {
    SVector3 vSun;           // where the Sun stands
    SVector3 vMoon;          // the Moon's centre
    C3DObject* pSunDisc;     // the sun element's disc: its vertex 0 lies on the rim
    C3DObject* pSphere;      // the shared sphere: its vertex 0 lies on a planet's rim
    float fAtmosphereRatio;  // the Earth's rim is the atmosphere's
    float fMoonRatio;
    bool bEarthDifraction;   // only the enabled glows are measured
    bool bMoonDifraction;
  };

  // One test.  With the Sun out of view nothing is projected, the glows are off and
  // the sun intensity keeps its last value.
  void Run(C3DMath* pMath, const SEngineSettings* pSettings, const SBodies& bodies);

  bool IsSunVisible() const { return m_bSunVisible != 0; }
  const SVector3& GetScreenPoint(int i) const { return m_avScreen[i]; }
  float GetSunIntensity() const { return m_fSunIntensity; }
  float GetEarthDifractionIntensity() const { return m_fEarthDifIntensity; }
  float GetEarthDifractionAngle() const { return m_fEarthDifAngle; }
  float GetMoonDifractionIntensity() const { return m_fMoonDifIntensity; }
  float GetMoonDifractionAngle() const { return m_fMoonDifAngle; }

private:
  uint8_t m_bSunVisible = 0;
  SVector3 m_avScreen[SP_COUNT] = {};
  float m_fEarthDifIntensity = 1.0f;
  float m_fEarthDifAngle = 0.0f;
  float m_fMoonDifIntensity = 1.0f;
  float m_fMoonDifAngle = 0.0f;
  float m_fSunIntensity = 1.0f;
};
