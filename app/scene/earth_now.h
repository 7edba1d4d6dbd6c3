#pragma once

// The Earth as it is at an instant: the clock, the ephemeris, and the one rotation that
// takes the celestial frame onto the scene's so that the true Sun lands on the scene's
// sun offset (light 1).  Everything real is placed through that rotation: the Earth
// turned by its true rotation, the Moon at its place, distance and size, the stars.
// The fixed viewpoint (--view) lives here too; it works with or without the clock.

#include "app/scene/sky_clock.h"
#include "app/scene/sky_ephemeris.h"
#include "sdk/core/3d_math.h"

class C3DMath;

struct SEarthNowOptions
{
  bool bRealTime = false; // the scene follows the clock
  bool bNow = false;      // the clock starts at the system's time
  double dUtc1 = 0.0;     // else at this UTC instant
  double dUtc2 = 0.0;
  double dRate = 1.0; // simulated seconds per real second
  bool bView = false; // the camera holds above a place
  double dViewLatitude = 0.0;
  double dViewLongitude = 0.0;
  double dViewDistance = 0.0; // Earth radii from the centre; 0: the scene's own
  bool bClock = false;        // the date and time on the frame
};

// A 3 x 3 map of column vectors (p' = A p) in double precision.
struct SMat3
{
  double m[3][3];
};

class CEarthNow
{
public:
  void Configure(const SEarthNowOptions& options) { m_options = options; }
  const SEarthNowOptions& Options() const { return m_options; }
  bool IsRealTime() const { return m_options.bRealTime; }
  bool HasView() const { return m_options.bView; }

  // Sets the clock going (at the system's time for "now").
  void Start();
  // Moves the clock on by the frame's real seconds and finds where everything is, the
  // Sun turned onto the direction of the sun offset.  Answers the ephemeris' status
  // (1: the leap seconds of the year are not known).
  int Update(double dRealSeconds, const SVector3& vSunOffset);

  // The rotation from the celestial frame to the scene's.
  const SMat3& CelestialToScene() const { return m_celestialToScene; }
  const SSkyState& Sky() const { return m_sky; }
  const CSkyClock& Clock() const { return m_clock; }

  // Object matrices in the engine's layout for the platform's depth sign: the Earth's
  // sphere mesh turned by the true rotation (fScale its ratio), the Moon's at its place
  // (fUnitsPerEarthRadius: the scene's units in one Earth radius) with its near side
  // to the Earth, and the turn that puts the catalogue's stars in the celestial frame.
  void EarthMatrix(C3DMath* pMath, float fScale, SMatrix* pOut) const;
  void MoonMatrix(C3DMath* pMath, float fUnitsPerEarthRadius, float fSphereRadius, SMatrix* pOut) const;
  void StarsMatrix(C3DMath* pMath, const SVector3& vCentre, SMatrix* pOut) const;
  // The Moon's centre in scene units.
  SVector3 MoonCentre(float fUnitsPerEarthRadius) const;

  // The camera above the place of --view, looking at the Earth's centre with the
  // Earth's north up, rolled by fRoll; the Earth's matrix gives how it is turned.
  // fDefaultDistance (scene units) when the option gave none.
  void ViewCamera(C3DMath* pMath, const SMatrix& earth, float fUnitsPerEarthRadius, float fDefaultDistance,
                  float fRoll, SMatrix* pCamera) const;

private:
  SEarthNowOptions m_options;
  CSkyClock m_clock;
  CSkyEphemeris m_ephemeris;
  SSkyState m_sky{};
  SMat3 m_celestialToScene{};
};

// The mesh of the shared sphere as the textures lie on it: the terrestrial (or
// selenographic) direction of a point of the mesh's own frame.
void MeshFromTerrestrial(const double avTerrestrial[3], double avMesh[3]);
// A scene map and a scale as an object matrix of the engine (rows the images of the
// mesh's axes), the translation given, for the platform's depth sign.
void ObjectMatrix(C3DMath* pMath, const SMat3& sceneFromMesh, double dScale, const SVector3& vTranslation,
                  SMatrix* pOut);
