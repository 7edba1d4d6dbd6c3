// The real-time mode's clock and ephemeris against values published independently:
// Meeus, Astronomical Algorithms (2nd ed.), examples 12.a, 25.b and 47.a, and the
// subsolar points at the 2024 March equinox and June solstice.

#include "app/scene/sky_clock.h"
#include "app/scene/sky_ephemeris.h"

#include <erfa.h>
#include <erfam.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{

// The instant of a calendar date and time, moved by some seconds (for the dynamical
// times of the examples, TT - UTC = 32.184 s + the leap seconds then).
CSkyClock At(const char* szUtc, double dShiftSeconds = 0.0)
{
  double d1 = 0.0, d2 = 0.0;
  EXPECT_TRUE(CSkyClock::ParseUtc(szUtc, &d1, &d2)) << szUtc;
  CSkyClock clock;
  clock.Start(d1, d2, 1.0);
  clock.Advance(dShiftSeconds);
  return clock;
}

SSkyState SkyAt(const CSkyClock& clock)
{
  CSkyEphemeris ephemeris;
  SSkyState state{};
  EXPECT_EQ(ephemeris.Compute(clock.GetUtc1(), clock.GetUtc2(), &state), 0);
  return state;
}

// Right ascension and declination (degrees) of a celestial vector on the equator of
// date: the published apparent places are referred to it.
void OfDate(double dMatrix[3][3], const double* pV, double* pRa, double* pDec)
{
  double v[3] = { pV[0], pV[1], pV[2] }, w[3];
  eraRxp(dMatrix, v, w);
  *pRa = eraAnp(std::atan2(w[1], w[0])) * ERFA_DR2D;
  *pDec = std::atan2(w[2], std::hypot(w[0], w[1])) * ERFA_DR2D;
}

double AngleDeg(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

} // namespace

TEST(SkyEphemeris, SubsolarPointsOfTheEquinoxAndTheSolstice)
{
  struct
  {
    const char* szUtc;
    double dLat, dLon;
  } const points[] = {
    { "2024-03-20T03:06:00Z", 0.0, 135.35 },
    { "2024-06-20T20:51:00Z", 23.44, -132.30 },
  };
  for (const auto& p : points)
  {
    const SSkyState state = SkyAt(At(p.szUtc));
    const SGeographic below = PointBelow(state, state.avSun);
    EXPECT_NEAR(below.dLatitude, p.dLat, 0.2) << p.szUtc;
    EXPECT_LT(AngleDeg(below.dLongitude, p.dLon), 0.2) << p.szUtc << " " << below.dLongitude;
  }
}

TEST(SkyEphemeris, GreenwichMeanSiderealTimeOfMeeus12a)
{
  // 1987 April 10, 0h UT: 13h 10m 46.3668s.  The Greenwich meridian's right ascension
  // on the mean equator and equinox of date is the mean sidereal time.
  const SSkyState state = SkyAt(At("1987-04-10T00:00:00Z"));
  double meridian[3];
  const SGeographic greenwich = { 0.0, 0.0 };
  TerrestrialDirection(greenwich, meridian);
  double m[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      m[i][j] = state.adCelestialToTerrestrial[j][i];
  double celestial[3];
  eraRxp(m, meridian, celestial);
  double precession[3][3];
  eraPmat06(2446895.5, 55.184 / 86400.0, precession);
  double dRa = 0.0, dDec = 0.0;
  OfDate(precession, celestial, &dRa, &dDec);
  const double dPublished = (13.0 + 10.0 / 60.0 + 46.3668 / 3600.0) * 15.0;
  EXPECT_LT(AngleDeg(dRa, dPublished) / 15.0 * 3600.0, 0.1) << "seconds of time";
}

TEST(SkyEphemeris, SunOfMeeus25bAndMoonOfMeeus47a)
{
  // The Sun on 1992 October 13.0 TD (TT - UTC = 59.184 s): apparent RA 198.378178, Dec
  // -7.783871, 0.99760853 au away.  The Moon on 1992 April 12, 0h TD (TT - UTC =
  // 58.184 s): apparent RA 134.688470, Dec +13.768368, 368,409.7 km from the Earth's
  // centre.  Both within an arcminute, the distances within 15 km and 30 km.
  struct
  {
    const char* szDay;
    double dShift, dTt, dRa, dDec, dKm, dKmTolerance;
    bool bSun;
  } const cases[] = {
    { "1992-10-13T00:00:00Z", -59.184, 2448908.5, 198.378178, -7.783871, 0.99760853 * ERFA_DAU / 1000.0, 15.0,
      true },
    { "1992-04-12T00:00:00Z", -58.184, 2448724.5, 134.688470, 13.768368, 368409.7, 30.0, false },
  };
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.szDay);
    const SSkyState state = SkyAt(At(c.szDay, c.dShift));
    double npb[3][3];
    eraPnm06a(c.dTt, 0.0, npb);
    double dRa = 0.0, dDec = 0.0;
    OfDate(npb, c.bSun ? state.avSun : state.avMoon, &dRa, &dDec);
    EXPECT_LT(AngleDeg(dRa, c.dRa) * std::cos(dDec * ERFA_DD2R) * 60.0, 1.0) << dRa;
    EXPECT_LT(std::fabs(dDec - c.dDec) * 60.0, 1.0) << dDec;
    const double dKm = c.bSun ? state.dSunDistanceKm : eraPm(const_cast<double*>(state.avMoon));
    EXPECT_NEAR(dKm, c.dKm, c.dKmTolerance);
  }
}

TEST(SkyClock, ReadsAdvancesAndShowsUtc)
{
  double d1 = 0.0, d2 = 0.0;
  for (const char* bad :
       { "2024-04-08 18:17:20Z", "2024-04-08T18:17:20", "2024-02-30T00:00:00Z", "2024-04-08T24:00:00Z",
         "2017-06-30T23:59:60Z", "1700-01-01T00:00:00Z", "2024-4-08T18:17:20Z", "" })
    EXPECT_FALSE(CSkyClock::ParseUtc(bad, &d1, &d2)) << bad;
  EXPECT_TRUE(CSkyClock::ParseUtc("2016-12-31T23:59:60Z", &d1, &d2)); // a real leap second

  // An hour of frames at 3600 times: 150 days later, across midnight
  // and month ends.
  CSkyClock clock = At("2024-04-08T18:17:20Z");
  clock.SetRate(3600.0);
  for (int i = 0; i < 3600; ++i)
    clock.Advance(1.0);
  char text[32];
  ASSERT_TRUE(clock.Format(text, sizeof text));
  EXPECT_STREQ(text, "2024-09-05 18:17:20 UTC");
  clock.SetRate(-1.0);
  clock.Advance(86400.0 * 151);
  ASSERT_TRUE(clock.Format(text, sizeof text));
  EXPECT_STREQ(text, "2024-04-07 18:17:20 UTC");
  EXPECT_FALSE(clock.Format(text, 10));
}
