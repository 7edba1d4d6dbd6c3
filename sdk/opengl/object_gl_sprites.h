#pragma once

#include "sdk/opengl/object_gl.h"

// Kind 0x8: the star field's point sprites, of (MAX_SIZE - MIN_SIZE) x 0.01 x a size in
// percent pixels, rounded to whole pixels as OpenGL does for aliased points.  Slot 9
// puts the object's render states, projection and matrix into effect; slot 10 draws
// points of the user value's size in the colour factor.  Draw and its kin draw every
// point of the parts, each of its own size (the vertex's texture coordinate u) in its
// vertex colour: Commit keeps the points sorted by size in one vertex array, and a
// draw costs one glDrawArrays per point size, smallest first.
class CObjectGLSprites : public CObjectGL3D
{
public:
  ~CObjectGLSprites() override;

  ZRESULT Release() override;                         // 2
  ZRESULT Draw(int32_t iPartCount) override;          // 5
  ZRESULT DrawPart(uint32_t dwPart) override;         // 6
  ZRESULT DrawGeometry(int32_t iPartCount) override;  // 7
  ZRESULT DrawPartGeometry(uint32_t dwPart) override; // 8
  ZRESULT PreparePart(uint32_t dwPart) override;      // 9
  ZRESULT DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount, int32_t iPrimitiveType,
                    int32_t iCullMode) override; // 10
  ZRESULT AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount) override;
  ZRESULT Upload() override;

private:
  // One point of the vertex array (the arrays' stride).
  struct SPoint
  {
    float x, y, z;
    uint8_t abColor[4]; // r, g, b, a
    float fPercent;     // the size
  };

  float PixelSize(float fPercent) const;
  void FreePoints();
  ZRESULT DrawPoints(uint32_t dwFirstPart, uint32_t dwPartCount, bool bFull);

  SPoint* m_pPoints = nullptr;        // sorted by size within each part; owned
  uint32_t* m_pdwPartStart = nullptr; // part i's points: [start[i], start[i + 1]); owned
  uint32_t m_dwPointParts = 0;        // parts the array was built for
};
