#pragma once

// The software platform's rasterizer: depth-tested, colour-interpolated lines and the
// per-triangle colour rules (face light factor, fog), written straight into the pixel
// memory of the current drawing bitmap.  The depth buffer keeps the farthest value:
// it is cleared to 0.0 every frame and a pixel is drawn when its depth is >= the
// stored one.

#include "sdk/core/3d_math.h"
#include "sdk/core/result.h"

#include <cstddef>
#include <cstdint>

namespace zos
{
class CBitmap;
}

class CSoftRaster
{
public:
  CSoftRaster();
  ~CSoftRaster();
  CSoftRaster(const CSoftRaster&) = delete;
  CSoftRaster& operator=(const CSoftRaster&) = delete;

  // Sizes the rasterizer and allocates the depth buffer (tracked allocator), filled
  // with 0.0.  ZP_FAIL when the buffer cannot be allocated (the sizes stay 0).
  ZRESULT Init(uint16_t wWidth, uint16_t wHeight);
  // Frees the depth buffer and clears the sizes.
  ZRESULT Release();

  // The bitmap that plotting writes into (the current drawing context).  It must be
  // at least width x height; a null or smaller bitmap stops all plotting.
  void SetTarget(zos::CBitmap* pBitmap);
  zos::CBitmap* GetTarget() const { return m_pTarget; }

  void ClearDepth();

  uint16_t GetWidth() const { return m_wWidth; }
  uint16_t GetHeight() const { return m_wHeight; }
  uint32_t GetPixelCount() const { return m_dwPixelCount; }
  const float* GetDepthBuffer() const { return m_pDepth; }

  // One pixel: skipped when x or y, as signed 16-bit values, is negative or not below
  // the width / height; drawn when z >= the stored depth, which then becomes z.  A
  // colour with alpha 0 has each of red, green and blue scaled by 255 / 256.
  inline void Plot(int x, int y, float z, uint32_t c)
  {
    const int16_t sx = static_cast<int16_t>(x);
    const int16_t sy = static_cast<int16_t>(y);
    if (sx < 0 || sy < 0 || sx >= m_wWidth || sy >= m_wHeight || !m_pPixels)
      return;
    const size_t i = size_t(sx) + size_t(m_wWidth) * size_t(sy);
    if (!(z >= m_pDepth[i]))
      return;
    m_pDepth[i] = z;
    m_pPixels[i] = PlotColor(c);
  }

  // A line from P to Q (x, y in pixels, z depth) with colours interpolated from cP
  // to cQ.  End points are clamped onto the picture first.
  void Line(const SVector3& P, uint32_t cP, const SVector3& Q, uint32_t cQ);

  // A triangle as its three edges A-B, B-C, A-C.
  void Triangle(const SVector3& A, uint32_t cA, const SVector3& B, uint32_t cB, const SVector3& C,
                uint32_t cC)
  {
    Line(A, cA, B, cB);
    Line(B, cB, C, cC);
    Line(A, cA, C, cC);
  }

  // A size x size square centred on (x, y), every pixel plotted with depth z (for
  // point sprites).  Sizes below one pixel draw one pixel.
  void Point(float x, float y, float z, float size, uint32_t c);

  // The pixel word written for a colour: opaque, its red, green and blue (scaled by
  // 255 / 256 when its alpha is 0).
  static inline uint32_t PlotColor(uint32_t c)
  {
    if ((c >> 24) == 0)
    {
      const uint32_t r = (((c >> 16) & 0xFF) * 255) >> 8;
      const uint32_t g = (((c >> 8) & 0xFF) * 255) >> 8;
      const uint32_t b = ((c & 0xFF) * 255) >> 8;
      return 0xFF000000u | (r << 16) | (g << 8) | b;
    }
    return 0xFF000000u | (c & 0x00FFFFFFu);
  }

  // Face factor of a triangle P0 P1 P2 lit from L, with the object at T:
  // k = -(normalize((P0 - P1) x (P0 - P2)) . normalize(T - L)), clamped to [0, 1].
  static float FaceFactor(const SVector3& P0, const SVector3& P1, const SVector3& P2, const SVector3& T,
                          const SVector3& L);
  // Red, green and blue multiplied by k and truncated; alpha kept.
  static uint32_t ScaleColor(uint32_t c, float k);
  // Fog at screen depth z: f = (-1 / z - start) / (end - start) clamped to [0, 1];
  // each of red, green and blue becomes c - f * (c - fog), truncated; alpha kept.
  static uint32_t FogColor(uint32_t c, float z, float fStart, float fEnd, uint32_t dwFog);

private:
  uint16_t m_wWidth;
  uint16_t m_wHeight;
  uint32_t m_dwPixelCount;
  float* m_pDepth;
  zos::CBitmap* m_pTarget;
  uint32_t* m_pPixels; // the target's pixels, or null when there is none usable
};
