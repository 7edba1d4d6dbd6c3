#pragma once

#include "sdk/image/image_readers.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum EUserMap
{
  USER_MAP_DAY,
  USER_MAP_NIGHT,
  USER_MAP_CLOUDS,
  USER_MAP_COUNT
};

// The user's own maps (--map-day, --map-night, --map-clouds): PNG files decoded once at
// start, before any window opens, so that a bad file ends the run with a clear message.
// The clouds file can be watched: a thread looks at it every few seconds and, once it
// has changed and stopped changing, decodes it again and makes its levels of detail
// for the frame loop to pick up, so that the frames never wait for a decoder.
class CUserMaps
{
public:
  CUserMaps();
  ~CUserMaps(); // stops the watch

  // Reads and decodes the named files; an empty name keeps the built-in map.  False
  // with a one-line message naming the file.
  bool Read(const std::string& day, const std::string& night, const std::string& clouds, std::string& error);

  // The decoded map, or null for the built-in one.
  const SImage* Get(int iMap) const;
  const std::string& GetPath(int iMap) const { return m_astrPath[iMap]; }
  // Gives the decoded pixels up (the texture holds its own copy once loaded); Get then
  // answers null.
  void Forget(int iMap);

  // Starts watching the clouds file, looking every dwPollMs; images larger than
  // dwMaxSide on a side (0: no limit) are shrunk to fit before they are handed over.
  void StartWatch(uint32_t dwPollMs, uint32_t dwMaxSide);
  void StopWatch();
  // The levels of a clouds map decoded since the last call (MipLevels), once; false
  // when none is waiting.  *pScaled tells whether it had to be shrunk.
  bool TakeFreshClouds(std::vector<SImage>* pLevels, bool* pScaled);

  CUserMaps(const CUserMaps&) = delete;
  CUserMaps& operator=(const CUserMaps&) = delete;

private:
  void Watch(uint32_t dwPollMs, uint32_t dwMaxSide);

  std::string m_astrPath[USER_MAP_COUNT];
  SImage m_aImage[USER_MAP_COUNT];
  bool m_abLoaded[USER_MAP_COUNT];

  std::thread m_watch;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_bStop;
  bool m_bFresh;
  bool m_bFreshScaled;
  std::vector<SImage> m_fresh;
};

// Shrinks an image by averaging whole areas so that neither side exceeds dwMaxSide,
// halving both sides until it fits (the proportions of a map stay).  False when it
// already fits.
bool FitImage(SImage* pImage, uint32_t dwMaxSide);

// One line for the log on a map that had to be shrunk.
std::string ScaledMapMessage(const std::string& path, uint32_t dwFromWidth, uint32_t dwFromHeight,
                             const SImage& image);
