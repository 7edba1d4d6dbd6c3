#pragma once

#include <cstdint>

// The frame-rate line of -fps: frames per second and the processor load (the process's
// processor time over the time that passed, in per cent of one core), measured over
// each second and shown as "FPS: 29.9  Load: 23.4%".  Until a second has passed the
// line is empty.
class CFrameRateLine
{
public:
  // Counts a frame drawn at wall time lWallNs with the process's processor time lCpuNs
  // (both in nanoseconds); true when the line changed.  A processor time below zero is
  // unknown: the load is left out.
  bool Tick(int64_t lWallNs, int64_t lCpuNs);
  const char* Text() const { return m_szText; }

private:
  static constexpr int64_t INTERVAL_NS = 1000000000LL;
  bool m_bStarted = false;
  int64_t m_lWallStart = 0;
  int64_t m_lCpuStart = 0;
  uint32_t m_dwFrames = 0;
  char m_szText[48] = {};
};
