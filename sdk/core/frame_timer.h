#pragma once

#include "sdk/core/result.h"

#include <cstdint>

// Measures the wall-clock time of each frame with the performance counter and writes,
// into the engine settings record, the frame step (elapsed time in thirtieths of a
// second) and the frame rate (30 / step; kept when the step is 0).
class CFrameTimer
{
public:
  CFrameTimer();
  virtual ~CFrameTimer();

  // pFrameRate and pFrameStep are the record's two values (frame rate, frame step).
  // Reads the counter and its frequency; ZP_FAIL when either read fails or a pointer
  // is null.
  ZRESULT Init(double* pFrameRate, double* pFrameStep);

  // Once per frame, before the world's update.  Returns 0.
  ZRESULT Tick();

  int64_t GetFrequency() const { return m_llFrequency; }

private:
  double* m_pFrameRate;
  double* m_pFrameStep;
  int64_t m_llFrequency;
  int64_t m_llLastCounter;
  double m_dReferenceRate;
};
