#include "app/scene/earth_now.h"

#include <cmath>

namespace
{

struct SVec
{
  double x, y, z;
};

SVec Vec(const double* p) { return SVec{ p[0], p[1], p[2] }; }
SVec Vec(const SVector3& v) { return SVec{ v.x, v.y, v.z }; }
double Dot(const SVec& a, const SVec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
SVec Scaled(const SVec& a, double k) { return SVec{ a.x * k, a.y * k, a.z * k }; }
SVec Minus(const SVec& a, const SVec& b) { return SVec{ a.x - b.x, a.y - b.y, a.z - b.z }; }
SVec Cross(const SVec& a, const SVec& b)
{
  return SVec{ a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}
SVec Unit(const SVec& a)
{
  const double n = std::sqrt(Dot(a, a));
  return n > 0.0 ? Scaled(a, 1.0 / n) : a;
}
// The part of a at right angles to the unit vector u, made unit; fallback when a lies
// along u.
SVec Across(const SVec& a, const SVec& u, const SVec& fallback)
{
  const SVec v = Minus(a, Scaled(u, Dot(a, u)));
  return Dot(v, v) > 1e-12 ? Unit(v) : Unit(Minus(fallback, Scaled(u, Dot(fallback, u))));
}

SVec Apply(const SMat3& a, const SVec& v)
{
  return SVec{ a.m[0][0] * v.x + a.m[0][1] * v.y + a.m[0][2] * v.z,
               a.m[1][0] * v.x + a.m[1][1] * v.y + a.m[1][2] * v.z,
               a.m[2][0] * v.x + a.m[2][1] * v.y + a.m[2][2] * v.z };
}
SVec ApplyTransposed(const double a[3][3], const SVec& v)
{
  return SVec{ a[0][0] * v.x + a[1][0] * v.y + a[2][0] * v.z, a[0][1] * v.x + a[1][1] * v.y + a[2][1] * v.z,
               a[0][2] * v.x + a[1][2] * v.y + a[2][2] * v.z };
}

// The map whose columns are three images.
SMat3 Columns(const SVec& a, const SVec& b, const SVec& c)
{
  return SMat3{ { { a.x, b.x, c.x }, { a.y, b.y, c.y }, { a.z, b.z, c.z } } };
}

// The map taking the basis (c0, c1, c2) onto (e0, e1, e2): the sum of e_i c_i^T.
SMat3 Onto(const SVec e[3], const SVec c[3])
{
  SMat3 r{};
  for (int i = 0; i < 3; ++i)
  {
    const double ei[3] = { e[i].x, e[i].y, e[i].z }, ci[3] = { c[i].x, c[i].y, c[i].z };
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b)
        r.m[a][b] += ei[a] * ci[b];
  }
  return r;
}

// The terrestrial (or selenographic) direction of a point of the mesh's frame: the
// inverse of MeshFromTerrestrial.
SVec TerrestrialFromMesh(const SVec& m) { return SVec{ m.x, m.z, m.y }; }

// A scene map from the mesh's frame through a map of terrestrial directions.
SMat3 SceneFromMesh(const SMat3& sceneFromTerrestrial)
{
  const SVec axes[3] = { { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 } };
  SVec images[3];
  for (int i = 0; i < 3; ++i)
    images[i] = Apply(sceneFromTerrestrial, TerrestrialFromMesh(axes[i]));
  return Columns(images[0], images[1], images[2]);
}

SMat3 Product(const SMat3& a, const SMat3& b)
{
  SMat3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k)
        r.m[i][j] += a.m[i][k] * b.m[k][j];
  return r;
}

SVector3 ToVector3(const SVec& v)
{
  return SVector3{ static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z) };
}

// The J2000 ecliptic's pole in the celestial frame: the Moon's axis, near enough.
constexpr double OBLIQUITY_J2000 = 23.4392911 * 3.14159265358979323846 / 180.0;

} // namespace

void MeshFromTerrestrial(const double avTerrestrial[3], double avMesh[3])
{
  // The sphere's texture runs from longitude -180 at u = 0 (the mesh's -x) eastwards
  // through -90 at -z, and north is its +y pole.  The scene's space is left-handed, so
  // this map is a reflection; the scene's map of the celestial frame is one too, and
  // the Earth's matrix, their product, stays a rotation.
  avMesh[0] = avTerrestrial[0];
  avMesh[1] = avTerrestrial[2];
  avMesh[2] = avTerrestrial[1];
}

void ObjectMatrix(C3DMath* pMath, const SMat3& sceneFromMesh, double dScale, const SVector3& vTranslation,
                  SMatrix* pOut)
{
  // Rows are the images of the mesh's axes; the platform's depth sign mirrors every z
  // of them, as the math library's own operations do.
  const float s = pMath->GetDepthSign();
  const float sign[3] = { 1.0f, 1.0f, s };
  for (int i = 0; i < 3; ++i)
  {
    for (int j = 0; j < 3; ++j)
      pOut->m[i][j] = static_cast<float>(sceneFromMesh.m[j][i] * dScale) * sign[i] * sign[j];
    pOut->m[i][3] = 0.0f;
  }
  pOut->m[3][0] = vTranslation.x;
  pOut->m[3][1] = vTranslation.y;
  pOut->m[3][2] = s * vTranslation.z;
  pOut->m[3][3] = 1.0f;
}

void CEarthNow::Start()
{
  double d1 = m_options.dUtc1, d2 = m_options.dUtc2;
  if (m_options.bNow)
    CSkyClock::NowUtc(&d1, &d2);
  m_clock.Start(d1, d2, m_options.dRate);
}

int CEarthNow::Update(double dRealSeconds, const SVector3& vSunOffset)
{
  m_clock.Advance(dRealSeconds);
  const int iStatus = m_ephemeris.Compute(m_clock.GetUtc1(), m_clock.GetUtc2(), &m_sky);
  if (iStatus < 0)
    return iStatus;

  // The celestial frame by the Sun and the Earth's pole; the scene's by the sun offset
  // and its up axis.  The one rotation takes the first onto the second.
  const SVec sun = Vec(m_sky.avSun);
  const SVec pole = ApplyTransposed(m_sky.adCelestialToTerrestrial, SVec{ 0, 0, 1 });
  SVec c[3];
  c[0] = Unit(sun);
  c[1] = Across(pole, c[0], SVec{ 1, 0, 0 });
  c[2] = Cross(c[0], c[1]);
  SVec e[3];
  e[0] = Unit(Vec(vSunOffset));
  e[1] = Across(SVec{ 0, 1, 0 }, e[0], SVec{ 0, 0, 1 });
  // The scene is left-handed: the celestial frame's third axis goes the other way.
  e[2] = Scaled(Cross(e[0], e[1]), -1.0);
  m_celestialToScene = Onto(e, c);
  return iStatus;
}

void CEarthNow::EarthMatrix(C3DMath* pMath, float fScale, SMatrix* pOut) const
{
  // scene <- celestial <- terrestrial: the transpose of the celestial-to-terrestrial map.
  SMat3 celestialFromTerrestrial;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      celestialFromTerrestrial.m[i][j] = m_sky.adCelestialToTerrestrial[j][i];
  const SMat3 scene = SceneFromMesh(Product(m_celestialToScene, celestialFromTerrestrial));
  ObjectMatrix(pMath, scene, fScale, SVector3{ 0.0f, 0.0f, 0.0f }, pOut);
}

SVector3 CEarthNow::MoonCentre(float fUnitsPerEarthRadius) const
{
  return ToVector3(
      Scaled(Apply(m_celestialToScene, Vec(m_sky.avMoon)), fUnitsPerEarthRadius / EARTH_RADIUS_KM));
}

void CEarthNow::MoonMatrix(C3DMath* pMath, float fUnitsPerEarthRadius, float fSphereRadius,
                           SMatrix* pOut) const
{
  // The Moon keeps its near side (selenographic longitude 0) to the Earth, its north
  // towards the ecliptic's pole; the librations are left out.
  const SVec toEarth = Unit(Scaled(Vec(m_sky.avMoon), -1.0));
  const SVec eclipticPole = { 0.0, -std::sin(OBLIQUITY_J2000), std::cos(OBLIQUITY_J2000) };
  const SVec north = Across(eclipticPole, toEarth, SVec{ 0, 0, 1 });
  const SMat3 celestialFromSeleno = Columns(toEarth, Cross(north, toEarth), north);
  const SMat3 scene = SceneFromMesh(Product(m_celestialToScene, celestialFromSeleno));
  const double dScale = MOON_RADIUS_KM / EARTH_RADIUS_KM * fUnitsPerEarthRadius / fSphereRadius;
  ObjectMatrix(pMath, scene, dScale, MoonCentre(fUnitsPerEarthRadius), pOut);
}

void CEarthNow::StarsMatrix(C3DMath* pMath, const SVector3& vCentre, SMatrix* pOut) const
{
  // The catalogue puts a star of celestial direction (x, y, z) at (-y, z, x): north up,
  // right ascension 0 ahead.  Back to celestial, then into the scene.
  const SMat3 celestialFromCatalogue = Columns(SVec{ 0, -1, 0 }, SVec{ 0, 0, 1 }, SVec{ 1, 0, 0 });
  ObjectMatrix(pMath, Product(m_celestialToScene, celestialFromCatalogue), 1.0, vCentre, pOut);
}

void CEarthNow::ViewCamera(C3DMath* pMath, const SMatrix& earth, float fUnitsPerEarthRadius,
                           float fDefaultDistance, float fRoll, SMatrix* pCamera) const
{
  double terrestrial[3], mesh[3];
  const SGeographic place = { m_options.dViewLatitude, m_options.dViewLongitude };
  TerrestrialDirection(place, terrestrial);
  MeshFromTerrestrial(terrestrial, mesh);
  const double northTerrestrial[3] = { 0.0, 0.0, 1.0 };
  double northMesh[3];
  MeshFromTerrestrial(northTerrestrial, northMesh);

  // Directions through the Earth's matrix, its centre taken off.
  SVector3 vCentre, vAt, vNorth;
  const SVector3 vZero = { 0.0f, 0.0f, 0.0f };
  const SVector3 vPlace = { static_cast<float>(mesh[0]), static_cast<float>(mesh[1]),
                            static_cast<float>(mesh[2]) };
  const SVector3 vPole = { static_cast<float>(northMesh[0]), static_cast<float>(northMesh[1]),
                           static_cast<float>(northMesh[2]) };
  pMath->TransformPoint(&vCentre, &vZero, &earth);
  pMath->TransformPoint(&vAt, &vPlace, &earth);
  pMath->TransformPoint(&vNorth, &vPole, &earth);
  const SVec centre = Vec(vCentre);
  const SVec up = Unit(Minus(Vec(vAt), centre));
  const SVec north = Minus(Vec(vNorth), centre);

  const double dDistance =
      m_options.dViewDistance > 0.0 ? m_options.dViewDistance * fUnitsPerEarthRadius : fDefaultDistance;
  const SVec position = { centre.x + up.x * dDistance, centre.y + up.y * dDistance,
                          centre.z + up.z * dDistance };
  // Facing the centre, north up; straight over a pole the Greenwich meridian is up.
  const SVec forward = Scaled(up, -1.0);
  double greenwich[3], greenwichMesh[3];
  TerrestrialDirection(SGeographic{ 0.0, 0.0 }, greenwich);
  MeshFromTerrestrial(greenwich, greenwichMesh);
  SVector3 vGreenwich;
  const SVector3 vG = { static_cast<float>(greenwichMesh[0]), static_cast<float>(greenwichMesh[1]),
                        static_cast<float>(greenwichMesh[2]) };
  pMath->TransformPoint(&vGreenwich, &vG, &earth);
  const SVec screenUp = Across(north, forward, Minus(Vec(vGreenwich), centre));
  // The axes as LookAt makes them.
  ObjectMatrix(pMath, Columns(Cross(screenUp, forward), screenUp, forward), 1.0, ToVector3(position),
               pCamera);
  pMath->RotateZ(pCamera, fRoll);
}
