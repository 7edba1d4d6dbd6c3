#include "sdk/core/frame_timer.h"

#include "sdk/os/clock.h"

using namespace zos;

CFrameTimer::CFrameTimer()
    : m_pFrameRate(nullptr), m_pFrameStep(nullptr), m_llFrequency(0), m_llLastCounter(0),
      m_dReferenceRate(30.0)
{
}

CFrameTimer::~CFrameTimer() = default;

ZRESULT CFrameTimer::Init(double* pFrameRate, double* pFrameStep)
{
  m_pFrameRate = pFrameRate;
  m_pFrameStep = pFrameStep;
  if (!pFrameRate || !pFrameStep)
    return ZP_FAIL;
  if (!QueryPerformanceCounter(&m_llLastCounter) || !QueryPerformanceFrequency(&m_llFrequency))
    return ZP_FAIL;
  // A zero frequency would make every step infinite.
  if (m_llFrequency <= 0)
    return ZP_FAIL;
  return ZP_OK;
}

ZRESULT CFrameTimer::Tick()
{
  if (!m_pFrameRate || !m_pFrameStep || m_llFrequency <= 0)
    return ZP_OK; // not initialised: nothing to measure against
  int64_t llNow = m_llLastCounter;
  if (!QueryPerformanceCounter(&llNow))
    llNow = m_llLastCounter;
  int64_t llElapsed = llNow - m_llLastCounter;
  double dStep = static_cast<double>(llElapsed) / (static_cast<double>(m_llFrequency) / m_dReferenceRate);
  *m_pFrameStep = dStep;
  if (dStep != 0.0)
    *m_pFrameRate = m_dReferenceRate / dStep;
  m_llLastCounter = llNow;
  return ZP_OK;
}
