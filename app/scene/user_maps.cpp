#include "app/scene/user_maps.h"

#include "sdk/image/image_levels.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace
{

const char* const kMapOption[USER_MAP_COUNT] = { "--map-day", "--map-night", "--map-clouds" };

// What a file looks like from outside: it changed when either moved.
struct SFileStamp
{
  bool bExists = false;
  std::filesystem::file_time_type time{};
  uintmax_t size = 0;
  bool operator==(const SFileStamp& o) const
  {
    return bExists == o.bExists && time == o.time && size == o.size;
  }
};

SFileStamp StampOf(const std::string& path)
{
  SFileStamp s;
  std::error_code ec;
  s.time = std::filesystem::last_write_time(path, ec);
  if (ec)
    return SFileStamp();
  s.size = std::filesystem::file_size(path, ec);
  s.bExists = !ec;
  return s;
}

// Reads and decodes one map; false with the reason.
bool ReadMap(const std::string& path, SImage* pImage, std::string& reason)
{
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
  {
    reason = std::strerror(errno);
    return false;
  }
  std::fclose(f);
  if (ReadPNGFile(path.c_str(), pImage) < 0)
  {
    reason = "not a PNG image that can be decoded (8-bit or 16-bit, at most 8192 pixels a side)";
    return false;
  }
  return true;
}

} // namespace

bool FitImage(SImage* pImage, uint32_t dwMaxSide)
{
  if (!pImage || dwMaxSide == 0 || pImage->pixels.empty())
    return false;
  bool bScaled = false;
  while (pImage->width > dwMaxSide || pImage->height > dwMaxSide)
  {
    HalveImage(pImage);
    bScaled = true;
  }
  return bScaled;
}

std::string ScaledMapMessage(const std::string& path, uint32_t dwFromWidth, uint32_t dwFromHeight,
                             const SImage& image)
{
  char szLine[512];
  std::snprintf(szLine, sizeof szLine,
                "# Map \"%s\" (%ux%u) scaled down to %ux%u, the largest texture of this device.\n",
                path.c_str(), dwFromWidth, dwFromHeight, static_cast<unsigned>(image.width),
                static_cast<unsigned>(image.height));
  return szLine;
}

CUserMaps::CUserMaps() : m_abLoaded{}, m_bStop(false), m_bFresh(false), m_bFreshScaled(false) {}

CUserMaps::~CUserMaps() { StopWatch(); }

bool CUserMaps::Read(const std::string& day, const std::string& night, const std::string& clouds,
                     std::string& error)
{
  const std::string* paths[USER_MAP_COUNT] = { &day, &night, &clouds };
  for (int i = 0; i < USER_MAP_COUNT; ++i)
  {
    m_astrPath[i] = *paths[i];
    m_abLoaded[i] = false;
    if (m_astrPath[i].empty())
      continue;
    std::string reason;
    if (!ReadMap(m_astrPath[i], &m_aImage[i], reason))
    {
      error = std::string("cannot use '") + m_astrPath[i] + "' of " + kMapOption[i] + ": " + reason;
      return false;
    }
    m_abLoaded[i] = true;
  }
  return true;
}

const SImage* CUserMaps::Get(int iMap) const
{
  return iMap >= 0 && iMap < USER_MAP_COUNT && m_abLoaded[iMap] ? &m_aImage[iMap] : nullptr;
}

void CUserMaps::Forget(int iMap)
{
  if (iMap < 0 || iMap >= USER_MAP_COUNT)
    return;
  m_aImage[iMap] = SImage();
  m_abLoaded[iMap] = false;
}

void CUserMaps::StartWatch(uint32_t dwPollMs, uint32_t dwMaxSide)
{
  if (m_watch.joinable() || m_astrPath[USER_MAP_CLOUDS].empty())
    return;
  m_bStop = false;
  m_watch = std::thread([this, dwPollMs, dwMaxSide]() { Watch(dwPollMs, dwMaxSide); });
}

void CUserMaps::StopWatch()
{
  if (!m_watch.joinable())
    return;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStop = true;
  }
  m_wake.notify_all();
  m_watch.join();
}

bool CUserMaps::TakeFreshClouds(std::vector<SImage>* pLevels, bool* pScaled)
{
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_bFresh)
    return false;
  pLevels->swap(m_fresh);
  m_fresh.clear();
  m_bFresh = false;
  if (pScaled)
    *pScaled = m_bFreshScaled;
  return true;
}

void CUserMaps::Watch(uint32_t dwPollMs, uint32_t dwMaxSide)
{
  const std::string path = m_astrPath[USER_MAP_CLOUDS];
  SFileStamp loaded = StampOf(path);
  SFileStamp last = loaded;
  for (;;)
  {
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      if (m_wake.wait_for(lock, std::chrono::milliseconds(dwPollMs), [this]() { return m_bStop; }))
        return;
    }
    const SFileStamp now = StampOf(path);
    // A file still being written changes between two looks: wait until it holds still.
    const bool bSettled = now == last;
    last = now;
    if (!now.bExists || !bSettled || now == loaded)
      continue;
    loaded = now;
    SImage image;
    std::string reason;
    if (!ReadMap(path, &image, reason))
      continue; // the old map stays; the next change is tried again
    const bool bScaled = FitImage(&image, dwMaxSide);
    // The levels of detail are made here too: the frame loop only copies them.
    std::vector<SImage> levels = MipLevels(std::move(image));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fresh.swap(levels);
    m_bFresh = true;
    m_bFreshScaled = bScaled;
  }
}
