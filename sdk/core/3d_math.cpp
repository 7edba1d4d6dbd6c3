#include "sdk/core/3d_math.h"

#include <cmath>
#include <cstring>

namespace
{
constexpr float PI_F = 3.1415927f;
constexpr float HALF_PI_F = 1.5707964f;

void SetIdentity(SMatrix* pM)
{
  std::memset(pM, 0, sizeof(*pM));
  pM->m[0][0] = pM->m[1][1] = pM->m[2][2] = pM->m[3][3] = 1.0f;
}

void RowTimes(float* pOutRow, const float* pRow, const SMatrix* pB)
{
  float r[4];
  for (int j = 0; j < 4; ++j)
    r[j] = pRow[0] * pB->m[0][j] + pRow[1] * pB->m[1][j] + pRow[2] * pB->m[2][j] + pRow[3] * pB->m[3][j];
  std::memcpy(pOutRow, r, sizeof(r));
}

// Rows a and b become (c·a + s·b) and (−s·a + c·b): the two rows a rotation changes.
void RotateRows(SMatrix* pM, int a, int b, float c, float s)
{
  for (int j = 0; j < 4; ++j)
  {
    float fA = pM->m[a][j];
    float fB = pM->m[b][j];
    pM->m[a][j] = c * fA + s * fB;
    pM->m[b][j] = -s * fA + c * fB;
  }
}

float Det3(float a, float b, float c, float d, float e, float f, float g, float h, float i)
{
  return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
}

// Clip-space coordinates of a point: (x, y, z, 1) × C.
SVector4 ToClip(const SVector3& p, const SMatrix& C)
{
  SVector4 h;
  h.x = p.x * C.m[0][0] + p.y * C.m[1][0] + p.z * C.m[2][0] + C.m[3][0];
  h.y = p.x * C.m[0][1] + p.y * C.m[1][1] + p.z * C.m[2][1] + C.m[3][1];
  h.z = p.x * C.m[0][2] + p.y * C.m[1][2] + p.z * C.m[2][2] + C.m[3][2];
  h.w = p.x * C.m[0][3] + p.y * C.m[1][3] + p.z * C.m[2][3] + C.m[3][3];
  return h;
}

// Whether the segment a..b reaches into the view volume -w <= x <= w, -w <= y <= w,
// 0 <= z <= w of the combined matrix C.  The segment is clipped against each plane
// in homogeneous coordinates (valid before the division by w, so a segment crossing
// the camera plane is handled correctly).
bool SegmentInVolume(const SVector3& a, const SVector3& b, const SMatrix& C)
{
  SVector4 h0 = ToClip(a, C);
  SVector4 h1 = ToClip(b, C);
  const float f0[6] = { h0.w + h0.x, h0.w - h0.x, h0.w + h0.y, h0.w - h0.y, h0.z, h0.w - h0.z };
  const float f1[6] = { h1.w + h1.x, h1.w - h1.x, h1.w + h1.y, h1.w - h1.y, h1.z, h1.w - h1.z };
  float tMin = 0.0f;
  float tMax = 1.0f;
  for (int k = 0; k < 6; ++k)
  {
    if (!(f0[k] >= 0.0f) && !(f1[k] >= 0.0f))
      return false; // both ends outside this plane (NaN counts as outside)
    if (f0[k] < 0.0f)
      tMin = std::fmax(tMin, f0[k] / (f0[k] - f1[k]));
    else if (f1[k] < 0.0f)
      tMax = std::fmin(tMax, f0[k] / (f0[k] - f1[k]));
    if (tMin > tMax)
      return false;
  }
  return true;
}
} // namespace

C3DMath::C3DMath() : m_fDepthSign(1.0f) {}

C3DMath::~C3DMath() = default;

ZRESULT C3DMath::SetDepthSign(float fValue)
{
  m_fDepthSign = fValue;
  return ZP_OK;
}

ZRESULT C3DMath::Release() { return ZP_OK; }

SVector2* C3DMath::Vec2Normalize(SVector2* pOut, const SVector2* pV)
{
  float fLength = Vec2Length(pV);
  SVector2 v = { pV->x / fLength, pV->y / fLength };
  *pOut = v;
  return pOut;
}

float C3DMath::Vec2Length(const SVector2* pV) { return std::sqrt(pV->x * pV->x + pV->y * pV->y); }

SVector3* C3DMath::Vec3Cross(SVector3* pOut, const SVector3* pA, const SVector3* pB)
{
  SVector3 v = { pA->y * pB->z - pA->z * pB->y, pA->z * pB->x - pA->x * pB->z,
                 pA->x * pB->y - pA->y * pB->x };
  *pOut = v;
  return pOut;
}

float C3DMath::Vec3Dot(const SVector3* pA, const SVector3* pB)
{
  return pA->x * pB->x + pA->y * pB->y + pA->z * pB->z;
}

SVector3* C3DMath::Vec3Normalize(SVector3* pOut, const SVector3* pV)
{
  float k = 1.0f / Vec3Length(pV);
  SVector3 v = { pV->x * k, pV->y * k, pV->z * k };
  *pOut = v;
  return pOut;
}

float C3DMath::Vec3Length(const SVector3* pV)
{
  return std::sqrt(pV->x * pV->x + pV->y * pV->y + pV->z * pV->z);
}

SVector3* C3DMath::TransformPoint(SVector3* pOut, const SVector3* pP, const SMatrix* pM)
{
  const float s = m_fDepthSign;
  const float(*m)[4] = pM->m;
  float z = s * pP->z;
  SVector3 v;
  v.x = pP->x * m[0][0] + pP->y * m[1][0] + z * m[2][0] + m[3][0];
  v.y = pP->x * m[0][1] + pP->y * m[1][1] + z * m[2][1] + m[3][1];
  v.z = s * (pP->x * m[0][2] + pP->y * m[1][2] + z * m[2][2] + s * m[3][2]);
  *pOut = v;
  return pOut;
}

float C3DMath::TransformDepth(const SVector3* pP, const SMatrix* pM)
{
  SVector3 v;
  return TransformPoint(&v, pP, pM)->z;
}

SVector3* C3DMath::Vec3CrossAlt(SVector3* pOut, const SVector3* pA, const SVector3* pB)
{
  return Vec3Cross(pOut, pA, pB);
}

SVector3* C3DMath::Project(SVector3* pOut, uint32_t uWidth, uint32_t uHeight, const SMatrix* pWorld,
                           const SMatrix* pView, const SMatrix* pProjection, const SVector3* pP)
{
  const float s = m_fDepthSign;
  SVector3 q;
  if (pWorld)
    TransformPoint(&q, pP, pWorld);
  else
  {
    SMatrix identity;
    SetIdentity(&identity);
    TransformPoint(&q, pP, &identity);
    q.z *= s;
  }
  SVector4 c = { q.x, q.y, q.z, 1.0f };
  Vec4Transform(&c, &c, pView);
  Vec4Transform(&c, &c, pProjection);
  if (c.w == 0.0f)
  {
    *pOut = SVector3{ 0.0f, 0.0f, -1.0f };
    return pOut;
  }
  const float w2 = static_cast<float>(uWidth / 2);
  const float h2 = static_cast<float>(uHeight / 2);
  SVector3 v;
  v.x = (s * c.x / c.w + 1.0f) * w2;
  v.y = static_cast<float>(uHeight) - (s * c.y / c.w + 1.0f) * h2;
  v.z = (c.z / c.w + 1.0f) * 0.5f;
  *pOut = v;
  return pOut;
}

SVector3* C3DMath::Unproject(SVector3* pOut, uint32_t uWidth, uint32_t uHeight, const SMatrix* pM,
                             const SVector3* pP)
{
  SVector4 c = { 2.0f * pP->x / static_cast<float>(uWidth) - 1.0f,
                 2.0f * pP->y / static_cast<float>(uHeight) - 1.0f, 2.0f * pP->z - 1.0f, 1.0f };
  Vec4Transform(&c, &c, pM);
  if (c.w == 0.0f)
    *pOut = SVector3{ 0.0f, 0.0f, 0.0f };
  else
    *pOut = SVector3{ c.x / c.w, c.y / c.w, c.z / c.w };
  return pOut;
}

void C3DMath::ClampVector(SVector3* pV, float fMax, float fMin)
{
  float* a[3] = { &pV->x, &pV->y, &pV->z };
  for (float* p : a)
  {
    if (*p < fMin)
      *p = fMin;
    if (*p > fMax)
      *p = fMax;
  }
}

SVector3* C3DMath::ClampVectorCopy(SVector3* pOut, const SVector3* pV, float fMax, float fMin)
{
  *pOut = *pV;
  ClampVector(pOut, fMax, fMin);
  return pOut;
}

SVector3* C3DMath::FlipZ(SVector3* pV)
{
  pV->z *= m_fDepthSign;
  return pV;
}

// Three diameters of the sphere, along x, y and z, are tested against the view volume;
// the first that reaches into it makes the sphere visible.  Positions are mirrored in
// z by the depth sign (as TransformPoint does) and so is the view-space depth, so that
// the volume is the same for both signs: in front of the camera, between near and far.
bool C3DMath::IsSphereVisible(const SMatrix* pView, const SMatrix* pProjection, const SVector3* pCentre,
                              float fRadius)
{
  const float s = m_fDepthSign;
  SMatrix mirror;
  SetIdentity(&mirror);
  mirror.m[2][2] = s;
  SMatrix C;
  Multiply(&C, &mirror, pView);
  Multiply(&C, &C, &mirror);
  Multiply(&C, &C, pProjection);

  const SVector3& c = *pCentre;
  const SVector3 aEnds[3][2] = {
    { { c.x - fRadius, c.y, c.z }, { c.x + fRadius, c.y, c.z } },
    { { c.x, c.y - fRadius, c.z }, { c.x, c.y + fRadius, c.z } },
    { { c.x, c.y, c.z - fRadius }, { c.x, c.y, c.z + fRadius } },
  };
  for (const auto& seg : aEnds)
  {
    if (SegmentInVolume(seg[0], seg[1], C))
      return true;
  }
  return false;
}

SVector4* C3DMath::Vec4Transform(SVector4* pOut, const SVector4* pV, const SMatrix* pM)
{
  const float(*m)[4] = pM->m;
  SVector4 v;
  v.x = pV->x * m[0][0] + pV->y * m[1][0] + pV->z * m[2][0] + pV->w * m[3][0];
  v.y = pV->x * m[0][1] + pV->y * m[1][1] + pV->z * m[2][1] + pV->w * m[3][1];
  v.z = pV->x * m[0][2] + pV->y * m[1][2] + pV->z * m[2][2] + pV->w * m[3][2];
  v.w = pV->x * m[0][3] + pV->y * m[1][3] + pV->z * m[2][3] + pV->w * m[3][3];
  *pOut = v;
  return pOut;
}

SMatrix* C3DMath::IdentityAlt(SMatrix* pM) { return Identity(pM); }

float C3DMath::Determinant(const SMatrix* pM)
{
  const float(*m)[4] = pM->m;
  // Expansion along the first row.
  return m[0][0] * Det3(m[1][1], m[1][2], m[1][3], m[2][1], m[2][2], m[2][3], m[3][1], m[3][2], m[3][3]) -
         m[0][1] * Det3(m[1][0], m[1][2], m[1][3], m[2][0], m[2][2], m[2][3], m[3][0], m[3][2], m[3][3]) +
         m[0][2] * Det3(m[1][0], m[1][1], m[1][3], m[2][0], m[2][1], m[2][3], m[3][0], m[3][1], m[3][3]) -
         m[0][3] * Det3(m[1][0], m[1][1], m[1][2], m[2][0], m[2][1], m[2][2], m[3][0], m[3][1], m[3][2]);
}

SVector3* C3DMath::GetTranslation(SVector3* pOut, const SMatrix* pM)
{
  *pOut = SVector3{ pM->m[3][0], pM->m[3][1], m_fDepthSign * pM->m[3][2] };
  return pOut;
}

void C3DMath::SetTranslation(SMatrix* pM, const SVector3* pV) { SetTranslation(pM, pV->x, pV->y, pV->z); }

void C3DMath::SetTranslation(SMatrix* pM, float x, float y, float z)
{
  pM->m[3][0] = x;
  pM->m[3][1] = y;
  pM->m[3][2] = m_fDepthSign * z;
}

SMatrix* C3DMath::Identity(SMatrix* pM)
{
  SetIdentity(pM);
  return pM;
}

int C3DMath::IsIdentity(const SMatrix* pM)
{
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (pM->m[i][j] != (i == j ? 1.0f : 0.0f))
        return 0;
  return 1;
}

SMatrix* C3DMath::Transpose(SMatrix* pOut, const SMatrix* pM)
{
  SMatrix t;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      t.m[i][j] = pM->m[j][i];
  *pOut = t;
  return pOut;
}

void C3DMath::Multiply(SMatrix* pOut, const SMatrix* pA, const SMatrix* pB)
{
  SMatrix copyA, copyB;
  if (pOut == pA)
  {
    copyA = *pA;
    pA = &copyA;
  }
  if (pOut == pB)
  {
    copyB = *pB;
    pB = &copyB;
  }
  MultiplyRow0(pOut, pA, pB);
  MultiplyRow1(pOut, pA, pB);
  MultiplyRow2(pOut, pA, pB);
  MultiplyRow3(pOut, pA, pB);
}

void C3DMath::Inverse(SMatrix* pOut, float* pReciprocal, const SMatrix* pM)
{
  const SMatrix src = *pM; // the output may be the input
  const float(*m)[4] = src.m;
  float r = 1.0f / Determinant(&src);
  SMatrix o;
  o.m[0][0] = r * (m[1][1] * m[2][2] - m[1][2] * m[2][1]);
  o.m[0][1] = r * (m[2][1] * m[0][2] - m[0][1] * m[2][2]);
  o.m[0][2] = r * (m[0][1] * m[1][2] - m[1][1] * m[0][2]);
  o.m[1][0] = r * (m[1][2] * m[2][0] - m[2][2] * m[1][0]);
  o.m[1][1] = r * (m[0][0] * m[2][2] - m[0][2] * m[2][0]);
  o.m[1][2] = r * (m[0][2] * m[1][0] - m[1][2] * m[0][0]);
  o.m[2][0] = r * (m[2][1] * m[1][0] - m[1][1] * m[2][0]);
  o.m[2][1] = r * (m[0][1] * m[2][0] - m[2][1] * m[0][0]);
  o.m[2][2] = r * (m[1][1] * m[0][0] - m[0][1] * m[1][0]);
  for (int j = 0; j < 3; ++j)
    o.m[3][j] = -(m[3][0] * o.m[0][j] + m[3][1] * o.m[1][j] + m[3][2] * o.m[2][j]);
  for (int i = 0; i < 4; ++i)
    o.m[i][3] = m[i][3];
  *pOut = o;
  if (pReciprocal)
    *pReciprocal = r;
}

void C3DMath::InvertInPlace(SMatrix* pM)
{
  float fScratch;
  Inverse(pM, &fScratch, pM);
}

void C3DMath::NormalizeAxes(SMatrix* pM)
{
  SVector3 z, y, x;
  GetAxisZ(&z, pM);
  GetAxisY(&y, pM);
  GetAxisX(&x, pM);
  auto isZero = [](const SVector3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; };
  if (isZero(z) || isZero(y) || isZero(x))
  {
    x = SVector3{ 1.0f, 0.0f, 0.0f };
    y = SVector3{ 0.0f, 1.0f, 0.0f };
    z = SVector3{ 0.0f, 0.0f, 1.0f };
  }
  else
  {
    Vec3Normalize(&z, &z);
    Vec3Normalize(&y, &y);
    Vec3Normalize(&x, &x);
  }
  SetAxisZ(pM, &z);
  SetAxisY(pM, &y);
  SetAxisX(pM, &x);
}

SVector3* C3DMath::GetScale(SVector3* pOut, const SMatrix* pM)
{
  SVector3 r[3];
  for (int i = 0; i < 3; ++i)
    r[i] = SVector3{ pM->m[i][0], pM->m[i][1], pM->m[i][2] };
  *pOut = SVector3{ Vec3Length(&r[0]), Vec3Length(&r[1]), Vec3Length(&r[2]) };
  return pOut;
}

SMatrix* C3DMath::Scale(SMatrix* pM, float k) { return Scale(pM, k, k, k); }

SMatrix* C3DMath::Scale(SMatrix* pM, const SVector3* pV) { return Scale(pM, pV->x, pV->y, pV->z); }

SMatrix* C3DMath::Scale(SMatrix* pM, float x, float y, float z)
{
  const float k[3] = { x, y, z };
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j)
      pM->m[i][j] *= k[i];
  return pM;
}

SMatrix* C3DMath::TranslateX(SMatrix* pM, float x) { return Translate(pM, x, 0.0f, 0.0f); }
SMatrix* C3DMath::TranslateY(SMatrix* pM, float y) { return Translate(pM, 0.0f, y, 0.0f); }
SMatrix* C3DMath::TranslateZ(SMatrix* pM, float z) { return Translate(pM, 0.0f, 0.0f, z); }

SMatrix* C3DMath::Translate(SMatrix* pM, const SVector3* pV) { return Translate(pM, pV->x, pV->y, pV->z); }

SMatrix* C3DMath::Translate(SMatrix* pM, float x, float y, float z)
{
  // T × M: a move along the object's own axes.
  const float zs = m_fDepthSign * z;
  for (int j = 0; j < 4; ++j)
    pM->m[3][j] += x * pM->m[0][j] + y * pM->m[1][j] + zs * pM->m[2][j];
  return pM;
}

SMatrix* C3DMath::RotateEuler(SMatrix* pM, const SVector3* pAngles)
{
  RotateX(pM, pAngles->x);
  RotateY(pM, pAngles->y);
  RotateZ(pM, pAngles->z);
  return pM;
}

SMatrix* C3DMath::RotateXFast(SMatrix* pM, float a)
{
  float t = m_fDepthSign * a;
  RotateRows(pM, 1, 2, std::cos(t), std::sin(t));
  return pM;
}

SMatrix* C3DMath::RotateYFast(SMatrix* pM, float a)
{
  // R rows (c, 0, −s), (0, 1, 0), (s, 0, c): row 2 gains +s·row 0, row 0 gains −s·row 2.
  float t = m_fDepthSign * a;
  RotateRows(pM, 2, 0, std::cos(t), std::sin(t));
  return pM;
}

SMatrix* C3DMath::RotateZFast(SMatrix* pM, float a)
{
  RotateRows(pM, 0, 1, std::cos(a), std::sin(a));
  return pM;
}

SMatrix* C3DMath::RotateVector(SMatrix* pM, const SVector3* pV)
{
  RotateX(pM, pV->x);
  RotateY(pM, pV->y);
  RotateZ(pM, pV->z);
  return pM;
}

SMatrix* C3DMath::RotateX(SMatrix* pM, float a)
{
  float t = m_fDepthSign * a;
  float c = std::cos(t), sn = std::sin(t);
  SMatrix R;
  SetIdentity(&R);
  R.m[1][1] = c;
  R.m[1][2] = sn;
  R.m[2][1] = -sn;
  R.m[2][2] = c;
  Multiply(pM, &R, pM);
  return pM;
}

SMatrix* C3DMath::RotateY(SMatrix* pM, float a)
{
  float t = m_fDepthSign * a;
  float c = std::cos(t), sn = std::sin(t);
  SMatrix R;
  SetIdentity(&R);
  R.m[0][0] = c;
  R.m[0][2] = -sn;
  R.m[2][0] = sn;
  R.m[2][2] = c;
  Multiply(pM, &R, pM);
  return pM;
}

SMatrix* C3DMath::RotateZ(SMatrix* pM, float a)
{
  float c = std::cos(a), sn = std::sin(a);
  SMatrix R;
  SetIdentity(&R);
  R.m[0][0] = c;
  R.m[0][1] = sn;
  R.m[1][0] = -sn;
  R.m[1][1] = c;
  Multiply(pM, &R, pM);
  return pM;
}

SMatrix* C3DMath::LookAt(SMatrix* pM, const SVector3* pTarget)
{
  const float s = m_fDepthSign;
  SVector3 p = { pM->m[3][0], pM->m[3][1], s * pM->m[3][2] };
  SVector3 f = { pTarget->x - p.x, pTarget->y - p.y, pTarget->z - p.z };
  const SVector3 up = { 0.0f, 1.0f, 0.0f };
  SVector3 r, u;
  Vec3Cross(&r, &up, &f);
  Vec3Cross(&u, &f, &r);
  Vec3Normalize(&f, &f);
  Vec3Normalize(&r, &r);
  Vec3Normalize(&u, &u);
  pM->m[0][0] = r.x;
  pM->m[0][1] = r.y;
  pM->m[0][2] = s * r.z;
  pM->m[1][0] = u.x;
  pM->m[1][1] = u.y;
  pM->m[1][2] = s * u.z;
  pM->m[2][0] = s * f.x;
  pM->m[2][1] = s * f.y;
  pM->m[2][2] = f.z;
  return pM;
}

SMatrix* C3DMath::LookAtAlt(SMatrix* pM, const SVector3* pTarget) { return LookAt(pM, pTarget); }

SMatrix* C3DMath::MultiplyKeepTranslation(SMatrix* pM, const SMatrix* pB)
{
  SVector3 t;
  GetTranslation(&t, pM);
  Multiply(pM, pM, pB);
  SetTranslation(pM, &t);
  return pM;
}

SMatrix* C3DMath::PerspectiveFovRH(SMatrix* pOut, float fFov, float fAspect, float fNear, float fFar)
{
  float c = 1.0f / std::tan(fFov / 2.0f);
  SetIdentity(pOut);
  pOut->m[0][0] = c / fAspect;
  pOut->m[1][1] = c;
  pOut->m[2][2] = fFar / (fNear - fFar);
  pOut->m[2][3] = -1.0f;
  pOut->m[3][2] = fNear * fFar / (fNear - fFar);
  pOut->m[3][3] = 0.0f;
  return pOut;
}

SMatrix* C3DMath::PerspectiveFovLH(SMatrix* pOut, float fFov, float fAspect, float fNear, float fFar)
{
  float c = 1.0f / std::tan(fFov / 2.0f);
  SetIdentity(pOut);
  pOut->m[0][0] = c / fAspect;
  pOut->m[1][1] = c;
  pOut->m[2][2] = fFar / (fFar - fNear);
  pOut->m[2][3] = 1.0f;
  pOut->m[3][2] = -fNear * fFar / (fFar - fNear);
  pOut->m[3][3] = 0.0f;
  return pOut;
}

ZRESULT C3DMath::TextureProjection(SMatrix* pOutA, SMatrix* pOutB, float fWidth, float fHeight)
{
  SetIdentity(pOutA);
  pOutA->m[0][0] = 0.49382713f;
  pOutA->m[1][1] = 0.42735043f;
  pOutA->m[2][2] = 0.5f;
  pOutA->m[3][0] = -0.0098765334f;
  pOutA->m[3][1] = 0.94658118f;
  pOutA->m[3][2] = 0.5f;
  SetIdentity(pOutB);
  pOutB->m[0][0] = fWidth;
  pOutB->m[1][1] = -fHeight;
  pOutB->m[3][0] = 0.0f;
  pOutB->m[3][1] = fHeight;
  return ZP_OK;
}

SVector3* C3DMath::GetAxisZ(SVector3* pOut, const SMatrix* pM)
{
  *pOut = SVector3{ pM->m[2][0], pM->m[2][1], m_fDepthSign * pM->m[2][2] };
  return pOut;
}

SVector3* C3DMath::GetAxisY(SVector3* pOut, const SMatrix* pM)
{
  *pOut = SVector3{ pM->m[1][0], pM->m[1][1], m_fDepthSign * pM->m[1][2] };
  return pOut;
}

SVector3* C3DMath::GetAxisX(SVector3* pOut, const SMatrix* pM)
{
  *pOut = SVector3{ pM->m[0][0], pM->m[0][1], m_fDepthSign * pM->m[0][2] };
  return pOut;
}

void C3DMath::SetAxisZ(SMatrix* pM, const SVector3* pV)
{
  pM->m[2][0] = pV->x;
  pM->m[2][1] = pV->y;
  pM->m[2][2] = m_fDepthSign * pV->z;
}

void C3DMath::SetAxisY(SMatrix* pM, const SVector3* pV)
{
  pM->m[1][0] = pV->x;
  pM->m[1][1] = pV->y;
  pM->m[1][2] = m_fDepthSign * pV->z;
}

void C3DMath::SetAxisX(SMatrix* pM, const SVector3* pV)
{
  pM->m[0][0] = pV->x;
  pM->m[0][1] = pV->y;
  pM->m[0][2] = m_fDepthSign * pV->z;
}

void C3DMath::GetEulerAngles(const SMatrix* pM, float* pX, float* pY, float* pZ)
{
  SMatrix M = *pM;
  M.m[3][0] = M.m[3][1] = M.m[3][2] = 0.0f;

  SVector3 z;
  GetAxisZ(&z, &M);
  Vec3Normalize(&z, &z);
  float fY = std::atan(z.x / z.z);
  if (z.z < 0.0f)
    fY += (z.x > 0.0f) ? PI_F : -PI_F;

  SMatrix R;
  SetIdentity(&R);
  RotateYFast(&R, -fY);

  SVector3 y, t;
  GetAxisY(&y, &M);
  Vec3Normalize(&y, &y);
  TransformPoint(&t, &y, &R);
  float fX = std::atan(t.z / t.y);

  SVector3 x;
  GetAxisX(&x, &M);
  Vec3Normalize(&x, &x);
  TransformPoint(&t, &x, &R);
  float a = std::atan(t.x / t.y);
  if (t.y < 0.0f)
    a += PI_F;
  float fZ = HALF_PI_F - a;

  if (pX)
    *pX = fX;
  if (pY)
    *pY = fY;
  if (pZ)
    *pZ = fZ;
}

SVector3* C3DMath::GetEulerAngles(SVector3* pOut, const SMatrix* pM)
{
  float x, y, z;
  GetEulerAngles(pM, &x, &y, &z);
  *pOut = SVector3{ x, y, z };
  return pOut;
}

ZRESULT C3DMath::TriangleFacing(const SVector3* pA, const SVector3* pB, const SVector3* pC, const void*,
                                int iMode)
{
  if (iMode == 0)
    return ZP_OK;
  SVector3 ab = { pA->x - pB->x, pA->y - pB->y, pA->z - pB->z };
  SVector3 ac = { pA->x - pC->x, pA->y - pC->y, pA->z - pC->z };
  SVector3 n;
  Vec3Cross(&n, &ab, &ac);
  float d = n.z;
  if (iMode == 2)
    return d > 0.0f ? ZP_FAIL : ZP_OK;
  return d > 0.0f ? ZP_OK : ZP_FAIL;
}

void C3DMath::MultiplyRow0(SMatrix* pOut, const SMatrix* pA, const SMatrix* pB)
{
  RowTimes(pOut->m[0], pA->m[0], pB);
}
void C3DMath::MultiplyRow1(SMatrix* pOut, const SMatrix* pA, const SMatrix* pB)
{
  RowTimes(pOut->m[1], pA->m[1], pB);
}
void C3DMath::MultiplyRow2(SMatrix* pOut, const SMatrix* pA, const SMatrix* pB)
{
  RowTimes(pOut->m[2], pA->m[2], pB);
}
void C3DMath::MultiplyRow3(SMatrix* pOut, const SMatrix* pA, const SMatrix* pB)
{
  RowTimes(pOut->m[3], pA->m[3], pB);
}
