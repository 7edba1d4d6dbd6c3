#include "core_fixture.h"

#include "sdk/core/3d_mesh_object.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

const char kImage[] = "PNGDATA";
const char kBad[] = "BADDATA";

CFakeObject* NewMesh(SLoadedWorld& w, uint32_t kind = 0xC03, uint32_t flags = 0x19C3F)
{
  return static_cast<CFakeObject*>(w.world.CreateObject(kind, flags));
}

TEST(CoreMeshObject, IndexWidthRules)
{
  EXPECT_EQ(C3DMeshObject::ChooseIndexType(0x2, 65535), INDEX_TYPE_16);
  EXPECT_EQ(C3DMeshObject::ChooseIndexType(0x2, 65536), INDEX_TYPE_32);
  EXPECT_EQ(C3DMeshObject::ChooseIndexType(0x802, 65536), INDEX_TYPE_16);
  EXPECT_EQ(C3DMeshObject::ChooseIndexType(0x1802, 65536), INDEX_TYPE_16);
  EXPECT_EQ(C3DMeshObject::ChooseIndexType(0x1002, 4), INDEX_TYPE_32);

  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0x2);
  ASSERT_EQ(o->SetupGeometry(1, 3, 65536), ZP_OK);
  EXPECT_EQ(o->GetIndexBuffer()->GetType(), INDEX_TYPE_32);
  o->SetIndex(65535, 70000);
  EXPECT_EQ(o->GetIndex(65535), 70000u);
  // The index buffer belongs to the object, not to the device's list.
  EXPECT_TRUE(w.Device()->m_plistObjectsIndex.IsEmpty());

  CFakeObject* o16 = NewMesh(w, 0x802);
  ASSERT_EQ(o16->SetupGeometry(1, 3, 65536), ZP_OK);
  EXPECT_EQ(o16->GetIndexBuffer()->GetType(), INDEX_TYPE_16);
  ASSERT_EQ(o16->SetupGeometry(2, 3, 65535), ZP_OK); // rebuilt: new buffer, new counts
  EXPECT_EQ(o16->GetIndexBuffer()->GetIndexCount(), 65535u);
  EXPECT_EQ(o16->GetPartCount(), 2u);
  EXPECT_EQ(o16->iAllocs, 2);
}

TEST(CoreMeshObject, QuadBuildAndDraw)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0x802);
  ASSERT_EQ(o->SetupGeometry(1, 4, 4), ZP_OK);
  const SMaterial* m = o->Materials();
  EXPECT_EQ(m[0].afDiffuse[3], 0.0f);
  EXPECT_EQ(m[0].afAmbient[0], 1.0f);
  EXPECT_EQ(m[0].afSpecular[3], 1.0f);
  EXPECT_EQ(m[0].fPower, 20.0f);

  o->LockIndices();
  o->SetSequentialIndices();
  o->SetVertex(0, 1, -1, 0, 0xFF102030, 1, 0, 0, 0, 0, 0);
  o->SetVertex(1, -1, -1, 0, 0xFF102030, 0, 0, 0, 0, 0, 0);
  o->SetVertex(2, 1, 1, 0, 0xFF102030, 1, 1, 0, 0, 0, 0);
  o->SetVertex(3, -1, 1, 0, 0xFF102030, 0, 1, 0, 0, 0, 0);
  o->SetPart(0, 0, 4, 0, 4, 2, PRIMITIVE_TRIANGLE_STRIP, CULL_CW, -1);
  ASSERT_EQ(o->Commit(), ZP_OK);
  EXPECT_EQ(o->iUploads, 1);
  EXPECT_EQ(o->GetIndex(3), 3u);

  // The record holds the platform's codes, the getters answer engine codes.
  SPartRecord* rec = o->GetIndexBuffer()->GetPart(0);
  EXPECT_EQ(rec->dwPrimitiveType, 10u);
  EXPECT_EQ(rec->dwCullMode, 22u);
  uint32_t words[8];
  ASSERT_EQ(o->GetPart(0, words), ZP_OK);
  EXPECT_EQ(std::vector<uint32_t>(words, words + 8), (std::vector<uint32_t>{ 0, 0, 4, 0, 4, 2, 0, 2 }));
  uint32_t type = 9, cull = 9;
  EXPECT_EQ(o->GetPartInfo(0, nullptr, nullptr, nullptr, nullptr, nullptr, &type, &cull, nullptr), ZP_OK);
  EXPECT_EQ(type, 0u);
  EXPECT_EQ(cull, 2u);
  EXPECT_EQ(o->GetPartInfo(1, nullptr, nullptr, nullptr, nullptr, nullptr, &type, &cull, nullptr), ZP_FAIL);

  CallLog().clear();
  w.S()->adwCounters[0] = w.S()->adwCounters[1] = w.S()->adwCounters[2] = 0;
  ASSERT_EQ(o->Draw(-1), ZP_OK);
  EXPECT_EQ(w.S()->adwCounters[0], 4u);
  EXPECT_EQ(w.S()->adwCounters[1], 4u);
  EXPECT_EQ(w.S()->adwCounters[2], 2u);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{ "Draw", "ApplyPerspective" }));

  // A screen-space object projects in pixel space.
  CFakeObject* font = NewMesh(w, 0x810, 0x808);
  font->SetupGeometry(1, 4, 4);
  CallLog().clear();
  font->Draw(-1);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{ "Draw", "ApplyOrtho" }));
}

TEST(CoreMeshObject, MatrixColourFactorUserValue)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w);
  EXPECT_EQ(o->GetWorldMatrix(), o->GetMatrix());
  EXPECT_EQ(o->GetMatrix()->m[2][2], 1.0f);
  EXPECT_EQ(o->GetMatrix()->m[3][0], 0.0f);
  SMatrix other{};
  o->SetWorldMatrix(&other);
  EXPECT_EQ(o->GetWorldMatrix(), &other);
  EXPECT_EQ(o->ResetMatrix(), o->GetMatrix());
  EXPECT_EQ(o->GetWorldMatrix(), o->GetMatrix());

  EXPECT_EQ(o->GetColorFactor(), 0xFFFFFFFFu);
  EXPECT_EQ(o->SetColorFactor(0x80), 0x80u);
  EXPECT_EQ(o->GetColorFactor(), 0x80808080u);
  o->SetColorFactor(0x1FF);
  EXPECT_EQ(o->GetColorFactor(), 0xFFFFFFFFu);
  o->SetUserValue(42.5f);
  EXPECT_EQ(o->GetUserValue(), 42.5f);
  EXPECT_EQ(o->Reserved59(1, 2), ZP_FAIL);
  EXPECT_EQ(o->ImportModel("earth.3ds"), ZP_FAIL);
}

TEST(CoreMeshObject, NormalsOnFirstCommitOnly)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0xC03); // kind 0x400: normals at the next Commit
  ASSERT_EQ(o->SetupGeometry(1, 4, 4), ZP_OK);
  o->LockIndices();
  o->SetSequentialIndices();
  o->SetVertex(0, 1, -1, 0, 0, 0, 0, 0, 0, 0, 0);
  o->SetVertex(1, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0);
  o->SetVertex(2, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0);
  o->SetVertex(3, -1, 1, 0, 0, 0, 0, 0, 0, 0, 0);
  o->SetPart(0, 0, 4, 0, 4, 2, PRIMITIVE_TRIANGLE_STRIP, 0, -1);
  ASSERT_EQ(o->Commit(), ZP_OK);
  EXPECT_EQ(o->GetKind() & 0x400, 0u);
  // (A - B) x (A - C) of the first triangle: (2, 0, 0) x (0, -2, 0) points to -z.
  const float z = o->v[0].n.z;
  EXPECT_FLOAT_EQ(z, -1.0f);
  for (const auto& vert : o->v)
  {
    EXPECT_EQ(vert.n.x, 0.0f);
    EXPECT_EQ(vert.n.y, 0.0f);
    EXPECT_EQ(vert.n.z, z); // both strip triangles face the same way
  }

  SVector3 zero{ 0, 0, 0 };
  o->SetNormal(1, &zero);
  o->Commit();
  EXPECT_EQ(o->v[1].n.z, 0.0f); // no second computation
}

TEST(CoreMeshObject, NormalsForListsFansAndDegenerateTriangles)
{
  SLoadedWorld w;
  CFakeObject* o = NewMesh(w, 0x802);
  // Part 0: a list of two triangles at right angles sharing the edge 0-1; part 1: a
  // fan; part 2: a degenerate list triangle and lines, which add nothing.
  ASSERT_EQ(o->SetupGeometry(3, 9, 15), ZP_OK);
  o->LockIndices();
  const uint32_t idx[15] = { 0, 1, 2, 1, 0, 3, 0, 1, 2, 3, 0, 0, 1, 0, 1 };
  for (uint32_t i = 0; i < 15; ++i)
    o->SetIndex(i, idx[i]);
  o->SetVertex(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  o->SetVertex(1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  o->SetVertex(2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0);
  o->SetVertex(3, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0);
  for (uint32_t i = 4; i < 8; ++i)
    o->SetVertex(i, static_cast<float>(i), 0, 0, 0, 0, 0, 0, 0, 0, 0);
  o->SetVertex(8, 5, 5, 5, 0, 0, 0, 0, 0, 0, 0);
  o->SetPart(0, 0, 4, 0, 6, 2, PRIMITIVE_TRIANGLE_LIST, 0, -1);
  o->SetPart(1, 4, 4, 6, 4, 2, PRIMITIVE_TRIANGLE_FAN, 0, -1);   // vertices 4..7, all on a line
  o->SetPart(2, 8, 1, 10, 3, 1, PRIMITIVE_TRIANGLE_LIST, 0, -1); // 8, 8, 9: degenerate
  EXPECT_EQ(o->ComputeNormals(), 3);

  // Triangle (0,1,2) gives -z or +z; (1,0,3) lies in the xz plane.  Vertex 2 sees only
  // the first, vertex 3 only the second, vertices 0 and 1 the normalised sum.
  const SVector3 n2 = o->v[2].n;
  const SVector3 n3 = o->v[3].n;
  EXPECT_NEAR(std::fabs(n2.z), 1.0f, 1e-6f);
  EXPECT_NEAR(std::fabs(n3.y), 1.0f, 1e-6f);
  const float k = 1.0f / std::sqrt(2.0f);
  EXPECT_NEAR(o->v[0].n.z, n2.z * k, 1e-6f);
  EXPECT_NEAR(o->v[0].n.y, n3.y * k, 1e-6f);
  EXPECT_NEAR(o->v[1].n.z, n2.z * k, 1e-6f);
  // Collinear fan and degenerate triangle: nothing added, no NaN.
  for (uint32_t i = 4; i < 9; ++i)
  {
    EXPECT_EQ(o->v[i].n.x, 0.0f);
    EXPECT_EQ(o->v[i].n.y, 0.0f);
    EXPECT_EQ(o->v[i].n.z, 0.0f);
  }
}

TEST(CoreMeshObject, TextureReferencesOnePerEntry)
{
  SLoadedWorld w;
  CFakeDevice* dev = w.Device();
  int deleted = TexturesDeleted();

  CFakeObject* a = NewMesh(w);
  CFakeObject* b = NewMesh(w);
  ASSERT_EQ(a->SetupGeometry(3, 4, 4), ZP_OK);
  ASSERT_EQ(b->SetupGeometry(1, 4, 4), ZP_OK);

  // Three rows of a and one of b share one texture: four references.
  ASSERT_EQ(a->SetTextureFromMemory(1, 3, kImage, sizeof(kImage), -1, 0, "earth.png"), ZP_OK);
  ASSERT_EQ(b->SetPartTextureFromMemory(1, 3, kImage, sizeof(kImage), 0, 1, "dir/earth.png"), ZP_OK);
  CTexture* t = a->GetTexture(2, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(b->GetTexture(0, 1), t);
  ASSERT_TRUE(dev->m_plistTextures.Find(t));
  EXPECT_EQ(dev->m_plistTextures.CurrentRefCount(), 4u);

  // Putting it in a slot that already holds it changes nothing.
  a->SetTexture(t, 0, 0);
  dev->m_plistTextures.Find(t);
  EXPECT_EQ(dev->m_plistTextures.CurrentRefCount(), 4u);

  // The world keeps one of its own, swaps it in and out like the scene does.
  CTexture* own = w.world.CreateTexture(1, 3);
  b->SetTextureAll(own, -1, 1); // replaces t in b: t drops to 3
  dev->m_plistTextures.Find(t);
  EXPECT_EQ(dev->m_plistTextures.CurrentRefCount(), 3u);
  b->SetTextureAll(nullptr, -1, 1);
  dev->m_plistTextures.Find(own);
  EXPECT_EQ(dev->m_plistTextures.CurrentRefCount(), 1u);

  EXPECT_EQ(w.world.DestroyObject(a), ZP_OK); // gives back its three
  EXPECT_EQ(TexturesDeleted(), deleted + 1);  // t had no other holder
  EXPECT_FALSE(dev->m_plistTextures.Find(t));
  EXPECT_TRUE(dev->m_plistTextures.Find(own));
  EXPECT_EQ(w.world.DestroyTexture(own), ZP_OK);
  EXPECT_EQ(TexturesDeleted(), deleted + 2);
  EXPECT_TRUE(dev->m_plistTextures.IsEmpty());
}

TEST(CoreMeshObject, TextureHelpersEdgeCases)
{
  SLoadedWorld w;
  CFakeDevice* dev = w.Device();
  CFakeObject* o = NewMesh(w);
  ASSERT_EQ(o->SetupGeometry(2, 4, 4), ZP_OK);
  ASSERT_EQ(o->SetTextureFromFile(1, 3, "maps\\sky.tga", -1, 0), ZP_OK);
  CTexture* t = o->GetTexture(1, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_STREQ(t->GetName(), "sky.tga");

  // A texture that cannot be loaded leaves the table as it was.
  EXPECT_EQ(o->SetTextureFromMemory(1, 3, kBad, sizeof(kBad), -1, 0, "bad.png"), ZP_FAIL);
  EXPECT_EQ(o->SetPartTextureFromFile(1, 3, "missing.tga", 0, 0), ZP_FAIL);
  EXPECT_EQ(o->GetTexture(0, 0), t);
  EXPECT_EQ(dev->Count(dev->m_plistTextures), 1u);

  // Out-of-range rows and stages are ignored.
  EXPECT_EQ(o->GetTexture(2, 0), nullptr);
  EXPECT_EQ(o->GetTexture(0, 4), nullptr);
  o->SetTexture(t, 5, 0);
  EXPECT_EQ(o->ReleasePartTexture(7, 9), ZP_OK);

  // An empty path (or empty image) clears the entries.
  EXPECT_EQ(o->SetTextureFromFile(1, 3, "", 1, 0), ZP_OK);
  EXPECT_EQ(o->GetTexture(0, 0), nullptr);
  EXPECT_EQ(o->GetTexture(1, 0), t);
  EXPECT_EQ(o->SetPartTextureFromMemory(1, 3, nullptr, 0, -1, 0, "x.png"), ZP_OK);
  EXPECT_EQ(o->GetTexture(1, 0), nullptr);
  EXPECT_TRUE(dev->m_plistTextures.IsEmpty());

  // Rebuilding the geometry gives the old entries back.
  o->SetTextureFromMemory(0, 3, kImage, sizeof(kImage), -1, 2, "moon.png");
  EXPECT_EQ(dev->Count(dev->m_plistTextures), 1u);
  ASSERT_EQ(o->SetupGeometry(1, 4, 4), ZP_OK);
  EXPECT_EQ(o->GetTexture(0, 2), nullptr);
  EXPECT_TRUE(dev->m_plistTextures.IsEmpty());

  o->SetTextureFromMemory(0, 3, kImage, sizeof(kImage), -1, 3, "moon.png");
  EXPECT_EQ(o->ReleaseTextureAll(-1, 3), ZP_OK);
  EXPECT_TRUE(dev->m_plistTextures.IsEmpty());
}

TEST(CoreMeshObject, BareObjectAcceptsTheBuildingOrder)
{
  C3DObject bare;
  SEngineSettings s{};
  bare.Attach(&s);
  EXPECT_EQ(bare.SetupGeometry(1, 4, 4), ZP_OK);
  EXPECT_EQ(bare.LockIndices(), ZP_OK);
  bare.SetSequentialIndices();
  bare.SetVertex(0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0);
  bare.SetPart(0, 0, 4, 0, 4, 2, 0, 0, -1);
  EXPECT_EQ(bare.Commit(), ZP_OK);
  EXPECT_EQ(bare.Draw(-1), ZP_OK);
  SVector3 p{ 9, 9, 9 };
  bare.GetPosition(0, &p);
  EXPECT_EQ(p.x, 0.0f);
  EXPECT_EQ(bare.Release(), ZP_OK);
}

} // namespace
