#include "app/scene/sky_ephemeris.h"

#include <erfa.h>
#include <erfam.h>

#include <cmath>
#include <cstring>

namespace
{

constexpr double C2I_REFRESH_DAYS = 1.0 / 24.0;
constexpr double TT_MINUS_TAI_DAYS = 32.184 / 86400.0;

} // namespace

CSkyEphemeris::CSkyEphemeris() : m_adC2i{}, m_dC2iTt(0.0), m_bHasC2i(false) {}

int CSkyEphemeris::Compute(double dUtc1, double dUtc2, SSkyState* pOut)
{
  double dTai1 = 0.0, dTai2 = 0.0;
  const int iStatus = eraUtctai(dUtc1, dUtc2, &dTai1, &dTai2);
  if (iStatus < 0)
    return iStatus;
  const double dTt1 = dTai1, dTt2 = dTai2 + TT_MINUS_TAI_DAYS;
  const double dTt = dTt1 + dTt2;

  // The Earth's rotation: UT1 is taken as UTC (within 0.9 s, 0.004 degrees), the pole
  // as the mean one.
  if (!m_bHasC2i || std::fabs(dTt - m_dC2iTt) > C2I_REFRESH_DAYS)
  {
    eraC2i06a(dTt1, dTt2, m_adC2i);
    m_dC2iTt = dTt;
    m_bHasC2i = true;
  }
  double adPolar[3][3];
  eraIr(adPolar);
  eraC2tcio(m_adC2i, eraEra00(dUtc1, dUtc2), adPolar, pOut->adCelestialToTerrestrial);

  // The Sun as seen from the moving Earth: the geometric direction turned by the
  // aberration of the Earth's velocity.
  double adHelio[2][3], adBary[2][3];
  eraEpv00(dTt1, dTt2, adHelio, adBary);
  double avSun[3], dSunAu = 0.0, avNatural[3];
  eraSxp(-1.0, adHelio[0], avSun);
  eraPn(avSun, &dSunAu, avNatural);
  double avVelocity[3];
  eraSxp(1.0 / ERFA_DC, adBary[1], avVelocity);
  const double dInverseLorentz = std::sqrt(1.0 - eraPm(avVelocity) * eraPm(avVelocity));
  eraAb(avNatural, avVelocity, dSunAu, dInverseLorentz, pOut->avSun);
  pOut->dSunDistanceKm = dSunAu * ERFA_DAU / 1000.0;

  double adMoon[2][3];
  eraMoon98(dTt1, dTt2, adMoon);
  eraSxp(ERFA_DAU / 1000.0, adMoon[0], pOut->avMoon);
  return iStatus;
}

SGeographic PointBelow(const SSkyState& state, const double avDirection[3])
{
  double t[3];
  for (int i = 0; i < 3; ++i)
    t[i] = state.adCelestialToTerrestrial[i][0] * avDirection[0] +
           state.adCelestialToTerrestrial[i][1] * avDirection[1] +
           state.adCelestialToTerrestrial[i][2] * avDirection[2];
  SGeographic g;
  g.dLatitude = std::atan2(t[2], std::hypot(t[0], t[1])) * ERFA_DR2D;
  g.dLongitude = std::atan2(t[1], t[0]) * ERFA_DR2D;
  return g;
}

void TerrestrialDirection(const SGeographic& place, double avOut[3])
{
  const double dLat = place.dLatitude * ERFA_DD2R, dLon = place.dLongitude * ERFA_DD2R;
  avOut[0] = std::cos(dLat) * std::cos(dLon);
  avOut[1] = std::cos(dLat) * std::sin(dLon);
  avOut[2] = std::sin(dLat);
}
