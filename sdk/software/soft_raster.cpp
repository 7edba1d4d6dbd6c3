#include "sdk/software/soft_raster.h"

#include "sdk/core/tracked_memory.h"
#include "sdk/os/bitmap.h"

#include <bit>
#include <cmath>
#include <cstdlib>

using namespace zos;

CSoftRaster::CSoftRaster()
    : m_wWidth(0), m_wHeight(0), m_dwPixelCount(0), m_pDepth(nullptr), m_pTarget(nullptr), m_pPixels(nullptr)
{
}

CSoftRaster::~CSoftRaster() { Release(); }

ZRESULT CSoftRaster::Init(uint16_t wWidth, uint16_t wHeight)
{
  Release();
  const uint32_t count = uint32_t(wWidth) * wHeight;
  // calloc's zero bits are 0.0f.  An empty picture still gets a (one-element) buffer so
  // that the depth pointer is valid whenever the rasterizer is initialised.
  float* depth = static_cast<float*>(TrackedCalloc(count ? count : 1, sizeof(float)));
  if (!depth)
    return ZP_FAIL;
  m_pDepth = depth;
  m_wWidth = wWidth;
  m_wHeight = wHeight;
  m_dwPixelCount = count;
  SetTarget(m_pTarget);
  return ZP_OK;
}

ZRESULT CSoftRaster::Release()
{
  if (m_pDepth)
    TrackedFree(m_pDepth);
  m_pDepth = nullptr;
  m_wWidth = 0;
  m_wHeight = 0;
  m_dwPixelCount = 0;
  m_pPixels = nullptr;
  return ZP_OK;
}

void CSoftRaster::SetTarget(CBitmap* pBitmap)
{
  m_pTarget = pBitmap;
  // Plotting indexes the bitmap with the rasterizer's own width, so the bitmap must be
  // exactly as wide and at least as high.
  if (pBitmap && pBitmap->IsValid() && m_pDepth && pBitmap->GetWidth() == m_wWidth &&
      pBitmap->GetHeight() >= m_wHeight)
    m_pPixels = pBitmap->GetPixels();
  else
    m_pPixels = nullptr;
}

void CSoftRaster::ClearDepth()
{
  if (!m_pDepth)
    return;
  float* p = m_pDepth;
  float* e = p + m_dwPixelCount;
  while (p < e)
    *p++ = 0.0f;
}

namespace
{

struct SColorF
{
  float a, r, g, b;
};

inline SColorF Unpack(uint32_t c)
{
  return { float(c >> 24), float((c >> 16) & 0xFF), float((c >> 8) & 0xFF), float(c & 0xFF) };
}

// Truncation back to bytes; accumulated values may stray a hair outside 0..255.
inline uint32_t ToByte(float v)
{
  const int i = int(v);
  return i < 0 ? 0u : (i > 255 ? 255u : uint32_t(i));
}

inline uint32_t Pack(const SColorF& c)
{
  return (ToByte(c.a) << 24) | (ToByte(c.r) << 16) | (ToByte(c.g) << 8) | ToByte(c.b);
}

inline float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

} // namespace

void CSoftRaster::Line(const SVector3& P, uint32_t cP, const SVector3& Q, uint32_t cQ)
{
  if (!m_pPixels)
    return;
  // A point that projected to nothing (NaN) has no place on the picture.
  if (std::isnan(P.x) || std::isnan(P.y) || std::isnan(Q.x) || std::isnan(Q.y))
    return;

  const float w = float(m_wWidth), h = float(m_wHeight);
  const int x0 = int(Clamp(P.x, 0.0f, w));
  const int y0 = int(Clamp(P.y, 0.0f, h));
  const int x1 = int(Clamp(Q.x, 0.0f, w));
  const int y1 = int(Clamp(Q.y, 0.0f, h));
  const int dx = x1 - x0, dy = y1 - y0;
  const int adx = std::abs(dx), ady = std::abs(dy);

  // Walk the major axis one pixel at a time (k = 0, s, 2s ... up to the end included).
  // The minor coordinate is trunc(start + k * dminor / dmajor); both coordinates are
  // never negative here, so that is a floor, tracked exactly as quotient and remainder.
  int major0, dmajor, dminor, D, minor;
  bool xMajor;
  if (ady <= adx)
  {
    if (dx == 0)
      return;
    xMajor = true;
    major0 = x0;
    dmajor = dx;
    dminor = dy;
    D = adx;
    minor = y0;
  }
  else
  {
    xMajor = false;
    major0 = y0;
    dmajor = dy;
    dminor = dx;
    D = ady;
    minor = x0;
  }
  const int s = dmajor > 0 ? 1 : -1;
  const float fD = float(D);
  // The depth advances by (Q.z - P.z) / |d major| per pixel.
  const float zStep = (Q.z - P.z) / fD;
  const float z0 = P.z;

  // Pixel addressing: the major step moves by one pixel or one row, the minor one by
  // the other.  Coordinates are in [0, width] x [0, height]; the right and bottom
  // borders themselves are not plotted.
  const int W = m_wWidth;
  const int majorLimit = xMajor ? m_wWidth : m_wHeight;
  const int minorLimit = xMajor ? m_wHeight : m_wWidth;
  const ptrdiff_t majorStride = xMajor ? 1 : W;
  const ptrdiff_t minorStride = xMajor ? W : 1;
  ptrdiff_t index =
      xMajor ? ptrdiff_t(major0) + ptrdiff_t(minor) * W : ptrdiff_t(minor) + ptrdiff_t(major0) * W;
  float* depth = m_pDepth;
  uint32_t* pixels = m_pPixels;
  int major = major0;
  int rem = 0;

  auto advanceMinor = [&]()
  {
    rem += dminor;
    if (rem >= D)
    {
      rem -= D;
      ++minor;
      index += minorStride;
    }
    else if (rem < 0)
    {
      rem += D;
      --minor;
      index -= minorStride;
    }
  };

  if (cP == cQ)
  {
    // One colour along the whole line, the common case (most of the frame's pixels).
    // The depth test and the minor step are written without branches: both go either
    // way from pixel to pixel, which a branch predictor cannot follow.  The arithmetic
    // is the same as below, so the pixels are too.
    const uint32_t word = PlotColor(cP);
    const ptrdiff_t majorStep = s * majorStride;
    const int minorDir = dminor >= 0 ? 1 : -1;
    const ptrdiff_t minorStep = minorDir * minorStride;
    const int remStep = dminor;
    const int remReset = dminor >= 0 ? -D : D;
    for (int j = 0; j <= D; ++j)
    {
      if (major < majorLimit && minor < minorLimit)
      {
        const float z = z0 + float(j) * zStep;
        const float old = depth[index];
        const uint32_t keep = uint32_t(z >= old) - 1u; // 0 when the pixel passes
        depth[index] = std::bit_cast<float>((std::bit_cast<uint32_t>(z) & ~keep) |
                                            (std::bit_cast<uint32_t>(old) & keep));
        pixels[index] = (word & ~keep) | (pixels[index] & keep);
      }
      major += s;
      index += majorStep;
      rem += remStep;
      // Past one whole unit of the minor axis (rem >= D going up, rem < 0 going down).
      const bool carry = dminor >= 0 ? rem >= D : rem < 0;
      rem += carry ? remReset : 0;
      minor += carry ? minorDir : 0;
      index += carry ? minorStep : 0;
    }
    return;
  }

  // Alpha, red, green and blue advance by their difference / |d major| after each
  // pixel, in floating point, and are repacked by truncation.
  SColorF col = Unpack(cP);
  const SColorF q = Unpack(cQ);
  const SColorF step = { (q.a - col.a) / fD, (q.r - col.r) / fD, (q.g - col.g) / fD, (q.b - col.b) / fD };
  for (int j = 0; j <= D; ++j)
  {
    if (major < majorLimit && minor < minorLimit)
    {
      const float z = z0 + float(j) * zStep;
      if (z >= depth[index])
      {
        depth[index] = z;
        pixels[index] = PlotColor(Pack(col));
      }
    }
    col.a += step.a;
    col.r += step.r;
    col.g += step.g;
    col.b += step.b;
    major += s;
    index += s * majorStride;
    advanceMinor();
  }
}

void CSoftRaster::Point(float x, float y, float z, float size, uint32_t c)
{
  if (!m_pPixels || std::isnan(x) || std::isnan(y) || std::isnan(size))
    return;
  int n = size < 1.0f ? 1 : (size > 256.0f ? 256 : int(size));
  // Reject points far outside before converting to int (Plot works on 16-bit values).
  if (x < -float(n) || y < -float(n) || x > float(m_wWidth) + float(n) || y > float(m_wHeight) + float(n))
    return;
  const int left = int(std::floor(x - float(n) * 0.5f + 0.5f));
  const int top = int(std::floor(y - float(n) * 0.5f + 0.5f));
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i)
      Plot(left + i, top + j, z, c);
}

float CSoftRaster::FaceFactor(const SVector3& P0, const SVector3& P1, const SVector3& P2, const SVector3& T,
                              const SVector3& L)
{
  const SVector3 a = { P0.x - P1.x, P0.y - P1.y, P0.z - P1.z };
  const SVector3 b = { P0.x - P2.x, P0.y - P2.y, P0.z - P2.z };
  SVector3 n = { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
  float inv = 1.0f / std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  n = { n.x * inv, n.y * inv, n.z * inv };
  SVector3 l = { T.x - L.x, T.y - L.y, T.z - L.z };
  inv = 1.0f / std::sqrt(l.x * l.x + l.y * l.y + l.z * l.z);
  l = { l.x * inv, l.y * inv, l.z * inv };
  const float k = -(n.x * l.x + n.y * l.y + n.z * l.z);
  // A degenerate face (or a light at the object's centre) has no direction: unlit.
  if (!(k > 0.0f))
    return 0.0f;
  return k > 1.0f ? 1.0f : k;
}

uint32_t CSoftRaster::ScaleColor(uint32_t c, float k)
{
  const uint32_t r = ToByte(float((c >> 16) & 0xFF) * k);
  const uint32_t g = ToByte(float((c >> 8) & 0xFF) * k);
  const uint32_t b = ToByte(float(c & 0xFF) * k);
  return (c & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

uint32_t CSoftRaster::FogColor(uint32_t c, float z, float fStart, float fEnd, uint32_t dwFog)
{
  float f = (-1.0f / z - fStart) / (fEnd - fStart);
  if (!(f > 0.0f))
    f = 0.0f; // also NaN (z = 0 with start = end...)
  else if (f > 1.0f)
    f = 1.0f;
  auto mix = [f](uint32_t ch, uint32_t fog)
  {
    const float v = float(ch);
    return ToByte(v - f * (v - float(fog)));
  };
  const uint32_t r = mix((c >> 16) & 0xFF, (dwFog >> 16) & 0xFF);
  const uint32_t g = mix((c >> 8) & 0xFF, (dwFog >> 8) & 0xFF);
  const uint32_t b = mix(c & 0xFF, dwFog & 0xFF);
  return (c & 0xFF000000u) | (r << 16) | (g << 8) | b;
}
