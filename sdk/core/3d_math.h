#pragma once

#include "sdk/core/result.h"

#include <cstdint>

// Vectors and matrices of the engine.  Matrices are stored row by row; points are row
// vectors multiplied on the left (p' = p x M), rows 0..2 are the object's x, y and z
// axes and row 3 (m[3][0..2]) its translation.  A x B applies A first, then B.
struct SVector2
{
  float x, y;
};

struct SVector3
{
  float x, y, z;
};

struct SVector4
{
  float x, y, z, w;
};

struct SMatrix
{
  float m[4][4];
};

// All vector and matrix arithmetic of the engine and the scene.  The operations are
// virtual, in a fixed slot order, so that a platform could supply its own.  The one
// piece of state is the depth sign s: +1 for the engine's native left-handed depth,
// -1 for platforms that mirror z (OpenGL).  Every operation that reads or writes the
// z of a position, an axis or a translation, and every rotation about x or y, applies
// it.  No operation guards a division by zero.
//
// Where two slots share one signature, the second gets a distinct name:
//   slot 11 Vec3CrossAlt, slot 19 IdentityAlt, slot 49 LookAtAlt,
//   slots 35..37 TranslateX/Y/Z, slots 41..43 RotateXFast/YFast/ZFast (only the two
//   rows that change are computed), slots 54..56 GetAxisZ/Y/X, 57..59 SetAxisZ/Y/X,
//   slots 63..66 MultiplyRow0..3.
class C3DMath
{
public:
  C3DMath();
  virtual ~C3DMath(); // 0

  virtual ZRESULT SetDepthSign(float fValue);                                          // 1
  virtual ZRESULT Release();                                                           // 2: no operation, 0
  virtual SVector2* Vec2Normalize(SVector2* pOut, const SVector2* pV);                 // 3
  virtual float Vec2Length(const SVector2* pV);                                        // 4
  virtual SVector3* Vec3Cross(SVector3* pOut, const SVector3* pA, const SVector3* pB); // 5
  virtual float Vec3Dot(const SVector3* pA, const SVector3* pB);                       // 6
  virtual SVector3* Vec3Normalize(SVector3* pOut, const SVector3* pV);                 // 7
  virtual float Vec3Length(const SVector3* pV);                                        // 8
  virtual SVector3* TransformPoint(SVector3* pOut, const SVector3* pP, const SMatrix* pM); // 9
  virtual float TransformDepth(const SVector3* pP, const SMatrix* pM);                     // 10
  virtual SVector3* Vec3CrossAlt(SVector3* pOut, const SVector3* pA, const SVector3* pB);  // 11
  // Window pixels (origin top-left, y down) and depth 0..1; pWorld may be null.
  virtual SVector3* Project(SVector3* pOut, uint32_t uWidth, uint32_t uHeight, const SMatrix* pWorld,
                            const SMatrix* pView, const SMatrix* pProjection, const SVector3* pP); // 12
  virtual SVector3* Unproject(SVector3* pOut, uint32_t uWidth, uint32_t uHeight, const SMatrix* pM,
                              const SVector3* pP);                                               // 13
  virtual void ClampVector(SVector3* pV, float fMax, float fMin);                                // 14
  virtual SVector3* ClampVectorCopy(SVector3* pOut, const SVector3* pV, float fMax, float fMin); // 15
  virtual SVector3* FlipZ(SVector3* pV);                                                         // 16
  virtual bool IsSphereVisible(const SMatrix* pView, const SMatrix* pProjection, const SVector3* pCentre,
                               float fRadius);                                                          // 17
  virtual SVector4* Vec4Transform(SVector4* pOut, const SVector4* pV, const SMatrix* pM);               // 18
  virtual SMatrix* IdentityAlt(SMatrix* pM);                                                            // 19
  virtual float Determinant(const SMatrix* pM);                                                         // 20
  virtual SVector3* GetTranslation(SVector3* pOut, const SMatrix* pM);                                  // 21
  virtual void SetTranslation(SMatrix* pM, const SVector3* pV);                                         // 22
  virtual void SetTranslation(SMatrix* pM, float x, float y, float z);                                  // 23
  virtual SMatrix* Identity(SMatrix* pM);                                                               // 24
  virtual int IsIdentity(const SMatrix* pM);                                                            // 25
  virtual SMatrix* Transpose(SMatrix* pOut, const SMatrix* pM);                                         // 26
  virtual void Multiply(SMatrix* pOut, const SMatrix* pA, const SMatrix* pB);                           // 27
  virtual void Inverse(SMatrix* pOut, float* pReciprocal, const SMatrix* pM);                           // 28
  virtual void InvertInPlace(SMatrix* pM);                                                              // 29
  virtual void NormalizeAxes(SMatrix* pM);                                                              // 30
  virtual SVector3* GetScale(SVector3* pOut, const SMatrix* pM);                                        // 31
  virtual SMatrix* Scale(SMatrix* pM, float k);                                                         // 32
  virtual SMatrix* Scale(SMatrix* pM, const SVector3* pV);                                              // 33
  virtual SMatrix* Scale(SMatrix* pM, float x, float y, float z);                                       // 34
  virtual SMatrix* TranslateX(SMatrix* pM, float x);                                                    // 35
  virtual SMatrix* TranslateY(SMatrix* pM, float y);                                                    // 36
  virtual SMatrix* TranslateZ(SMatrix* pM, float z);                                                    // 37
  virtual SMatrix* Translate(SMatrix* pM, const SVector3* pV);                                          // 38
  virtual SMatrix* Translate(SMatrix* pM, float x, float y, float z);                                   // 39
  virtual SMatrix* RotateEuler(SMatrix* pM, const SVector3* pAngles);                                   // 40
  virtual SMatrix* RotateXFast(SMatrix* pM, float a);                                                   // 41
  virtual SMatrix* RotateYFast(SMatrix* pM, float a);                                                   // 42
  virtual SMatrix* RotateZFast(SMatrix* pM, float a);                                                   // 43
  virtual SMatrix* RotateVector(SMatrix* pM, const SVector3* pV);                                       // 44
  virtual SMatrix* RotateX(SMatrix* pM, float a);                                                       // 45
  virtual SMatrix* RotateY(SMatrix* pM, float a);                                                       // 46
  virtual SMatrix* RotateZ(SMatrix* pM, float a);                                                       // 47
  virtual SMatrix* LookAt(SMatrix* pM, const SVector3* pTarget);                                        // 48
  virtual SMatrix* LookAtAlt(SMatrix* pM, const SVector3* pTarget);                                     // 49
  virtual SMatrix* MultiplyKeepTranslation(SMatrix* pM, const SMatrix* pB);                             // 50
  virtual SMatrix* PerspectiveFovRH(SMatrix* pOut, float fFov, float fAspect, float fNear, float fFar); // 51
  virtual SMatrix* PerspectiveFovLH(SMatrix* pOut, float fFov, float fAspect, float fNear, float fFar); // 52
  virtual ZRESULT TextureProjection(SMatrix* pOutA, SMatrix* pOutB, float fWidth, float fHeight);       // 53
  virtual SVector3* GetAxisZ(SVector3* pOut, const SMatrix* pM);                                        // 54
  virtual SVector3* GetAxisY(SVector3* pOut, const SMatrix* pM);                                        // 55
  virtual SVector3* GetAxisX(SVector3* pOut, const SMatrix* pM);                                        // 56
  virtual void SetAxisZ(SMatrix* pM, const SVector3* pV);                                               // 57
  virtual void SetAxisY(SMatrix* pM, const SVector3* pV);                                               // 58
  virtual void SetAxisX(SMatrix* pM, const SVector3* pV);                                               // 59
  virtual void GetEulerAngles(const SMatrix* pM, float* pX, float* pY, float* pZ);                      // 60
  virtual SVector3* GetEulerAngles(SVector3* pOut, const SMatrix* pM);                                  // 61
  // 0 when the triangle faces as the mode asks, else ZP_FAIL; mode 0 always 0.
  virtual ZRESULT TriangleFacing(const SVector3* pA, const SVector3* pB, const SVector3* pC,
                                 const void* pIgnored, int iMode);                // 62
  virtual void MultiplyRow0(SMatrix* pOut, const SMatrix* pA, const SMatrix* pB); // 63
  virtual void MultiplyRow1(SMatrix* pOut, const SMatrix* pA, const SMatrix* pB); // 64
  virtual void MultiplyRow2(SMatrix* pOut, const SMatrix* pA, const SMatrix* pB); // 65
  virtual void MultiplyRow3(SMatrix* pOut, const SMatrix* pA, const SMatrix* pB); // 66

  float GetDepthSign() const { return m_fDepthSign; }

protected:
  float m_fDepthSign;
};
