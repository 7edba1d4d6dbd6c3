#pragma once

#include <cstdint>

// Shape types of C3DObject::BuildShape and their parameter records (all fields 32-bit).
constexpr uint32_t SHAPE_SPHERE = 1;
constexpr uint32_t SHAPE_HALF_SPHERE = 2;
constexpr uint32_t SHAPE_DISC = 3;
constexpr uint32_t SHAPE_GRID = 4;
constexpr uint32_t SHAPE_BOX = 5;

// Types 1 and 2.  Segments are clamped to 3 .. 255 in the caller's record.
struct SShapeSphere
{
  float fRadius;
  uint32_t dwSegments;
  uint32_t dwDiffuse;
  uint32_t dwSpecular;
};

// Type 3.  Segments are raised to at least 3 in the caller's record.
struct SShapeDisc
{
  float fWidth; // diameter
  uint32_t dwSegments;
  float fHeight;
  uint32_t dwAxis;        // 0, 1 or 2
  uint32_t dwTextureMode; // 0 or 1 maps the texture; other values give u = v = 0
  uint32_t dwDiffuse;
  uint32_t dwSpecular;
  float fUScale;
  float fVScale;
};

// Type 4.
struct SShapeGrid
{
  float fWidth;
  float fDepth;
  uint32_t dwColumns;
  uint32_t dwRows;
  uint32_t dwOrientation; // 0, 1 or 2
  uint32_t dwDiffuse;
  uint32_t dwSpecular;
  float fUScale;
  float fVScale;
};

// Type 5.
struct SShapeBox
{
  float fHalfX;
  float fHalfY;
  float fHalfZ;
  uint32_t dwVariant; // 0, 1 or 2
  uint32_t dwDiffuse;
  uint32_t dwSpecular;
  float fT0;
  float fT1;
};

// The cull mode generated shapes get from an object's render flags: 0 with 0x40, else
// 2 with 0x100, else 1 with 0x80, else 0.
uint32_t ShapeCullMode(uint32_t dwRenderFlags);
