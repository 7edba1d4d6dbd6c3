#pragma once

#include <cstddef>

// The simulated instant of the real-time mode: a UTC date as a two-part Julian date
// (whole day in the first part, the fraction in the second, so that a second stays
// exact over centuries), moving at a rate of simulated seconds per real second.
class CSkyClock
{
public:
  CSkyClock();

  void Start(double dUtc1, double dUtc2, double dRate);
  // Moves the instant on by dRealSeconds x the rate.
  void Advance(double dRealSeconds);

  double GetUtc1() const { return m_dUtc1; }
  double GetUtc2() const { return m_dUtc2; }
  double GetRate() const { return m_dRate; }
  void SetRate(double dRate) { m_dRate = dRate; }

  // "2024-04-08 18:17:20 UTC" into a buffer of at least 24 characters; false (and an
  // empty text) for an instant the calendar cannot show.
  bool Format(char* szOut, size_t uSize) const;

  // YYYY-MM-DDTHH:MM:SSZ, years 1800 to 2200; a leap second (:60) only where one was
  // inserted.  False for anything else.
  static bool ParseUtc(const char* szText, double* pUtc1, double* pUtc2);
  // The system clock's UTC.
  static void NowUtc(double* pUtc1, double* pUtc2);

private:
  double m_dUtc1;
  double m_dUtc2;
  double m_dRate;
};
