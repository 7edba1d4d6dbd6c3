#include "app/scene/sky_clock.h"

#include <erfa.h>
#include <erfam.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

constexpr double SECONDS_PER_DAY = 86400.0;
constexpr double UNIX_EPOCH_JD = 2440587.5;

} // namespace

CSkyClock::CSkyClock() : m_dUtc1(ERFA_DJ00), m_dUtc2(0.0), m_dRate(1.0) {}

void CSkyClock::Start(double dUtc1, double dUtc2, double dRate)
{
  m_dUtc1 = dUtc1;
  m_dUtc2 = dUtc2;
  m_dRate = dRate;
  Advance(0.0);
}

void CSkyClock::Advance(double dRealSeconds)
{
  m_dUtc2 += dRealSeconds * m_dRate / SECONDS_PER_DAY;
  // Whole days move to the first part, so that the fraction keeps its precision.
  const double dDays = std::floor(m_dUtc2);
  m_dUtc1 += dDays;
  m_dUtc2 -= dDays;
}

bool CSkyClock::Format(char* szOut, size_t uSize) const
{
  if (!szOut || uSize == 0)
    return false;
  szOut[0] = 0;
  int iy = 0, im = 0, id = 0, ihmsf[4] = {};
  if (eraD2dtf("UTC", 0, m_dUtc1, m_dUtc2, &iy, &im, &id, ihmsf) < 0)
    return false;
  const int n = std::snprintf(szOut, uSize, "%04d-%02d-%02d %02d:%02d:%02d UTC", iy, im, id, ihmsf[0],
                              ihmsf[1], ihmsf[2]);
  return n > 0 && static_cast<size_t>(n) < uSize;
}

bool CSkyClock::ParseUtc(const char* szText, double* pUtc1, double* pUtc2)
{
  if (!szText || std::strlen(szText) != 20)
    return false;
  static const char kShape[] = "dddd-dd-ddTdd:dd:ddZ";
  for (int i = 0; i < 20; ++i)
  {
    const char c = szText[i];
    if (kShape[i] == 'd' ? (c < '0' || c > '9') : c != kShape[i])
      return false;
  }
  int iy = 0, im = 0, id = 0, ih = 0, imn = 0, is = 0;
  if (std::sscanf(szText, "%4d-%2d-%2dT%2d:%2d:%2dZ", &iy, &im, &id, &ih, &imn, &is) != 6)
    return false;
  if (iy < 1800 || iy > 2200)
    return false;
  double d1 = 0.0, d2 = 0.0;
  // Status 1 (a year whose leap seconds are not known) is fine; 2 and 3 mean a
  // second 60 on a day that had no leap second.
  const int iStatus = eraDtf2d("UTC", iy, im, id, ih, imn, is, &d1, &d2);
  if (iStatus < 0 || iStatus > 1)
    return false;
  *pUtc1 = d1;
  *pUtc2 = d2;
  return true;
}

void CSkyClock::NowUtc(double* pUtc1, double* pUtc2)
{
  // The system clock counts UTC seconds since 1970 without the leap seconds.
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const double dSeconds = std::chrono::duration<double>(now).count();
  const double dDays = std::floor(dSeconds / SECONDS_PER_DAY);
  *pUtc1 = UNIX_EPOCH_JD + dDays;
  *pUtc2 = (dSeconds - dDays * SECONDS_PER_DAY) / SECONDS_PER_DAY;
}
