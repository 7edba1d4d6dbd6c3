#include "sdk/image/image_levels.h"

#include <algorithm>

bool IsWholeImage(const SImage& image)
{
  return image.width && image.height && image.components >= 1 && image.components <= 4 &&
         image.pixels.size() >= size_t(image.width) * image.height * image.components;
}

uint32_t NearestPowerOfTwo(uint32_t v)
{
  if (!v)
    return 1;
  uint32_t i = 1;
  for (;;)
  {
    if (v == 1)
      return i;
    if (v == 3)
      return i * 4;
    v >>= 1;
    i *= 2;
  }
}

SImage ScaleImage(const SImage& image, uint32_t w, uint32_t h)
{
  const uint32_t sw = image.width, sh = image.height, c = image.components;
  SImage out = image;
  out.width = static_cast<uint16_t>(w);
  out.height = static_cast<uint16_t>(h);
  out.pixels.assign(size_t(w) * h * c, 0);
  for (uint32_t y = 0; y < h; ++y)
  {
    const uint32_t y0 = uint32_t(uint64_t(y) * sh / h);
    const uint32_t y1 = std::max(y0 + 1, uint32_t(uint64_t(y + 1) * sh / h));
    for (uint32_t x = 0; x < w; ++x)
    {
      const uint32_t x0 = uint32_t(uint64_t(x) * sw / w);
      const uint32_t x1 = std::max(x0 + 1, uint32_t(uint64_t(x + 1) * sw / w));
      const uint32_t n = (y1 - y0) * (x1 - x0);
      for (uint32_t k = 0; k < c; ++k)
      {
        uint64_t sum = 0;
        for (uint32_t j = y0; j < y1; ++j)
          for (uint32_t i = x0; i < x1; ++i)
            sum += image.pixels[(size_t(j) * sw + i) * c + k];
        out.pixels[(size_t(y) * w + x) * c + k] = static_cast<uint8_t>((sum + n / 2) / n);
      }
    }
  }
  return out;
}

void HalveImage(SImage* p)
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
        auto at = [&](uint32_t xx, uint32_t yy) { return p->pixels[(static_cast<size_t>(yy) * w + xx) * c + k]; };
        const uint32_t sum = at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1);
        out[(static_cast<size_t>(y) * nw + x) * c + k] = static_cast<uint8_t>((sum + 2) / 4);
      }
    }
  }
  p->pixels.swap(out);
  p->width = static_cast<uint16_t>(nw);
  p->height = static_cast<uint16_t>(nh);
}

std::vector<SImage> MipLevels(SImage image)
{
  std::vector<SImage> levels;
  if (!IsWholeImage(image))
    return levels;
  const uint32_t w = NearestPowerOfTwo(image.width), h = NearestPowerOfTwo(image.height);
  if (w != image.width || h != image.height)
    image = ScaleImage(image, w, h);
  levels.push_back(std::move(image));
  while (levels.back().width > 1 || levels.back().height > 1)
  {
    SImage next = levels.back();
    HalveImage(&next);
    levels.push_back(std::move(next));
  }
  return levels;
}

namespace
{
void FlipRows(SImage* p)
{
  const size_t row = size_t(p->width) * p->components;
  for (uint32_t y = 0; y < p->height / 2u; ++y)
    std::swap_ranges(p->pixels.begin() + y * row, p->pixels.begin() + (y + 1) * row,
                     p->pixels.begin() + (p->height - 1 - y) * row);
}
} // namespace

std::vector<SImage> MipLevelsFromTop(const SImage& image)
{
  SImage flipped = image;
  if (IsWholeImage(flipped))
    FlipRows(&flipped);
  std::vector<SImage> levels = MipLevels(std::move(flipped));
  for (SImage& level : levels)
    FlipRows(&level);
  return levels;
}

void CImageBands::Reset(std::vector<SImage>* pLevels)
{
  m_levels.clear();
  if (pLevels)
    m_levels.swap(*pLevels);
  m_dwLevel = 0;
  m_dwRow = 0;
}

bool CImageBands::Next(uint32_t dwBytes, uint32_t* pLevel, uint32_t* pFirst, uint32_t* pCount)
{
  if (Done())
    return false;
  const SImage& level = m_levels[m_dwLevel];
  const uint32_t dwRowBytes = std::max(1u, uint32_t(level.width) * level.components);
  const uint32_t dwRows = std::min<uint32_t>(level.height - m_dwRow, std::max(1u, dwBytes / dwRowBytes));
  *pLevel = m_dwLevel;
  *pFirst = m_dwRow;
  *pCount = dwRows;
  m_dwRow += dwRows;
  if (m_dwRow >= level.height)
  {
    ++m_dwLevel;
    m_dwRow = 0;
  }
  return true;
}
