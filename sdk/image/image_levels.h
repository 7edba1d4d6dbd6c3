#pragma once

// The levels of detail of a decoded image, made off the drawing thread, and the walk
// that hands them to a device a band of rows at a time.

#include "sdk/image/image_readers.h"

#include <cstdint>
#include <vector>

// True when the image has a size, 1 to 4 bytes a pixel and all its pixels.
bool IsWholeImage(const SImage& image);

// The power of two the OpenGL mipmap builder scales a side to: the nearest one, where
// a side of three times a power of two goes up.
uint32_t NearestPowerOfTwo(uint32_t v);

// Each pixel of the w x h result the mean of the pixels its area covers (at least one).
SImage ScaleImage(const SImage& image, uint32_t w, uint32_t h);
// One halving: each pixel the mean of a 2 x 2 block (of a 2 x 1 or 1 x 2 one along a
// side that is down to one pixel; an odd side's last pixel is dropped).
void HalveImage(SImage* pImage);

// The image scaled to the nearest powers of two, then halved down to 1 x 1: level 0
// first, as a device's mipmapped texture takes them.  Empty for an empty image.
std::vector<SImage> MipLevels(SImage image);
// The same chain with the scaling counted from the image's top row, as a device that
// takes its textures top row first scales them (a side scaled by other than a power
// of two then pairs its rows from the other end); the levels stay bottom row first.
std::vector<SImage> MipLevelsFromTop(const SImage& image);

// Bands of rows of a chain of levels, level 0 first, each level from its bottom row.
class CImageBands
{
public:
  // Takes the levels (*pLevels is left empty) and starts at the first row.
  void Reset(std::vector<SImage>* pLevels);
  void Clear() { Reset(nullptr); }
  const std::vector<SImage>& Levels() const { return m_levels; }
  bool Done() const { return m_dwLevel >= m_levels.size(); }
  // The next band: rows [*pFirst, *pFirst + *pCount) of level *pLevel, as many whole
  // rows as dwBytes hold and at least one.  False once every row has been given.
  bool Next(uint32_t dwBytes, uint32_t* pLevel, uint32_t* pFirst, uint32_t* pCount);

private:
  std::vector<SImage> m_levels;
  uint32_t m_dwLevel = 0;
  uint32_t m_dwRow = 0;
};
