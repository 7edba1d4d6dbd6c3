#include "sdk/core/3d_math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr float kPi = 3.14159265f;

SMatrix Identity()
{
  SMatrix m = {};
  m.m[0][0] = m.m[1][1] = m.m[2][2] = m.m[3][3] = 1.0f;
  return m;
}

SMatrix Rows(std::initializer_list<float> v)
{
  SMatrix m;
  auto it = v.begin();
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      m.m[i][j] = *it++;
  return m;
}

void ExpectMatrixNear(const SMatrix& a, const SMatrix& b, float tol = 1e-5f)
{
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(a.m[i][j], b.m[i][j], tol) << "element " << i << "," << j;
}

void ExpectVecNear(const SVector3& v, float x, float y, float z, float tol = 1e-5f)
{
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

struct MathWithSign : ::testing::TestWithParam<float>
{
  C3DMath math;
  void SetUp() override { math.SetDepthSign(GetParam()); }
  float s() const { return GetParam(); }
};
} // namespace

TEST(Math, Vectors)
{
  C3DMath math;
  SVector2 v2 = { 3, 4 };
  EXPECT_FLOAT_EQ(math.Vec2Length(&v2), 5.0f);
  math.Vec2Normalize(&v2, &v2);
  EXPECT_FLOAT_EQ(v2.x, 0.6f);
  EXPECT_FLOAT_EQ(v2.y, 0.8f);

  SVector3 a = { 1, 0, 0 }, b = { 0, 1, 0 }, out;
  ExpectVecNear(*math.Vec3Cross(&out, &a, &b), 0, 0, 1);
  ExpectVecNear(*math.Vec3CrossAlt(&out, &b, &a), 0, 0, -1);
  SVector3 c = { 2, 3, 4 }, d = { 5, 6, 7 };
  EXPECT_FLOAT_EQ(math.Vec3Dot(&c, &d), 56.0f);
  ExpectVecNear(*math.Vec3Cross(&out, &c, &d), -3, 6, -3);
  // The output may be an input.
  math.Vec3Cross(&c, &c, &d);
  ExpectVecNear(c, -3, 6, -3);
  SVector3 e = { 0, 3, 4 };
  EXPECT_FLOAT_EQ(math.Vec3Length(&e), 5.0f);
  ExpectVecNear(*math.Vec3Normalize(&out, &e), 0, 0.6f, 0.8f);

  SVector3 v = { -5, 0.5f, 9 };
  math.ClampVector(&v, 1.0f, 0.0f);
  ExpectVecNear(v, 0, 0.5f, 1);
  SVector3 w = { -5, 0.5f, 9 };
  ExpectVecNear(*math.ClampVectorCopy(&out, &w, 2.0f, -1.0f), -1, 0.5f, 2);
  ExpectVecNear(w, -5, 0.5f, 9);
}

TEST(Math, DepthSignOnTranslation)
{
  C3DMath math;
  math.SetDepthSign(-1.0f);
  SMatrix m = Identity();
  SVector3 t = { 1, 2, 3 }, out;
  math.SetTranslation(&m, &t);
  EXPECT_EQ(m.m[3][2], -3.0f);
  ExpectVecNear(*math.GetTranslation(&out, &m), 1, 2, 3);
  SVector3 z = { 0, 0, 5 };
  ExpectVecNear(*math.FlipZ(&z), 0, 0, -5);

  SMatrix a = Identity();
  math.Translate(&a, 0, 0, 10);
  EXPECT_EQ(a.m[3][2], -10.0f);
  math.SetDepthSign(1.0f);
  SMatrix b = Identity();
  math.TranslateZ(&b, 10);
  EXPECT_EQ(b.m[3][2], 10.0f);
}

TEST(Math, TranslateMovesAlongOwnAxes)
{
  C3DMath math;
  // Axes: x -> (0,1,0), y -> (-1,0,0), z -> (0,0,1); at (10,20,30).
  SMatrix m = Rows({ 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1 });
  math.TranslateX(&m, 2);
  SVector3 t;
  ExpectVecNear(*math.GetTranslation(&t, &m), 10, 22, 30);
  math.TranslateY(&m, 3);
  ExpectVecNear(*math.GetTranslation(&t, &m), 7, 22, 30);
  SVector3 v = { 1, 1, 1 };
  math.Translate(&m, &v);
  ExpectVecNear(*math.GetTranslation(&t, &m), 6, 23, 31);
}

TEST(Math, IdentityAndTranspose)
{
  C3DMath math;
  SMatrix m;
  math.Identity(&m);
  EXPECT_EQ(math.IsIdentity(&m), 1);
  m.m[2][1] = 1e-30f;
  EXPECT_EQ(math.IsIdentity(&m), 0);
  math.IdentityAlt(&m);
  EXPECT_EQ(math.IsIdentity(&m), 1);
  m.m[3][3] = 1.0000001f;
  EXPECT_EQ(math.IsIdentity(&m), 0);

  SMatrix a = Rows({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16 });
  math.Transpose(&a, &a);
  ExpectMatrixNear(a, Rows({ 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16 }));
}

TEST(Math, MultiplyAndAliasing)
{
  C3DMath math;
  SMatrix a = Rows({ 1, 2, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 0, 0, 1 });
  SMatrix b = Rows({ 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1 });
  // Hand-computed a × b.
  SMatrix expected = Rows({ -2, 1, 0, 0, -1, 0, 0, 0, 0, 0, 2, 0, 0, 3, 0, 1 });
  SMatrix out;
  math.Multiply(&out, &a, &b);
  ExpectMatrixNear(out, expected);
  SMatrix a2 = a;
  math.Multiply(&a2, &a2, &b);
  ExpectMatrixNear(a2, expected);
  SMatrix b2 = b;
  math.Multiply(&b2, &a, &b2);
  ExpectMatrixNear(b2, expected);
  SMatrix row = Identity();
  math.MultiplyRow3(&row, &a, &b);
  EXPECT_FLOAT_EQ(row.m[3][1], 3.0f);
  EXPECT_FLOAT_EQ(row.m[0][0], 1.0f); // other rows untouched

  // Points are row vectors: the translation of a applies after its axes.
  SVector4 p = { 1, 1, 1, 1 }, q;
  math.Vec4Transform(&q, &p, &a);
  EXPECT_FLOAT_EQ(q.x, 4);
  EXPECT_FLOAT_EQ(q.y, 3);
  EXPECT_FLOAT_EQ(q.z, 1);
  EXPECT_FLOAT_EQ(q.w, 1);
}

TEST(Math, DeterminantAndInverse)
{
  C3DMath math;
  SMatrix d = Rows({ 2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 5 });
  EXPECT_FLOAT_EQ(math.Determinant(&d), 120.0f);
  SMatrix full = Rows({ 1, 2, 3, 4, 0, 1, 0, 2, 1, 0, 1, 0, 2, 1, 0, 1 });
  EXPECT_NEAR(math.Determinant(&full), 2.0f, 1e-5f); // by cofactor expansion on paper

  // Affine: rotation of 90° about z, scale 2, translation (1, 2, 3).
  SMatrix m = Rows({ 0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1 });
  SMatrix inv;
  float r = 0;
  math.Inverse(&inv, &r, &m);
  EXPECT_FLOAT_EQ(r, 1.0f / 8.0f);
  SMatrix expected = Rows({ 0, -0.5f, 0, 0, 0.5f, 0, 0, 0, 0, 0, 0.5f, 0, -1, 0.5f, -1.5f, 1 });
  ExpectMatrixNear(inv, expected);
  SMatrix prod;
  math.Multiply(&prod, &m, &inv);
  ExpectMatrixNear(prod, Identity());
  math.InvertInPlace(&m);
  ExpectMatrixNear(m, expected);
  // The fourth column is copied as it is.
  SMatrix odd = Identity();
  odd.m[0][3] = 7;
  math.InvertInPlace(&odd);
  EXPECT_EQ(odd.m[0][3], 7);
}

TEST(Math, ScaleAndAxes)
{
  C3DMath math;
  SMatrix m = Identity();
  m.m[3][0] = 5;
  math.Scale(&m, 2, 3, 4);
  SVector3 sc;
  ExpectVecNear(*math.GetScale(&sc, &m), 2, 3, 4);
  EXPECT_EQ(m.m[3][0], 5); // S × M leaves the translation
  math.Scale(&m, 0.5f);
  ExpectVecNear(*math.GetScale(&sc, &m), 1, 1.5f, 2);

  math.SetDepthSign(-1);
  SMatrix a = Identity();
  SVector3 v = { 1, 2, 3 }, out;
  math.SetAxisX(&a, &v);
  EXPECT_EQ(a.m[0][2], -3);
  ExpectVecNear(*math.GetAxisX(&out, &a), 1, 2, 3);
  math.SetAxisY(&a, &v);
  EXPECT_EQ(a.m[1][2], -3);
  math.SetAxisZ(&a, &v);
  EXPECT_EQ(a.m[2][2], -3);
  ExpectVecNear(*math.GetAxisZ(&out, &a), 1, 2, 3);
  ExpectVecNear(*math.GetAxisY(&out, &a), 1, 2, 3);
}

TEST(Math, NormalizeAxes)
{
  C3DMath math;
  SMatrix m = Rows({ 3, 0, 4, 0, 0, 2, 0, 0, 0, 0, 5, 0, 7, 8, 9, 1 });
  math.NormalizeAxes(&m);
  ExpectMatrixNear(m, Rows({ 0.6f, 0, 0.8f, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1 }));
  SMatrix z = Rows({ 3, 1, 1, 0, 0, 0, 0, 0, 1, 2, 5, 0, 7, 8, 9, 1 });
  math.NormalizeAxes(&z);
  ExpectMatrixNear(z, Rows({ 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1 }));
}

TEST_P(MathWithSign, RotationsFastAndFullAgree)
{
  SMatrix base = Rows({ 1, 2, 3, 0.5f, 4, 5, 6, 0.25f, 7, 8, 9, 0, 10, 11, 12, 1 });
  for (float a : { 0.3f, -1.2f, 2.9f })
  {
    SMatrix f = base, g = base;
    math.RotateX(&f, a);
    math.RotateXFast(&g, a);
    ExpectMatrixNear(f, g, 1e-4f);
    f = g = base;
    math.RotateY(&f, a);
    math.RotateYFast(&g, a);
    ExpectMatrixNear(f, g, 1e-4f);
    f = g = base;
    math.RotateZ(&f, a);
    math.RotateZFast(&g, a);
    ExpectMatrixNear(f, g, 1e-4f);
  }
}

TEST_P(MathWithSign, QuarterTurns)
{
  // Hand-computed: the rows a quarter turn gives for each axis.
  SMatrix m;
  math.Identity(&m);
  math.RotateZ(&m, kPi / 2);
  ExpectMatrixNear(m, Rows({ 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 })); // same for both signs
  math.Identity(&m);
  math.RotateX(&m, kPi / 2);
  ExpectMatrixNear(m, Rows({ 1, 0, 0, 0, 0, 0, s(), 0, 0, -s(), 0, 0, 0, 0, 0, 1 }));
  math.Identity(&m);
  math.RotateY(&m, kPi / 2);
  ExpectMatrixNear(m, Rows({ 0, 0, -s(), 0, 0, 1, 0, 0, s(), 0, 0, 0, 0, 0, 0, 1 }));
}

TEST_P(MathWithSign, StarPlacement)
{
  // Identity, RotateX(decl), RotateY(ra), Translate along z by 10: the point (0,0,10)
  // turned first by the right-ascension rotation about y, then by the declination about x.
  SMatrix m;
  math.Identity(&m);
  math.RotateX(&m, 0.0f);
  math.RotateY(&m, kPi / 2);
  math.TranslateZ(&m, 10);
  SVector3 t;
  math.GetTranslation(&t, &m);
  // With s = +1, a quarter turn about y takes (0,0,10) to (10,0,0); mirrored for -1.
  ExpectVecNear(t, 10, 0, 0, 1e-4f);

  math.Identity(&m);
  math.RotateX(&m, kPi / 2);
  math.TranslateZ(&m, 10);
  math.GetTranslation(&t, &m);
  ExpectVecNear(t, 0, -10, 0, 1e-4f);
}

TEST_P(MathWithSign, RotateEulerEqualsSequence)
{
  SVector3 angles = { 0.4f, -0.7f, 1.1f };
  SMatrix a, b, c;
  math.Identity(&a);
  a.m[3][0] = 3;
  b = c = a;
  math.RotateEuler(&a, &angles);
  math.RotateVector(&b, &angles);
  math.RotateX(&c, angles.x);
  math.RotateY(&c, angles.y);
  math.RotateZ(&c, angles.z);
  ExpectMatrixNear(a, c);
  ExpectMatrixNear(b, c);
}

TEST_P(MathWithSign, TransformPoint)
{
  SMatrix m = Rows({ 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 2, 0, 10, 20, 30, 1 });
  math.SetTranslation(&m, 10, 20, 30); // stored with the sign
  SVector3 p = { 1, 2, 3 }, out;
  // Turned axes map (1,2,3) to (-2, 1, 6) in user space; the stored translation row
  // (10, 20, s·30) is then added as stored, so the depth gets s·30 (what Project needs
  // to move a point into the mirrored space): 36 for s = +1, 6 - 30 for s = -1.
  const float depth = s() > 0 ? 36.0f : -24.0f;
  ExpectVecNear(*math.TransformPoint(&out, &p, &m), 8, 21, depth);
  EXPECT_FLOAT_EQ(math.TransformDepth(&p, &m), depth);
}

TEST_P(MathWithSign, LookAtFacesTarget)
{
  SMatrix m;
  math.Identity(&m);
  math.SetTranslation(&m, 0, 0, -10);
  m.m[0][3] = 0.25f; // the fourth column stays
  SVector3 target = { 10, 0, -10 };
  math.LookAt(&m, &target);
  SVector3 z, y, x, t;
  // Looking along +x from (0,0,-10): z axis (1,0,0), up (0,1,0), right = up × f = (0,0,-1).
  ExpectVecNear(*math.GetAxisZ(&z, &m), s() * 1, 0, 0);
  ExpectVecNear(*math.GetAxisY(&y, &m), 0, 1, 0);
  ExpectVecNear(*math.GetAxisX(&x, &m), 0, 0, -1);
  ExpectVecNear(*math.GetTranslation(&t, &m), 0, 0, -10);
  EXPECT_EQ(m.m[0][3], 0.25f);
  SMatrix n = m;
  math.LookAtAlt(&n, &target);
  ExpectMatrixNear(n, m);
}

TEST_P(MathWithSign, MultiplyKeepTranslation)
{
  SMatrix m;
  math.Identity(&m);
  math.SetTranslation(&m, 1, 2, 3);
  SMatrix b;
  math.Identity(&b);
  math.RotateZ(&b, kPi / 2);
  b.m[3][0] = 100;
  math.MultiplyKeepTranslation(&m, &b);
  SVector3 t;
  ExpectVecNear(*math.GetTranslation(&t, &m), 1, 2, 3);
  EXPECT_NEAR(m.m[0][1], 1, 1e-6f);
}

INSTANTIATE_TEST_SUITE_P(BothSigns, MathWithSign, ::testing::Values(1.0f, -1.0f));

TEST(Math, PerspectiveMatrices)
{
  C3DMath math;
  SMatrix p;
  math.PerspectiveFovLH(&p, 45.0f * 0.017453292522222223f, 800.0f / 600.0f, 1.0f, 50000.0f);
  EXPECT_NEAR(p.m[1][1], 2.4142f, 1e-4f);
  EXPECT_NEAR(p.m[0][0], 1.8107f, 1e-4f);
  EXPECT_NEAR(p.m[2][2], 1.00002f, 1e-5f);
  EXPECT_NEAR(p.m[3][2], -1.00002f, 1e-5f);
  EXPECT_EQ(p.m[2][3], 1.0f);
  EXPECT_EQ(p.m[3][3], 0.0f);
  EXPECT_EQ(p.m[0][1], 0.0f);

  math.PerspectiveFovRH(&p, kPi / 2, 2.0f, 1.0f, 3.0f);
  EXPECT_NEAR(p.m[0][0], 0.5f, 1e-6f);
  EXPECT_NEAR(p.m[1][1], 1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(p.m[2][2], -1.5f);
  EXPECT_FLOAT_EQ(p.m[3][2], -1.5f);
  EXPECT_EQ(p.m[2][3], -1.0f);
  EXPECT_EQ(p.m[3][3], 0.0f);

  SMatrix a, b;
  EXPECT_EQ(math.TextureProjection(&a, &b, 256, 128), ZP_OK);
  EXPECT_FLOAT_EQ(a.m[3][1], 0.94658118f);
  EXPECT_FLOAT_EQ(b.m[1][1], -128);
  EXPECT_FLOAT_EQ(b.m[3][1], 128);
}

TEST(Math, ProjectAndUnproject)
{
  C3DMath math;
  SMatrix view, proj;
  math.Identity(&view);
  math.PerspectiveFovLH(&proj, kPi / 2, 1.0f, 1.0f, 100.0f);
  SVector3 p = { 0, 0, 10 }, out;
  math.Project(&out, 800, 600, nullptr, &view, &proj, &p);
  EXPECT_NEAR(out.x, 400, 1e-3f);
  EXPECT_NEAR(out.y, 300, 1e-3f);
  // On the edge of a 90° view: x = z goes to the right border, y = z to the top.
  SVector3 q = { 10, 10, 10 };
  math.Project(&out, 800, 600, nullptr, &view, &proj, &q);
  EXPECT_NEAR(out.x, 800, 1e-3f);
  EXPECT_NEAR(out.y, 0, 1e-3f);
  // w = 0: (0, 0, -1).
  SVector3 r = { 1, 1, 0 };
  math.Project(&out, 800, 600, nullptr, &view, &proj, &r);
  ExpectVecNear(out, 0, 0, -1);
  // Odd sizes use integer halves.
  math.Project(&out, 801, 601, nullptr, &view, &proj, &p);
  EXPECT_NEAR(out.x, 400, 1e-3f);
  EXPECT_NEAR(out.y, 301, 1e-3f);

  SMatrix id;
  math.Identity(&id);
  SVector3 s = { 600, 150, 0.75f };
  math.Unproject(&out, 800, 600, &id, &s);
  ExpectVecNear(out, 0.5f, -0.5f, 0.5f);
  SMatrix zeroW = id;
  zeroW.m[3][3] = 0;
  SVector3 o = { 400, 300, 0.5f };
  math.Unproject(&out, 800, 600, &zeroW, &o);
  ExpectVecNear(out, 0, 0, 0);
}

TEST(Math, ProjectPointStraightAheadOfAPlacedCamera)
{
  // A camera placed with the library's own operations, looking at a point 10 ahead:
  // the point lands in the window's centre whatever the depth sign.  With s = +1 the
  // depth is the projection's: near 1, far 100 give (100 / 99 * (1 - 1 / 10) + 1) / 2.
  // (With s = -1 the view looks down -z, w is negative and the depth leaves [0, 1].)
  for (float sign : { 1.0f, -1.0f })
  {
    C3DMath math;
    math.SetDepthSign(sign);
    SMatrix cam, view, proj;
    math.Identity(&cam);
    math.SetTranslation(&cam, 5, -3, 20);
    SVector3 target = { 5, -3, 30 }, out;
    math.LookAt(&cam, &target);
    view = cam;
    math.InvertInPlace(&view);
    math.PerspectiveFovLH(&proj, 45.0f * 0.017453292522222223f, 800.0f / 600.0f, 1.0f, 100.0f);
    math.Project(&out, 800, 600, nullptr, &view, &proj, &target);
    EXPECT_NEAR(out.x, 400, 1e-2f) << sign;
    EXPECT_NEAR(out.y, 300, 1e-2f) << sign;
    if (sign > 0)
    {
      EXPECT_NEAR(out.z, (100.0f / 99.0f * 0.9f + 1.0f) * 0.5f, 1e-5f);
    }
    // Through a world matrix that carries the point: the same place.
    SMatrix world;
    math.Identity(&world);
    math.SetTranslation(&world, &target);
    SVector3 origin = { 0, 0, 0 };
    math.Project(&out, 800, 600, &world, &view, &proj, &origin);
    EXPECT_NEAR(out.x, 400, 1e-2f) << sign;
    EXPECT_NEAR(out.y, 300, 1e-2f) << sign;
  }
}

TEST(Math, ProjectMirroredCameraKeepsScreenSides)
{
  // With the mirrored depth, a camera built with the library's own operations still
  // sees a point on its right on the right half of the screen.
  C3DMath math;
  math.SetDepthSign(-1.0f);
  SMatrix cam, view, proj;
  math.Identity(&cam);
  math.SetTranslation(&cam, 0, 0, -50);
  SVector3 origin = { 0, 0, 0 };
  math.LookAt(&cam, &origin);
  view = cam;
  math.InvertInPlace(&view);
  math.PerspectiveFovLH(&proj, kPi / 2, 1.0f, 1.0f, 1000.0f);
  SVector3 right = { 10, 5, 0 }, out;
  math.Project(&out, 800, 800, nullptr, &view, &proj, &right);
  EXPECT_GT(out.x, 400);
  EXPECT_LT(out.y, 400);
}

TEST(Math, TriangleFacing)
{
  C3DMath math;
  SVector3 a = { 0, 0, 0 }, b = { 1, 0, 0 }, c = { 0, 1, 0 };
  // (a - b) × (a - c) = (-1,0,0) × (0,-1,0) = (0,0,1): d > 0.
  EXPECT_EQ(math.TriangleFacing(&a, &b, &c, nullptr, 1), ZP_OK);
  EXPECT_EQ(math.TriangleFacing(&a, &b, &c, nullptr, 2), ZP_FAIL);
  EXPECT_EQ(math.TriangleFacing(&a, &c, &b, nullptr, 1), ZP_FAIL);
  EXPECT_EQ(math.TriangleFacing(&a, &c, &b, nullptr, 2), ZP_OK);
  EXPECT_EQ(math.TriangleFacing(&a, &c, &b, nullptr, 0), ZP_OK);
  // Edge-on: normal z = 0 fails in mode 1, passes in mode 2.
  SVector3 e = { 0, 0, 1 };
  EXPECT_EQ(math.TriangleFacing(&a, &b, &e, nullptr, 1), ZP_FAIL);
  EXPECT_EQ(math.TriangleFacing(&a, &b, &e, nullptr, 2), ZP_OK);
  EXPECT_EQ(math.TriangleFacing(&a, &b, &e, nullptr, 7), ZP_FAIL);
}

TEST(Math, EulerAngles)
{
  C3DMath math;
  SMatrix m;
  float x, y, z;
  math.Identity(&m);
  math.GetEulerAngles(&m, &x, &y, &z);
  EXPECT_NEAR(x, 0, 1e-5f);
  EXPECT_NEAR(y, 0, 1e-5f);
  EXPECT_NEAR(z, 0, 1e-5f);

  // A turn of 0.5 about y alone.
  math.Identity(&m);
  math.RotateY(&m, 0.5f);
  m.m[3][0] = 100; // translation ignored
  SVector3 v;
  math.GetEulerAngles(&v, &m);
  ExpectVecNear(v, 0, 0.5f, 0, 1e-5f);

  // The z axis pointing backwards and to the side: y beyond a quarter turn.
  math.Identity(&m);
  math.RotateY(&m, 2.5f);
  math.GetEulerAngles(&m, &x, &y, &z);
  EXPECT_NEAR(y, 2.5f, 1e-5f);

  // A turn of 0.3 about z alone.
  math.Identity(&m);
  math.RotateZ(&m, 0.3f);
  math.GetEulerAngles(&v, &m);
  ExpectVecNear(v, 0, 0, 0.3f, 1e-5f);
}

TEST(Math, SphereVisibility)
{
  for (float s : { 1.0f, -1.0f })
  {
    C3DMath math;
    math.SetDepthSign(s);
    // Camera at the origin looking at (0, 0, 100) in user space.
    SMatrix cam, view, proj;
    math.Identity(&cam);
    SVector3 ahead = { 0, 0, 100 };
    math.LookAt(&cam, &ahead);
    view = cam;
    math.InvertInPlace(&view);
    math.PerspectiveFovLH(&proj, kPi / 2, 1.0f, 1.0f, 1000.0f);

    SVector3 front = { 0, 0, 50 }, behind = { 0, 0, -50 }, beyond = { 0, 0, 2000 };
    SVector3 side = { 200, 0, 50 }, edge = { 52, 0, 50 }, close = { 0, 0, 0.5f };
    EXPECT_TRUE(math.IsSphereVisible(&view, &proj, &front, 1.0f)) << s;
    EXPECT_FALSE(math.IsSphereVisible(&view, &proj, &behind, 1.0f)) << s;
    EXPECT_FALSE(math.IsSphereVisible(&view, &proj, &beyond, 1.0f)) << s;
    EXPECT_FALSE(math.IsSphereVisible(&view, &proj, &side, 1.0f)) << s;
    // Centre just outside the 45° side plane, radius reaching in.
    EXPECT_TRUE(math.IsSphereVisible(&view, &proj, &edge, 5.0f)) << s;
    EXPECT_FALSE(math.IsSphereVisible(&view, &proj, &edge, 1.0f)) << s;
    // Centre before the near plane, the sphere reaching past it.
    EXPECT_TRUE(math.IsSphereVisible(&view, &proj, &close, 2.0f)) << s;
    // A sphere around the camera, much bigger than the view: its diameter crosses it.
    SVector3 origin = { 0, 0, 0 };
    EXPECT_TRUE(math.IsSphereVisible(&view, &proj, &origin, 500.0f)) << s;
  }
}
