#include "app/scene/frame_rate_line.h"

#include <cstdio>

bool CFrameRateLine::Tick(int64_t lWallNs, int64_t lCpuNs)
{
  if (!m_bStarted || lWallNs < m_lWallStart)
  {
    // The first frame (or a clock that went back) starts the count.
    m_bStarted = true;
    m_lWallStart = lWallNs;
    m_lCpuStart = lCpuNs;
    m_dwFrames = 0;
    return false;
  }
  ++m_dwFrames;
  const int64_t lWall = lWallNs - m_lWallStart;
  if (lWall < INTERVAL_NS)
    return false;

  const double dSeconds = static_cast<double>(lWall) * 1e-9;
  const double dFps = m_dwFrames / dSeconds;
  if (lCpuNs >= 0 && m_lCpuStart >= 0 && lCpuNs >= m_lCpuStart)
    std::snprintf(m_szText, sizeof m_szText, "FPS: %.1f  Load: %.1f%%", dFps,
                  100.0 * static_cast<double>(lCpuNs - m_lCpuStart) / static_cast<double>(lWall));
  else
    std::snprintf(m_szText, sizeof m_szText, "FPS: %.1f", dFps);
  m_lWallStart = lWallNs;
  m_lCpuStart = lCpuNs;
  m_dwFrames = 0;
  return true;
}
