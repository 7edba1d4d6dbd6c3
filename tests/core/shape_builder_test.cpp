#include "core_fixture.h"

#include "sdk/core/shape_builder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

CFakeObject* NewMesh(SLoadedWorld& w, uint32_t kind, uint32_t flags)
{
  return static_cast<CFakeObject*>(w.world.CreateObject(kind, flags));
}

std::vector<uint32_t> Indices(CFakeObject* o, uint32_t first, uint32_t count)
{
  std::vector<uint32_t> v;
  for (uint32_t i = first; i < first + count; ++i)
    v.push_back(o->GetIndex(i));
  return v;
}

uint32_t Part(CFakeObject* o, uint32_t part, int word)
{
  uint32_t r[8] = {};
  o->GetPart(part, r);
  return r[word];
}
enum
{
  MATERIAL,
  BASE,
  VCOUNT,
  FIRST,
  ICOUNT,
  PRIMS,
  TYPE,
  CULL
};

TEST(CoreShapeBuilder, CullModeFromRenderFlags)
{
  EXPECT_EQ(ShapeCullMode(0x40 | 0x100), 0u);
  EXPECT_EQ(ShapeCullMode(0x100), 2u);
  EXPECT_EQ(ShapeCullMode(0x80), 1u);
  EXPECT_EQ(ShapeCullMode(0x80 | 0x100), 2u);
  EXPECT_EQ(ShapeCullMode(0), 0u);
}

TEST(CoreShapeBuilder, UnknownTypeLeavesObjectUnchanged)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0xC03, 0x80);
  SShapeSphere s{ 1.0f, 8, 0, 0 };
  EXPECT_EQ(o->BuildShape(6, &s), ZP_FAIL);
  EXPECT_EQ(o->BuildShape(0, &s), ZP_FAIL);
  EXPECT_EQ(o->BuildShape(1, nullptr), ZP_FAIL);
  EXPECT_EQ(o->GetKind(), 0xC03u);
  EXPECT_EQ(o->GetVertexCount(), 0u);
  SShapeGrid g{ 1, 1, 0, 1, 0, 0, 0, 1, 1 };
  EXPECT_EQ(o->BuildShape(SHAPE_GRID, &g), ZP_FAIL); // zero columns
}

TEST(CoreShapeBuilder, SphereOfThreeSegments)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0xC03, 0x19C3F);
  SShapeSphere s{ 200.0f, 3, 0xFF112233, 0xFF445566 };
  ASSERT_EQ(o->BuildShape(SHAPE_SPHERE, &s), ZP_OK);
  EXPECT_EQ(o->GetKind() & 0x400, 0u); // the shape brings its own normals
  ASSERT_EQ(o->GetVertexCount(), 14u);
  EXPECT_EQ(o->GetIndexBuffer()->GetIndexCount(), 36u);
  EXPECT_EQ(Indices(o, 0, 3), (std::vector<uint32_t>{ 0, 4, 3 }));
  // Last triangle: (R(2,2), R(2,3), bottom 2) = (9, 10, 13).
  EXPECT_EQ(Indices(o, 33, 3), (std::vector<uint32_t>{ 9, 10, 13 }));
  EXPECT_EQ(Part(o, 0, PRIMS), 12u);
  EXPECT_EQ(Part(o, 0, TYPE), PRIMITIVE_TRIANGLE_LIST);
  EXPECT_EQ(Part(o, 0, CULL), 0u); // 0x40 is set
  EXPECT_EQ(Part(o, 0, VCOUNT), 14u);
  EXPECT_EQ(o->iUploads, 1);

  // Caps and colours.
  for (uint32_t j = 0; j < 3; ++j)
  {
    EXPECT_EQ(o->v[j].p.y, 200.0f);
    EXPECT_FLOAT_EQ(o->v[j].t.x, j / 3.0f);
    EXPECT_EQ(o->v[j].t.y, 0.0f);
    EXPECT_EQ(o->v[11 + j].p.y, -200.0f);
    EXPECT_EQ(o->v[11 + j].n.y, -1.0f);
    EXPECT_EQ(o->v[11 + j].t.y, 1.0f);
  }
  EXPECT_EQ(o->v[5].diffuse, 0xFF112233u);
  EXPECT_EQ(o->v[5].specular, 0xFF445566u);

  // Ring 1 (vertices 3..6): phi = pi/2 + pi/3, theta 0, 2pi/3, ...; the last closes the ring.
  const float phi = 1.5707964f + 3.1415927f / 3.0f;
  EXPECT_NEAR(o->v[3].n.x, std::cos(phi), 1e-5f);
  EXPECT_NEAR(o->v[3].n.y, std::sin(phi), 1e-5f);
  EXPECT_NEAR(o->v[3].n.z, 0.0f, 1e-6f);
  EXPECT_NEAR(o->v[4].n.z, std::sin(2.0943952f) * std::cos(phi), 1e-5f);
  EXPECT_NEAR(o->v[6].p.x, o->v[3].p.x, 1e-3f);
  EXPECT_NEAR(o->v[6].p.z, o->v[3].p.z, 1e-3f);
  EXPECT_FLOAT_EQ(o->v[6].t.x, 1.0f);
  EXPECT_FLOAT_EQ(o->v[7].t.y, 2.0f / 3.0f);
  for (const auto& vert : o->v)
  {
    EXPECT_NEAR(std::sqrt(vert.n.x * vert.n.x + vert.n.y * vert.n.y + vert.n.z * vert.n.z), 1.0f, 1e-5f);
    EXPECT_NEAR(vert.p.x, 200.0f * vert.n.x, 1e-3f);
  }
}

TEST(CoreShapeBuilder, SphereSegmentsClampedInCallersRecord)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0xC03, 0);
  SShapeSphere s{ 1.0f, 2, 0, 0 };
  ASSERT_EQ(o->BuildShape(SHAPE_SPHERE, &s), ZP_OK);
  EXPECT_EQ(s.dwSegments, 3u);
  EXPECT_EQ(o->GetVertexCount(), 14u);

  SShapeSphere big{ 1.0f, 300, 0, 0 };
  CFakeObject* o32 = NewMesh(w, 0x403, 0);
  ASSERT_EQ(o32->BuildShape(SHAPE_SPHERE, &big), ZP_OK);
  EXPECT_EQ(big.dwSegments, 255u);
  EXPECT_EQ(o32->GetVertexCount(), 65534u);
  EXPECT_EQ(o32->GetIndexBuffer()->GetIndexCount(), 388620u);
  EXPECT_EQ(o32->GetIndexBuffer()->GetType(), INDEX_TYPE_32);
  // The highest vertex number is reached without truncation.
  EXPECT_EQ(o32->GetIndex(388619), 65533u);

  CFakeObject* o16 = NewMesh(w, 0xC03, 0);
  ASSERT_EQ(o16->BuildShape(SHAPE_SPHERE, &big), ZP_OK);
  EXPECT_EQ(o16->GetIndexBuffer()->GetType(), INDEX_TYPE_16);
}

TEST(CoreShapeBuilder, HalfSphereSpansHalfATurn)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0xC03, 0x100);
  SShapeSphere s{ 10.0f, 4, 0, 0 };
  ASSERT_EQ(o->BuildShape(SHAPE_HALF_SPHERE, &s), ZP_OK);
  EXPECT_EQ(o->GetVertexCount(), 23u);
  EXPECT_EQ(Part(o, 0, CULL), 2u);
  // Ring 2 is the equator (phi = pi): vertex l sits at theta = l * pi / 4, with the
  // normal (-cos theta cos phi, sin phi, -sin theta cos phi).
  const uint32_t first = 4 + 1 * 5;
  EXPECT_NEAR(o->v[first].n.x, 1.0f, 1e-5f);      // theta 0
  EXPECT_NEAR(o->v[first + 2].n.z, 1.0f, 1e-5f);  // theta pi/2
  EXPECT_NEAR(o->v[first + 4].n.x, -1.0f, 1e-5f); // theta pi
  EXPECT_NEAR(o->v[first + 4].n.z, 0.0f, 1e-5f);
  for (uint32_t l = 0; l <= 4; ++l)
    EXPECT_GE(o->v[first + l].n.z, -1e-5f); // one half only
}

TEST(CoreShapeBuilder, DiscOfThreeSegments)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0xC03, 0x80);
  SShapeDisc d{ 400.0f, 2, 0.0f, 0, 1, 0xFFFFFFFF, 0xFFFFFFFF, 1.0f, 1.0f };
  ASSERT_EQ(o->BuildShape(SHAPE_DISC, &d), ZP_OK);
  EXPECT_EQ(d.dwSegments, 3u);
  ASSERT_EQ(o->GetVertexCount(), 5u);
  EXPECT_EQ(Indices(o, 0, 5), (std::vector<uint32_t>{ 0, 1, 2, 3, 4 }));
  EXPECT_EQ(Part(o, 0, TYPE), PRIMITIVE_TRIANGLE_FAN);
  EXPECT_EQ(Part(o, 0, PRIMS), 3u);
  EXPECT_EQ(Part(o, 0, CULL), 1u);
  EXPECT_NEAR(o->v[4].p.x, o->v[1].p.x, 1e-3f);
  EXPECT_NEAR(o->v[4].p.y, o->v[1].p.y, 1e-3f);
  EXPECT_EQ(o->v[0].t.x, 0.5f);
  EXPECT_EQ(o->v[0].n.z, -1.0f);
  // Vertex 3 is at a = 2pi: the top of the rim, texture at the top edge.
  EXPECT_NEAR(o->v[3].p.y, 200.0f, 1e-3f);
  EXPECT_NEAR(o->v[3].t.x, 0.5f, 1e-5f);
  EXPECT_NEAR(o->v[3].t.y, 0.0f, 1e-5f);

  // Axis 2 with a height is a cone along y; texture mode 2 gives u = v = 0.
  SShapeDisc cone{ 2.0f, 8, 4.0f, 2, 2, 0, 0, 1.0f, 1.0f };
  ASSERT_EQ(o->BuildShape(SHAPE_DISC, &cone), ZP_OK);
  EXPECT_EQ(o->v[0].p.y, 2.0f);
  EXPECT_EQ(o->v[5].p.y, -2.0f);
  EXPECT_EQ(o->v[5].n.y, 1.0f);
  EXPECT_EQ(o->v[5].t.x, 0.0f);
  EXPECT_EQ(o->v[5].t.y, 0.0f);
}

TEST(CoreShapeBuilder, GridTwoByOne)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0xC03, 0);
  SShapeGrid g{ 4.0f, 2.0f, 2, 1, 2, 0, 0, 2.0f, 3.0f };
  ASSERT_EQ(o->BuildShape(SHAPE_GRID, &g), ZP_OK);
  ASSERT_EQ(o->GetVertexCount(), 6u);
  EXPECT_EQ(o->GetIndexBuffer()->GetIndexCount(), 12u);
  EXPECT_EQ(Indices(o, 0, 6), (std::vector<uint32_t>{ 3, 0, 1, 3, 4, 1 }));
  EXPECT_EQ(Part(o, 0, PRIMS), 4u);
  // Vertex 5: row 1, column 2 -> (W/2, 0, -D/2), texture (1 x 2, 1 x 3).
  EXPECT_EQ(o->v[5].p.x, 2.0f);
  EXPECT_EQ(o->v[5].p.z, -1.0f);
  EXPECT_EQ(o->v[5].t.x, 2.0f);
  EXPECT_EQ(o->v[5].t.y, 3.0f);
  EXPECT_EQ(o->v[0].p.x, -2.0f);
  EXPECT_EQ(o->v[0].p.z, 1.0f);
  EXPECT_EQ(o->v[0].n.y, 1.0f);
}

TEST(CoreShapeBuilder, BoxVariants)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0xC03, 0xC21);
  SShapeBox b{ 10.0f, 20.0f, 30.0f, 2, 0xFFFFFFFF, 0, 0.012f, 0.988f };
  ASSERT_EQ(o->BuildShape(SHAPE_BOX, &b), ZP_OK);
  ASSERT_EQ(o->GetPartCount(), 6u);
  ASSERT_EQ(o->GetVertexCount(), 24u);
  for (uint32_t f = 0; f < 6; ++f)
  {
    EXPECT_EQ(Part(o, f, BASE), 4 * f);
    EXPECT_EQ(Part(o, f, FIRST), 4 * f);
    EXPECT_EQ(Part(o, f, PRIMS), 2u);
    EXPECT_EQ(Part(o, f, TYPE), PRIMITIVE_TRIANGLE_STRIP);
    EXPECT_EQ(Part(o, f, MATERIAL), f);
    EXPECT_EQ(Indices(o, 4 * f, 4), (std::vector<uint32_t>{ 0, 1, 2, 3 }));
  }
  // Variant 2: the +x face carries (0, 0, -1); vertex 13 is -X +Y -Z with (t1, t0).
  EXPECT_EQ(o->v[0].p.x, 10.0f);
  EXPECT_EQ(o->v[0].p.z, -30.0f);
  EXPECT_EQ(o->v[0].n.z, -1.0f);
  EXPECT_EQ(o->v[13].p.x, -10.0f);
  EXPECT_EQ(o->v[13].p.y, 20.0f);
  EXPECT_EQ(o->v[13].t.x, 0.988f);
  EXPECT_EQ(o->v[13].t.y, 0.012f);
  EXPECT_EQ(o->v[20].n.y, -1.0f); // inward

  w.S()->adwCounters[2] = 0;
  o->Draw(-1);
  EXPECT_EQ(w.S()->adwCounters[2], 12u);

  // Variants 0 and 1: same positions and normals, different texture mapping.
  b.dwVariant = 0;
  ASSERT_EQ(o->BuildShape(SHAPE_BOX, &b), ZP_OK);
  auto v0 = o->v;
  b.dwVariant = 1;
  ASSERT_EQ(o->BuildShape(SHAPE_BOX, &b), ZP_OK);
  int differentTex = 0;
  for (uint32_t i = 0; i < 24; ++i)
  {
    EXPECT_EQ(v0[i].p.x, o->v[i].p.x);
    EXPECT_EQ(v0[i].p.y, o->v[i].p.y);
    EXPECT_EQ(v0[i].p.z, o->v[i].p.z);
    EXPECT_EQ(v0[i].n.x, o->v[i].n.x);
    EXPECT_EQ(v0[i].n.z, o->v[i].n.z);
    differentTex += (v0[i].t.x != o->v[i].t.x || v0[i].t.y != o->v[i].t.y);
    // Outward normals: the normal points the way of the position's sign.
    const float dot = v0[i].n.x * v0[i].p.x + v0[i].n.y * v0[i].p.y + v0[i].n.z * v0[i].p.z;
    EXPECT_GT(dot, 0.0f);
  }
  EXPECT_GT(differentTex, 0);
  // Variant 0 vertex 0: -X +Y +Z, (t1, t0); variant 1: (t0, t1).
  EXPECT_EQ(v0[0].t.x, 0.988f);
  EXPECT_EQ(o->v[0].t.x, 0.012f);

  b.dwVariant = 3;
  EXPECT_EQ(o->BuildShape(SHAPE_BOX, &b), ZP_FAIL);
}

} // namespace
