#pragma once

// Where the Sun and the Moon are and how the Earth is turned at a UTC instant, from
// ERFA: the celestial frame is the geocentric one (GCRS, the equator and equinox of
// J2000 to within milliarcseconds), the terrestrial frame the Earth's own (ITRS:
// x through the Greenwich meridian on the equator, z through the north pole).

constexpr double EARTH_RADIUS_KM = 6378.137; // equatorial, the scene's unit sphere
constexpr double MOON_RADIUS_KM = 1737.4;

struct SSkyState
{
  double adCelestialToTerrestrial[3][3]; // t = M c
  double avSun[3];                       // towards the apparent Sun (aberration included), unit
  double dSunDistanceKm;
  double avMoon[3]; // the Moon's centre, km
};

// Latitude (north positive) and longitude (east positive) in degrees.
struct SGeographic
{
  double dLatitude;
  double dLongitude;
};

class CSkyEphemeris
{
public:
  CSkyEphemeris();

  // 0; 1 when the leap seconds of that year are not known yet (a warning: the instant
  // may be off by a second or so); negative for a date the time scales refuse.
  int Compute(double dUtc1, double dUtc2, SSkyState* pOut);

private:
  // The celestial-to-intermediate matrix moves by milliarcseconds a day: it is made
  // again only when the instant has moved by more than an hour.
  double m_adC2i[3][3];
  double m_dC2iTt;
  bool m_bHasC2i;
};

// The point of the Earth under a celestial direction (the subsolar point for the Sun).
SGeographic PointBelow(const SSkyState& state, const double avDirection[3]);
// The terrestrial unit vector of a place.
void TerrestrialDirection(const SGeographic& place, double avOut[3]);
