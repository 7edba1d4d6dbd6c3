#include "app/scene/user_maps.h"

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

// One halving: each pixel the mean of a 2 x 2 block (of a 2 x 1 or 1 x 2 one along a
// side that is down to one pixel or odd at its end).
void Halve(SImage* p)
{
  const uint32_t w = p->width, h = p->height, c = p->components;
  const uint32_t nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
  std::vector<uint8_t> out(static_cast<size_t>(nw) * nh * c);
  for (uint32_t y = 0; y < nh; ++y)
  {
    const uint32_t y0 = h > 1 ? 2 * y : 0, y1 = h > 1 ? 2 * y + 1 : 0;
    for (uint32_t x = 0; x < nw; ++x)
    {
      const uint32_t x0 = w > 1 ? 2 * x : 0, x1 = w > 1 ? 2 * x + 1 : 0;
      for (uint32_t k = 0; k < c; ++k)
      {
        auto at = [&](uint32_t xx, uint32_t yy)
        { return p->pixels[(static_cast<size_t>(yy) * w + xx) * c + k]; };
        const uint32_t sum = at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1);
        out[(static_cast<size_t>(y) * nw + x) * c + k] = static_cast<uint8_t>((sum + 2) / 4);
      }
    }
  }
  p->pixels.swap(out);
  p->width = static_cast<uint16_t>(nw);
  p->height = static_cast<uint16_t>(nh);
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
    Halve(pImage);
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

bool CUserMaps::TakeFreshClouds(SImage* pOut, bool* pScaled)
{
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_bFresh)
    return false;
  *pOut = std::move(m_fresh);
  m_fresh = SImage();
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
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fresh = std::move(image);
    m_bFresh = true;
    m_bFreshScaled = bScaled;
  }
}
