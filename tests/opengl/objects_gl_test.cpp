// OpenGL objects without a context: vertex storage and its conversions, part codes,
// index widths, the bare object, the font's glyph keys.  No display needed: with no
// context published nothing reaches OpenGL.

#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/font.h"
#include "sdk/opengl/object_gl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace
{

struct ObjectsGL : ::testing::Test
{
  ObjectsGL() : settings(new SEngineSettings) { std::memset(settings.get(), 0, sizeof(SEngineSettings)); }

  template <typename T> std::unique_ptr<T> Make(uint32_t kind, uint32_t flags = 0)
  {
    auto o = std::make_unique<T>();
    o->SetFlags(kind, flags);
    EXPECT_EQ(o->Attach(settings.get()), ZP_OK);
    return o;
  }

  std::unique_ptr<SEngineSettings> settings;
};

} // namespace

TEST_F(ObjectsGL, VerticesAreStoredMirroredAndReadBackAsSet)
{
  auto o = Make<CObjectGL3D>(0x2);
  ASSERT_EQ(o->SetupGeometry(1, 2, 3), ZP_OK);
  o->SetVertex(1, 1.0f, -3.0f, 2.0f, 0xFF102030, 0.5f, 0.25f, 0.0f, 0.0f, 1.0f, 0x80FFFFFF);
  const SMeshVertex* stored = static_cast<const SMeshVertex*>(o->GetVertexData());
  ASSERT_NE(stored, nullptr);
  EXPECT_FLOAT_EQ(stored[1].vPosition.z, -2.0f);
  EXPECT_FLOAT_EQ(stored[1].vTexCoord.y, 0.75f);
  EXPECT_FLOAT_EQ(stored[1].vNormal.z, -1.0f);
  EXPECT_EQ(stored[1].dwDiffuse, 0xFF102030u);

  SVector3 pos, normal;
  SVector2 uv;
  uint32_t diffuse = 0, specular = 0;
  o->GetVertex(1, &pos, &diffuse, &uv, &normal, &specular);
  EXPECT_FLOAT_EQ(pos.x, 1.0f);
  EXPECT_FLOAT_EQ(pos.y, -3.0f);
  EXPECT_FLOAT_EQ(pos.z, 2.0f);
  EXPECT_FLOAT_EQ(uv.x, 0.5f);
  EXPECT_FLOAT_EQ(uv.y, 0.25f);
  EXPECT_FLOAT_EQ(normal.z, 1.0f);
  EXPECT_EQ(diffuse, 0xFF102030u);
  EXPECT_EQ(specular, 0x80FFFFFFu);

  // Single setters convert the same way; out-of-range vertices are ignored.
  SVector3 p{ 4.0f, 5.0f, 6.0f };
  o->SetPosition(0, &p);
  SVector2 t{ 0.0f, 1.0f };
  o->SetTexCoord(0, &t);
  EXPECT_FLOAT_EQ(stored[0].vPosition.z, -6.0f);
  EXPECT_FLOAT_EQ(stored[0].vTexCoord.y, 0.0f);
  o->SetPosition(2, &p);
  o->SetDiffuse(7, 1);
  EXPECT_EQ(o->GetDiffuseAddress(2), nullptr);
}

TEST_F(ObjectsGL, NormalsAndAddressesDifferBetween3DAnd2D)
{
  auto o3 = Make<CObjectGL3D>(0x2);
  auto o2 = Make<CObjectGL2D>(0x10);
  ASSERT_EQ(o3->SetupGeometry(1, 1, 1), ZP_OK);
  ASSERT_EQ(o2->SetupGeometry(1, 1, 1), ZP_OK);
  SVector3 n{ 0.0f, 0.0f, 1.0f };
  o3->SetNormal(0, &n);
  o2->SetNormal(0, &n);
  SVector3 back3, back2;
  o3->GetNormal(0, &back3);
  o2->GetNormal(0, &back2);
  EXPECT_FLOAT_EQ(back3.z, 1.0f);
  EXPECT_FLOAT_EQ(back2.z, 1.0f);
  EXPECT_FLOAT_EQ(static_cast<const SMeshVertex*>(o3->GetVertexData())->vNormal.z, -1.0f);
  EXPECT_FLOAT_EQ(static_cast<const SMeshVertex*>(o2->GetVertexData())->vNormal.z, 1.0f);

  EXPECT_EQ(o3->GetPositionAddress(0), nullptr);
  EXPECT_EQ(o3->GetTexCoordAddress(0), nullptr);
  EXPECT_EQ(o3->GetNormalAddress(0), nullptr);
  EXPECT_NE(o3->GetDiffuseAddress(0), nullptr);
  EXPECT_NE(o3->GetSpecularAddress(0), nullptr);

  o2->SetVertex(0, 1.0f, 2.0f, 3.0f, 0, 0.0f, 0.25f, 0, 0, 1, 0);
  SVector3* pos = o2->GetPositionAddress(0);
  ASSERT_NE(pos, nullptr);
  EXPECT_FLOAT_EQ(pos->z, -3.0f); // the stored value
  EXPECT_FLOAT_EQ(o2->GetTexCoordAddress(0)->y, 0.75f);
  EXPECT_EQ(reinterpret_cast<void*>(o2->GetNormalAddress(0)),
            reinterpret_cast<void*>(&static_cast<SMeshVertex*>(o2->GetVertexData())->vNormal.x));
}

TEST_F(ObjectsGL, IndexWidthFollowsKindAndCount)
{
  auto wide = Make<CObjectGL3D>(0x2);
  ASSERT_EQ(wide->SetupGeometry(1, 4, 65536), ZP_OK);
  EXPECT_EQ(wide->GetIndexBuffer()->GetType(), INDEX_TYPE_32);
  ASSERT_EQ(wide->SetupGeometry(1, 4, 65535), ZP_OK);
  EXPECT_EQ(wide->GetIndexBuffer()->GetType(), INDEX_TYPE_16);
  auto narrow = Make<CObjectGL3D>(0x802);
  ASSERT_EQ(narrow->SetupGeometry(1, 4, 65536), ZP_OK);
  EXPECT_EQ(narrow->GetIndexBuffer()->GetType(), INDEX_TYPE_16);
  auto forced = Make<CObjectGL3D>(0x1002);
  ASSERT_EQ(forced->SetupGeometry(1, 4, 4), ZP_OK);
  EXPECT_EQ(forced->GetIndexBuffer()->GetType(), INDEX_TYPE_32);
}

TEST_F(ObjectsGL, PartCodesAreStoredAsOpenGLValues)
{
  auto o = Make<CObjectGL3D>(0x2);
  ASSERT_EQ(o->SetupGeometry(3, 4, 4), ZP_OK);
  o->SetPart(0, 0, 4, 0, 4, 3, PRIMITIVE_LINE_STRIP, CULL_NONE, -1);
  o->SetPart(1, 0, 4, 0, 4, 2, PRIMITIVE_TRIANGLE_STRIP, CULL_CCW, -1);
  o->SetPart(2, 0, 4, 0, 4, 4, PRIMITIVE_POINT_LIST, 3, -1);
  const SPartRecord* parts = o->GetIndexBuffer()->GetPart(0);
  EXPECT_EQ(parts[0].dwPrimitiveType, static_cast<uint32_t>(GL_LINE_STRIP));
  EXPECT_EQ(parts[0].dwCullMode, CULL_OFF_GL);
  EXPECT_EQ(parts[1].dwPrimitiveType, static_cast<uint32_t>(GL_TRIANGLE_STRIP));
  EXPECT_EQ(parts[1].dwCullMode, static_cast<uint32_t>(GL_CW));
  EXPECT_EQ(parts[2].dwCullMode, CULL_OFF_GL);
  EXPECT_EQ(o->GetPrimitiveType(0), PRIMITIVE_LINE_STRIP);
  EXPECT_EQ(o->GetCullMode(1), CULL_CCW);
  EXPECT_EQ(o->GetCullMode(2), CULL_NONE); // mode 3 is culling off, read back 0
  o->SetCullModeAll(CULL_CW, ALL_PARTS);
  for (uint32_t i = 0; i < 3; ++i)
    EXPECT_EQ(parts[i].dwCullMode, static_cast<uint32_t>(GL_CCW));
  uint32_t type = 99, cull = 99;
  o->GetPartInfo(2, nullptr, nullptr, nullptr, nullptr, nullptr, &type, &cull, nullptr);
  EXPECT_EQ(type, PRIMITIVE_POINT_LIST);
  EXPECT_EQ(cull, CULL_CW);
  // A part out of range is ignored and reads as 0.
  o->SetPrimitiveType(3, PRIMITIVE_LINE_LIST);
  EXPECT_EQ(o->GetPrimitiveType(3), 0u);
}

TEST_F(ObjectsGL, CodeTablesRoundTrip)
{
  for (uint32_t t = 0; t < 6; ++t)
    EXPECT_EQ(PrimitiveTypeFromGL(PrimitiveTypeToGL(t)), t);
  EXPECT_EQ(CullModeToGL(0), CULL_OFF_GL);
  EXPECT_EQ(CullModeToGL(3), CULL_OFF_GL);
  EXPECT_EQ(CullModeFromGL(CULL_OFF_GL), 0u);
}

TEST_F(ObjectsGL, BareObjectAcceptsEverythingAndKeepsNothing)
{
  auto o = Make<CObjectGL>(0x8 | 0x4);
  EXPECT_EQ(o->SetupGeometry(1, 10, 10), ZP_OK);
  EXPECT_EQ(o->LockIndices(), ZP_OK);
  o->SetSequentialIndices();
  o->SetVertex(0, 1, 2, 3, 0, 0, 0, 0, 0, 1, 0);
  o->SetPart(0, 0, 10, 0, 10, 10, PRIMITIVE_POINT_LIST, CULL_CCW, -1);
  EXPECT_EQ(o->Commit(), ZP_OK);
  EXPECT_EQ(o->GetVertexData(), nullptr);
  EXPECT_EQ(o->GetDiffuseAddress(0), nullptr);
  SVector3 pos{ 9, 9, 9 };
  o->GetPosition(0, &pos);
  EXPECT_FLOAT_EQ(pos.x, 9.0f); // untouched
  EXPECT_EQ(o->Draw(ALL_PARTS), ZP_OK);
  EXPECT_EQ(o->PreparePart(0), ZP_OK);
  EXPECT_EQ(o->DrawRange(0, 1, -1, -1), ZP_OK);
  EXPECT_EQ(settings->adwCounters[0], 0u);
  EXPECT_EQ(o->Release(), ZP_OK);
}

TEST_F(ObjectsGL, ReleaseAndSetupAgainReplaceTheBuffers)
{
  auto o = Make<CObjectGL3D>(0x2);
  ASSERT_EQ(o->SetupGeometry(2, 8, 12), ZP_OK);
  ASSERT_EQ(o->SetupGeometry(1, 3, 3), ZP_OK);
  EXPECT_EQ(o->GetVertexCount(), 3u);
  EXPECT_EQ(o->GetIndexBuffer()->GetIndexCount(), 3u);
  EXPECT_EQ(o->Commit(), ZP_OK); // no context: nothing compiled
  EXPECT_EQ(o->GetDisplayList(0), 0u);
  EXPECT_EQ(o->Release(), ZP_OK);
  EXPECT_EQ(o->GetVertexData(), nullptr);
  EXPECT_EQ(o->GetDrawIndexBuffer(), nullptr);
}

TEST(FontGlyphKeys, CodesAndTheirKeys)
{
  EXPECT_STREQ(FontGlyphKey(32), "SPACE");
  EXPECT_STREQ(FontGlyphKey(44), "VIRGULE");
  EXPECT_STREQ(FontGlyphKey(58), "2POINTS");
  EXPECT_STREQ(FontGlyphKey(93), "CROCHET_CLOSE");
  EXPECT_STREQ(FontGlyphKey(123), "}");
  EXPECT_STREQ(FontGlyphKey(125), "}");
  EXPECT_STREQ(FontGlyphKey(137), "POURCENT");
  EXPECT_STREQ(FontGlyphKey('"'), "\"");
  EXPECT_STREQ(FontGlyphKey('\\'), "\\");
  EXPECT_STREQ(FontGlyphKey('7'), "7");
  EXPECT_STREQ(FontGlyphKey('A'), "MAJ_A");
  EXPECT_STREQ(FontGlyphKey('z'), "MIN_z");
  for (int c : { 0, 37, 94, 96, 124, 126, 127, 130, 136, 138, 255 })
    EXPECT_EQ(FontGlyphKey(static_cast<uint8_t>(c)), nullptr) << c;
  int keyed = 0;
  for (int c = 0; c < 256; ++c)
    keyed += FontGlyphKey(static_cast<uint8_t>(c)) != nullptr;
  EXPECT_EQ(keyed, 9 + 17 + 10 + 26 + 26 + 2 + 1);
}
