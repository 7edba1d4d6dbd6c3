#include "sdk/core/shape_builder.h"

#include "sdk/core/3d_engine.h"
#include "sdk/core/3d_mesh_object.h"

#include <cmath>

namespace
{

// Single-precision constants, as the angles are accumulated.
constexpr float PI_F = 3.1415927f;
constexpr float TWO_PI_F = 6.2831855f;
constexpr float HALF_PI_F = 1.5707964f;

// One box vertex: position signs, texture (0 = t0, 1 = t1) and normal.
struct SBoxVertex
{
  int8_t sx, sy, sz;
  uint8_t tu, tv;
  int8_t nx, ny, nz;
};

// Variants 0 and 1 share positions and normals (faces +z, -z, +x, -x, -y, +y with
// outward normals) and differ in texture mapping; variant 2 orders its faces
// +x, -x, +z, -z, -y, +y and carries the normals the sky box was made with.
const SBoxVertex s_aBox[3][24] = {
  {
      { -1, +1, +1, 1, 0, 0, 0, 1 },  { -1, -1, +1, 1, 1, 0, 0, 1 },  { +1, +1, +1, 0, 0, 0, 0, 1 },
      { +1, -1, +1, 0, 1, 0, 0, 1 },  { +1, +1, -1, 1, 0, 0, 0, -1 }, { +1, -1, -1, 1, 1, 0, 0, -1 },
      { -1, +1, -1, 0, 0, 0, 0, -1 }, { -1, -1, -1, 0, 1, 0, 0, -1 }, { +1, +1, +1, 1, 0, 1, 0, 0 },
      { +1, -1, +1, 1, 1, 1, 0, 0 },  { +1, +1, -1, 0, 0, 1, 0, 0 },  { +1, -1, -1, 0, 1, 1, 0, 0 },
      { -1, +1, +1, 0, 0, -1, 0, 0 }, { -1, +1, -1, 1, 0, -1, 0, 0 }, { -1, -1, +1, 0, 1, -1, 0, 0 },
      { -1, -1, -1, 1, 1, -1, 0, 0 }, { -1, -1, +1, 0, 1, 0, -1, 0 }, { -1, -1, -1, 0, 0, 0, -1, 0 },
      { +1, -1, +1, 1, 1, 0, -1, 0 }, { +1, -1, -1, 1, 0, 0, -1, 0 }, { -1, +1, +1, 0, 0, 0, 1, 0 },
      { +1, +1, +1, 1, 0, 0, 1, 0 },  { -1, +1, -1, 0, 1, 0, 1, 0 },  { +1, +1, -1, 1, 1, 0, 1, 0 },
  },
  {
      { -1, +1, +1, 0, 1, 0, 0, 1 },  { -1, -1, +1, 0, 0, 0, 0, 1 },  { +1, +1, +1, 1, 1, 0, 0, 1 },
      { +1, -1, +1, 1, 0, 0, 0, 1 },  { +1, +1, -1, 1, 0, 0, 0, -1 }, { +1, -1, -1, 1, 1, 0, 0, -1 },
      { -1, +1, -1, 0, 0, 0, 0, -1 }, { -1, -1, -1, 0, 1, 0, 0, -1 }, { +1, +1, +1, 0, 0, 1, 0, 0 },
      { +1, -1, +1, 1, 0, 1, 0, 0 },  { +1, +1, -1, 0, 1, 1, 0, 0 },  { +1, -1, -1, 1, 1, 1, 0, 0 },
      { -1, +1, +1, 1, 0, -1, 0, 0 }, { -1, +1, -1, 1, 1, -1, 0, 0 }, { -1, -1, +1, 0, 0, -1, 0, 0 },
      { -1, -1, -1, 0, 1, -1, 0, 0 }, { -1, -1, +1, 0, 0, 0, -1, 0 }, { -1, -1, -1, 1, 0, 0, -1, 0 },
      { +1, -1, +1, 0, 1, 0, -1, 0 }, { +1, -1, -1, 1, 1, 0, -1, 0 }, { -1, +1, +1, 0, 1, 0, 1, 0 },
      { +1, +1, +1, 0, 0, 0, 1, 0 },  { -1, +1, -1, 1, 1, 0, 1, 0 },  { +1, +1, -1, 1, 0, 0, 1, 0 },
  },
  {
      { +1, +1, -1, 1, 0, 0, 0, -1 }, { +1, -1, -1, 1, 1, 0, 0, -1 }, { +1, +1, +1, 0, 0, 0, 0, -1 },
      { +1, -1, +1, 0, 1, 0, 0, -1 }, { -1, +1, +1, 1, 0, 0, 0, 1 },  { -1, -1, +1, 1, 1, 0, 0, 1 },
      { -1, +1, -1, 0, 0, 0, 0, 1 },  { -1, -1, -1, 0, 1, 0, 0, 1 },  { +1, +1, +1, 1, 0, -1, 0, 0 },
      { +1, -1, +1, 1, 1, -1, 0, 0 }, { -1, +1, +1, 0, 0, -1, 0, 0 }, { -1, -1, +1, 0, 1, -1, 0, 0 },
      { +1, +1, -1, 0, 0, 1, 0, 0 },  { -1, +1, -1, 1, 0, 1, 0, 0 },  { +1, -1, -1, 0, 1, 1, 0, 0 },
      { -1, -1, -1, 1, 1, 1, 0, 0 },  { +1, -1, -1, 0, 0, 0, 1, 0 },  { -1, -1, -1, 1, 0, 0, 1, 0 },
      { +1, -1, +1, 0, 1, 0, 1, 0 },  { -1, -1, +1, 1, 1, 0, 1, 0 },  { +1, +1, -1, 0, 0, 0, -1, 0 },
      { +1, +1, +1, 1, 0, 0, -1, 0 }, { -1, +1, -1, 0, 1, 0, -1, 0 }, { -1, +1, +1, 1, 1, 0, -1, 0 },
  },
};

ZRESULT BuildSphere(C3DMeshObject* o, SShapeSphere* p, bool bHalf, uint32_t dwCull)
{
  if (p->dwSegments < 3)
    p->dwSegments = 3;
  if (p->dwSegments > 255)
    p->dwSegments = 255;
  const uint32_t n = p->dwSegments;
  const float r = p->fRadius;
  const uint32_t V = (n + 1) * (n - 1) + 2 * n;
  const uint32_t I = 6 * n * (n - 1);

  if (ZP_FAILED(o->SetupGeometry(1, V, I)))
    return ZP_FAIL;
  o->LockIndices();

  const float fN = static_cast<float>(n);
  const float fInv = 1.0f / fN;
  auto R = [n](uint32_t k, uint32_t l) { return n + (k - 1) * (n + 1) + l; };
  const uint32_t dwBottom = n * n + n - 1;

  uint32_t q = 0;
  auto tri = [&](uint32_t a, uint32_t b, uint32_t c)
  {
    o->SetIndex(q++, a);
    o->SetIndex(q++, b);
    o->SetIndex(q++, c);
  };
  for (uint32_t j = 0; j < n; ++j)
    tri(j, R(1, j + 1), R(1, j));
  for (uint32_t k = 1; k + 1 < n; ++k)
  {
    for (uint32_t m = 0; m < n; ++m)
    {
      tri(R(k, m), R(k + 1, m + 1), R(k + 1, m));
      tri(R(k, m), R(k, m + 1), R(k + 1, m + 1));
    }
  }
  for (uint32_t j = 0; j < n; ++j)
    tri(R(n - 1, j), R(n - 1, j + 1), dwBottom + j);

  for (uint32_t j = 0; j < n; ++j)
    o->SetVertex(j, 0.0f, r, 0.0f, p->dwDiffuse, static_cast<float>(j) / fN, 0.0f, 0.0f, 1.0f, 0.0f,
                 p->dwSpecular);

  const float fThetaStep = bHalf ? fInv * TWO_PI_F * 0.5f : fInv * TWO_PI_F;
  const float fSign = bHalf ? -1.0f : 1.0f;
  float fPhi = HALF_PI_F;
  for (uint32_t k = 1; k < n; ++k)
  {
    fPhi += fInv * PI_F;
    float fTheta = 0.0f;
    for (uint32_t l = 0; l <= n; ++l)
    {
      const float nx = fSign * std::cos(fTheta) * std::cos(fPhi);
      const float ny = std::sin(fPhi);
      const float nz = fSign * std::sin(fTheta) * std::cos(fPhi);
      o->SetVertex(R(k, l), r * nx, r * ny, r * nz, p->dwDiffuse, static_cast<float>(l) / fN,
                   static_cast<float>(k) / fN, nx, ny, nz, p->dwSpecular);
      fTheta += fThetaStep;
    }
  }

  for (uint32_t j = 0; j < n; ++j)
    o->SetVertex(dwBottom + j, 0.0f, -r, 0.0f, p->dwDiffuse, static_cast<float>(j) / fN, 1.0f, 0.0f, -1.0f,
                 0.0f, p->dwSpecular);

  o->SetPart(0, 0, V, 0, I, I / 3, PRIMITIVE_TRIANGLE_LIST, dwCull, -1);
  if (!bHalf)
  {
    // The whole sphere closes (the seam and the poles repeat positions) and winds
    // counter-clockwise seen from outside.  Every face lies within half a band of the
    // sphere in both directions, so its plane keeps at least r cos^2(pi / n) from the
    // centre.
    SPartHint hint;
    hint.bClosed = true;
    hint.iOutward = 1;
    hint.fRadius = std::fabs(r);
    const float c = std::cos(PI_F / fN);
    hint.fInner = std::fabs(r) * c * c;
    o->SetPartHint(0, hint);
  }
  return o->Commit();
}

ZRESULT BuildDisc(C3DMeshObject* o, SShapeDisc* p, uint32_t dwCull)
{
  if (p->dwAxis > 2)
    return ZP_FAIL;
  if (p->dwSegments < 3)
    p->dwSegments = 3;
  const uint32_t n = p->dwSegments;
  const uint32_t dwCount = n + 2;
  const float w2 = p->fWidth / 2.0f;
  const float h2 = p->fHeight / 2.0f;

  if (ZP_FAILED(o->SetupGeometry(1, dwCount, dwCount)))
    return ZP_FAIL;
  o->LockIndices();
  for (uint32_t i = 0; i < dwCount; ++i)
    o->SetIndex(i, i);

  static const float s_afNormal[3][3] = { { 0.0f, 0.0f, -1.0f }, { 1.0f, 0.0f, 0.0f }, { 0.0f, 1.0f, 0.0f } };
  const float* N = s_afNormal[p->dwAxis];
  const bool bMapped = p->dwTextureMode == 0 || p->dwTextureMode == 1;

  o->SetVertex(0, 0.0f, h2, 0.0f, p->dwDiffuse, 0.5f, 0.5f, N[0], N[1], N[2], p->dwSpecular);

  const float fStep = TWO_PI_F / static_cast<float>(n);
  float a = 0.0f;
  for (uint32_t k = 1; k <= n + 1; ++k)
  {
    a += fStep;
    const float s = std::sin(a) * w2;
    const float c = std::cos(a) * w2;
    float x, y, z;
    switch (p->dwAxis)
    {
      case 0:
        x = s;
        y = c;
        z = -h2;
        break;
      case 1:
        x = -h2;
        y = c;
        z = s;
        break;
      default:
        x = s;
        y = -h2;
        z = c;
        break;
    }
    float u = 0.0f, v = 0.0f;
    if (bMapped)
    {
      u = std::cos(a - HALF_PI_F) * 0.5f * p->fUScale + 0.5f;
      v = std::sin(a - HALF_PI_F) * 0.5f * p->fVScale + 0.5f;
    }
    o->SetVertex(k, x, y, z, p->dwDiffuse, u, v, N[0], N[1], N[2], p->dwSpecular);
  }

  o->SetPart(0, 0, dwCount, 0, dwCount, n, PRIMITIVE_TRIANGLE_FAN, dwCull, -1);
  return o->Commit();
}

ZRESULT BuildGrid(C3DMeshObject* o, const SShapeGrid* p, uint32_t dwCull)
{
  // Zero columns or rows would divide by zero into every position.
  if (p->dwOrientation > 2 || p->dwColumns == 0 || p->dwRows == 0)
    return ZP_FAIL;
  const uint32_t a = p->dwColumns;
  const uint32_t b = p->dwRows;
  const uint32_t V = (a + 1) * (b + 1);
  const uint32_t I = 6 * a * b;

  if (ZP_FAILED(o->SetupGeometry(1, V, I)))
    return ZP_FAIL;
  o->LockIndices();

  auto vtx = [a](uint32_t i, uint32_t j) { return (a + 1) * i + j; };
  uint32_t q = 0;
  for (uint32_t j = 0; j < a; ++j)
  {
    for (uint32_t i = 0; i < b; ++i)
    {
      o->SetIndex(q++, vtx(i + 1, j));
      o->SetIndex(q++, vtx(i, j));
      o->SetIndex(q++, vtx(i, j + 1));
      o->SetIndex(q++, vtx(i + 1, j));
      o->SetIndex(q++, vtx(i + 1, j + 1));
      o->SetIndex(q++, vtx(i, j + 1));
    }
  }

  const float W = p->fWidth;
  const float D = p->fDepth;
  for (uint32_t i = 0; i <= b; ++i)
  {
    for (uint32_t j = 0; j <= a; ++j)
    {
      const float c = static_cast<float>(j) * W / static_cast<float>(a) - W / 2.0f;
      const float g = D / 2.0f - static_cast<float>(i) * D / static_cast<float>(b);
      const float u = static_cast<float>(j) / static_cast<float>(a) * p->fUScale;
      const float v = static_cast<float>(i) / static_cast<float>(b) * p->fVScale;
      switch (p->dwOrientation)
      {
        case 0:
          o->SetVertex(vtx(i, j), c, g, 0.0f, p->dwDiffuse, u, v, 0.0f, 0.0f, -1.0f, p->dwSpecular);
          break;
        case 1:
          o->SetVertex(vtx(i, j), 0.0f, g, c, p->dwDiffuse, u, v, 1.0f, 0.0f, 0.0f, p->dwSpecular);
          break;
        default:
          o->SetVertex(vtx(i, j), c, 0.0f, g, p->dwDiffuse, u, v, 0.0f, 1.0f, 0.0f, p->dwSpecular);
          break;
      }
    }
  }

  o->SetPart(0, 0, V, 0, I, 2 * a * b, PRIMITIVE_TRIANGLE_LIST, dwCull, -1);
  return o->Commit();
}

ZRESULT BuildBox(C3DMeshObject* o, const SShapeBox* p, uint32_t dwCull)
{
  if (p->dwVariant > 2)
    return ZP_FAIL;
  if (ZP_FAILED(o->SetupGeometry(6, 24, 24)))
    return ZP_FAIL;
  o->LockIndices();
  for (uint32_t i = 0; i < 24; ++i)
    o->SetIndex(i, i % 4);

  const SBoxVertex* t = s_aBox[p->dwVariant];
  for (uint32_t i = 0; i < 24; ++i)
  {
    o->SetVertex(i, t[i].sx * p->fHalfX, t[i].sy * p->fHalfY, t[i].sz * p->fHalfZ, p->dwDiffuse,
                 t[i].tu ? p->fT1 : p->fT0, t[i].tv ? p->fT1 : p->fT0, static_cast<float>(t[i].nx),
                 static_cast<float>(t[i].ny), static_cast<float>(t[i].nz), p->dwSpecular);
  }
  for (uint32_t f = 0; f < 6; ++f)
    o->SetPart(f, 4 * f, 4, 4 * f, 4, 2, PRIMITIVE_TRIANGLE_STRIP, dwCull, -1);
  return o->Commit();
}

} // namespace

uint32_t ShapeCullMode(uint32_t dwRenderFlags)
{
  if (dwRenderFlags & 0x40)
    return CULL_NONE;
  if (dwRenderFlags & 0x100)
    return CULL_CW;
  if (dwRenderFlags & 0x80)
    return CULL_CCW;
  return CULL_NONE;
}

ZRESULT C3DMeshObject::BuildShape(uint32_t dwType, void* pParams)
{
  if (!pParams || dwType < SHAPE_SPHERE || dwType > SHAPE_BOX)
    return ZP_FAIL;
  // The shape brings its own normals.
  m_dwKind &= ~OBJECT_KIND_NORMALS;
  const uint32_t dwCull = ShapeCullMode(m_dwRenderFlags);
  ZRESULT r = ZP_FAIL;
  switch (dwType)
  {
    case SHAPE_SPHERE: r = BuildSphere(this, static_cast<SShapeSphere*>(pParams), false, dwCull); break;
    case SHAPE_HALF_SPHERE: r = BuildSphere(this, static_cast<SShapeSphere*>(pParams), true, dwCull); break;
    case SHAPE_DISC: r = BuildDisc(this, static_cast<SShapeDisc*>(pParams), dwCull); break;
    case SHAPE_GRID: r = BuildGrid(this, static_cast<const SShapeGrid*>(pParams), dwCull); break;
    case SHAPE_BOX: r = BuildBox(this, static_cast<const SShapeBox*>(pParams), dwCull); break;
  }
  // Success is 0 whatever the platform's Commit answered positively.
  return ZP_FAILED(r) ? ZP_FAIL : ZP_OK;
}
