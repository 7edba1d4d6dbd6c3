// The software device without a display: frame cycle, object classes, the triangle
// walk with its facing test and colour rules, point sprites and the module functions.
//
// The view and projection are identities, so a vertex (x, y, z) lands on pixel
// ((x + 1) * 32, 48 - (y + 1) * 24) of the 64 x 48 picture with depth (z + 1) / 2.

#include "sdk/core/3d_math.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/shape_builder.h"
#include "sdk/core/texture.h"
#include "sdk/software/3d_engine_soft.h"
#include "sdk/software/object_soft.h"
#include "sdk/software/software_platform.h"
#include "sdk/software/texture_soft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#ifndef _WIN32
#include <sys/resource.h>
#endif

using namespace zos;

namespace
{

constexpr uint32_t GREY = 0xFF787878;
constexpr uint32_t RED = 0xFFFF0000;

class SoftwareDeviceTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    settings = std::make_unique<SEngineSettings>();
    std::memset(settings.get(), 0, sizeof(SEngineSettings));
    SEngineSettings* s = settings.get();
    s->pMath = &math;
    math.Identity(&s->matProjection);
    math.Identity(&s->matCamera);
    math.Identity(&s->matView);
    s->wWidth = 64;
    s->wHeight = 48;
    s->byColorDepth = 32;
    s->dwTextColor = PackColor(0, 0, 255, 255); // cyan, as the built-in text has it
    s->fPointSpriteMin = 0.0f;
    s->fPointSpriteMax = 7.0f;
    s->dFrameRate = 30.0;
    s->dFrameStep = 1.0;
    ASSERT_EQ(ZP_OK, device.CreateOffscreen(s, 64, 48));
  }

  void TearDown() override { device.Destroy(); }

  // A one-part object with the given vertices, sequential indices and primitive type.
  C3DObject* Make(uint32_t kind, uint32_t flags, std::initializer_list<SVector3> points, uint32_t type,
                  uint32_t primitives, uint32_t cull, uint32_t colour = RED)
  {
    C3DObject* o = device.CreateObject(kind, flags);
    if (!o)
      return nullptr;
    const uint32_t n = uint32_t(points.size());
    EXPECT_EQ(ZP_OK, o->SetupGeometry(1, n, n));
    o->LockIndices();
    o->SetSequentialIndices();
    uint32_t i = 0;
    for (const SVector3& p : points)
      o->SetVertex(i++, p.x, p.y, p.z, colour, 0, 0, 0, 0, 0, 0);
    o->SetPart(0, 0, n, 0, n, primitives, type, cull, -1);
    o->Commit();
    return o;
  }

  uint32_t Pixel(int x, int y) const { return device.GetCurrentBitmap()->GetPixel(x, y); }

  int CountNot(uint32_t colour) const
  {
    const CBitmap* b = device.GetCurrentBitmap();
    int n = 0;
    for (uint32_t y = 0; y < b->GetHeight(); ++y)
      for (uint32_t x = 0; x < b->GetWidth(); ++x)
        n += b->GetPixel(int(x), int(y)) != colour;
    return n;
  }

  C3DMath math;
  std::unique_ptr<SEngineSettings> settings;
  C3DEngineSoft device;
};

// Screen points of the test triangle: A (16, 36), B (48, 36), C (32, 12).  In this
// order it appears clockwise on the screen (y down) and cull mode 1 removes it.
const SVector3 TA = { -0.5f, -0.5f, 0 };
const SVector3 TB = { 0.5f, -0.5f, 0 };
const SVector3 TC = { 0.0f, 0.5f, 0 };

TEST_F(SoftwareDeviceTest, FrameCycleFillsPrintsSwapsAndClearsDepth)
{
  EXPECT_EQ(&device.GetPlatform(), settings->pPlatform);
  CBitmap* first = device.GetCurrentBitmap();
  ASSERT_NE(nullptr, first);

  ASSERT_EQ(ZP_OK, device.BeginFrame());
  EXPECT_EQ(0, CountNot(GREY));
  C3DObject* o = Make(0x2, 0x1, { TA, TC, TB }, PRIMITIVE_TRIANGLE_LIST, 1, CULL_CCW);
  ASSERT_EQ(ZP_OK, o->Draw(-1));
  EXPECT_GT(CountNot(GREY), 0);

  ASSERT_EQ(ZP_OK, device.EndFrame());
  EXPECT_STREQ("30.00 fps 64x48x32 1.00", settings->szName);
  // The drawn bitmap is now the presented one; the other is drawn next.
  EXPECT_EQ(first, device.GetPresentedBitmap());
  EXPECT_NE(first, device.GetCurrentBitmap());
  for (uint32_t i = 0; i < device.GetRaster()->GetPixelCount(); ++i)
    ASSERT_EQ(0.0f, device.GetRaster()->GetDepthBuffer()[i]);

  // The frame-rate line: cyan glyph pixels on grey cells in the top-left corner only.
  int cyan = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 64; ++x)
      cyan += first->GetPixel(x, y) == 0xFF00FFFFu;
  EXPECT_GT(cyan, 20);
  EXPECT_EQ(GREY, first->GetPixel(2, 0));  // the cell row above the glyphs
  EXPECT_EQ(RED, first->GetPixel(30, 36)); // the triangle is still there

  // The next frame goes into the other bitmap, and then back.
  ASSERT_EQ(ZP_OK, device.BeginFrame());
  EXPECT_EQ(0, CountNot(GREY));
  ASSERT_EQ(ZP_OK, device.EndFrame());
  EXPECT_EQ(first, device.GetCurrentBitmap());
}

TEST_F(SoftwareDeviceTest, FacingTestFollowsTheCullMode)
{
  device.BeginFrame();
  C3DObject* cw = Make(0x2, 0x1, { TA, TB, TC }, PRIMITIVE_TRIANGLE_LIST, 1, CULL_CCW);
  cw->Draw(-1);
  EXPECT_EQ(0, CountNot(GREY)) << "culled by mode 1";

  cw->SetCullMode(0, CULL_CW);
  EXPECT_EQ(CULL_CW, cw->GetCullMode(0));
  cw->Draw(-1);
  EXPECT_EQ(RED, Pixel(30, 36)); // A-B along row 36
  EXPECT_EQ(RED, Pixel(16, 36));
  EXPECT_EQ(RED, Pixel(48, 36));
  EXPECT_EQ(RED, Pixel(32, 12));  // C
  EXPECT_EQ(GREY, Pixel(32, 30)); // inside: edges only

  device.BeginFrame();
  C3DObject* ccw = Make(0x2, 0x1, { TA, TC, TB }, PRIMITIVE_TRIANGLE_LIST, 1, CULL_CCW);
  ccw->Draw(-1);
  EXPECT_EQ(RED, Pixel(30, 36));
  device.BeginFrame();
  ccw->SetCullMode(0, CULL_CW);
  ccw->Draw(-1);
  EXPECT_EQ(0, CountNot(GREY));
}

TEST_F(SoftwareDeviceTest, CollinearTriangleIsCulledButDrawnWithoutCulling)
{
  device.BeginFrame();
  C3DObject* o =
      Make(0x2, 0x1, { { -0.5f, 0, 0 }, { 0, 0, 0 }, { 0.5f, 0, 0 } }, PRIMITIVE_TRIANGLE_LIST, 1, CULL_CCW);
  o->Draw(-1);
  EXPECT_EQ(0, CountNot(GREY));
  o->SetCullMode(0, CULL_NONE);
  o->Draw(-1);
  // Three overlapping lines on row 24 from x 16 to 48.
  EXPECT_EQ(33, CountNot(GREY));
  EXPECT_EQ(RED, Pixel(16, 24));
  EXPECT_EQ(RED, Pixel(48, 24));
}

TEST_F(SoftwareDeviceTest, ColoursFollowTheLightFlagsAndFaceFactor)
{
  // Drawn order A, C, B: face normal (0, 0, -1), towards the viewer at z < 0.
  device.BeginFrame();
  C3DObject* o = Make(0x2, 0x0, { TA, TC, TB }, PRIMITIVE_TRIANGLE_LIST, 1, CULL_CCW);
  o->Draw(-1);
  EXPECT_EQ(0xFF000000u, Pixel(30, 36)) << "without light 0 the edges are black";

  settings->light1.vPosition = { 0, 0, -10 };
  o->SetRenderFlags(RENDER_LIGHT | RENDER_LIGHTING);
  device.BeginFrame();
  o->Draw(-1);
  EXPECT_EQ(RED, Pixel(30, 36)) << "facing the light: k = 1";

  settings->light1.vPosition = { 0, 10, -10 };
  device.BeginFrame();
  device.EndFrame(); // clears the depth buffer so the same edges may be drawn again
  device.BeginFrame();
  o->Draw(-1);
  EXPECT_EQ(0xFFB40000u, Pixel(30, 36)) << "k = 0.7071: red 180";

  settings->light1.vPosition = { 0, 0, 10 };
  device.EndFrame();
  device.BeginFrame();
  o->Draw(-1);
  EXPECT_EQ(0xFF000000u, Pixel(30, 36)) << "facing away: k = 0";
}

TEST_F(SoftwareDeviceTest, FogFlagNeedsTheFogSwitch)
{
  // Depth of the triangle is 0.5, so -1/z = -2; with start -3 and end -1, f = 0.5.
  settings->fFogStart = -3.0f;
  settings->fFogEnd = -1.0f;
  settings->dwFogColor = 0xFF0000FE;
  device.BeginFrame();
  C3DObject* o = Make(0x2, RENDER_LIGHT | RENDER_FOG, { TA, TC, TB }, PRIMITIVE_TRIANGLE_LIST, 1, CULL_CCW);
  o->Draw(-1);
  EXPECT_EQ(RED, Pixel(30, 36)) << "fog switched off in the record";

  settings->swFog.Set(true);
  device.EndFrame();
  device.BeginFrame();
  o->Draw(-1);
  EXPECT_EQ(0xFF7F007Fu, Pixel(30, 36)); // 255 - 0.5 * 255 = 127.5, 0 + 0.5 * 254 = 127
}

TEST_F(SoftwareDeviceTest, StripSwapsEverySecondTriangleAndCountsGrow)
{
  // Quad v0 (16, 36), v1 (16, 12), v2 (48, 36), v3 (48, 12): with cull mode 1 the
  // second triangle survives only if its first two vertices are exchanged.
  device.BeginFrame();
  C3DObject* o =
      Make(0x2, 0x1, { { -0.5f, -0.5f, 0 }, { -0.5f, 0.5f, 0 }, { 0.5f, -0.5f, 0 }, { 0.5f, 0.5f, 0 } },
           PRIMITIVE_TRIANGLE_STRIP, 2, CULL_CCW);
  std::memset(settings->adwCounters, 0, sizeof(settings->adwCounters));
  ASSERT_EQ(ZP_OK, o->Draw(-1));
  EXPECT_EQ(RED, Pixel(16, 20)); // left edge, first triangle
  EXPECT_EQ(RED, Pixel(48, 20)); // right edge, second triangle
  EXPECT_EQ(RED, Pixel(30, 12)); // top edge, second triangle
  EXPECT_EQ(4u, settings->adwCounters[0]);
  EXPECT_EQ(4u, settings->adwCounters[1]);
  EXPECT_EQ(2u, settings->adwCounters[2]);

  o->DrawPart(0);
  EXPECT_EQ(8u, settings->adwCounters[0]);
  o->DrawPart(5); // no such part: nothing, nothing counted
  EXPECT_EQ(8u, settings->adwCounters[0]);
}

TEST_F(SoftwareDeviceTest, FanAndOtherPrimitiveTypes)
{
  // Fan around the centre (32, 24): triangles (c, 1, 2) and (c, 2, 3).
  device.BeginFrame();
  C3DObject* fan = Make(0x2, 0x1, { { 0, 0, 0 }, { -0.5f, 0, 0 }, { 0, 0.5f, 0 }, { 0.5f, 0, 0 } },
                        PRIMITIVE_TRIANGLE_FAN, 2, CULL_NONE);
  fan->Draw(-1);
  EXPECT_EQ(RED, Pixel(20, 24)); // c-1
  EXPECT_EQ(RED, Pixel(32, 18)); // c-2
  EXPECT_EQ(RED, Pixel(44, 24)); // c-3

  device.BeginFrame();
  C3DObject* lines = Make(0x2, 0x1, { TA, TB, TC }, PRIMITIVE_LINE_LIST, 1, CULL_NONE);
  lines->Draw(-1);
  EXPECT_EQ(0, CountNot(GREY)) << "lines and points have no triangles here";
}

TEST_F(SoftwareDeviceTest, ScreenSpaceAndBareObjectsDrawNothing)
{
  device.BeginFrame();
  std::memset(settings->adwCounters, 0, sizeof(settings->adwCounters));
  C3DObject* flat = Make(0x810, 0x1, { TA, TC, TB }, PRIMITIVE_TRIANGLE_LIST, 1, CULL_NONE);
  ASSERT_NE(nullptr, dynamic_cast<CObjectSoft2D*>(flat));
  EXPECT_EQ(ZP_OK, flat->Draw(-1));
  EXPECT_EQ(0, CountNot(GREY));
  EXPECT_EQ(3u, settings->adwCounters[0]); // still counted

  // Kind 0x4: the whole building order is accepted and drawing changes nothing.
  C3DObject* bare = device.CreateObject(0x4, 0xC29);
  ASSERT_NE(nullptr, dynamic_cast<CObjectSoftBare*>(bare));
  EXPECT_EQ(ZP_OK, bare->SetupGeometry(1, 3, 3));
  bare->LockIndices();
  bare->SetSequentialIndices();
  bare->SetVertex(0, 0, 0, 0, RED, 0, 0, 0, 0, 0, 0);
  bare->SetPart(0, 0, 3, 0, 3, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
  bare->Commit();
  bare->SetColorFactor(0x80);
  EXPECT_EQ(ZP_OK, bare->Draw(-1));
  EXPECT_EQ(ZP_OK, bare->DrawPart(0));
  bare->PreparePart(0);
  bare->DrawRange(0, 1, -1, -1);
  EXPECT_EQ(0, CountNot(GREY));
  EXPECT_EQ(ZP_OK, device.DestroyObject(bare));
}

TEST_F(SoftwareDeviceTest, PointSpritesShowStarsOfTheirSizeAndGrey)
{
  device.BeginFrame();
  C3DObject* stars = device.CreateObject(0x8, 0xC29);
  ASSERT_NE(nullptr, dynamic_cast<CObjectSoftSprites*>(stars));
  ASSERT_EQ(ZP_OK, stars->SetupGeometry(1, 2, 2));
  stars->LockIndices();
  stars->SetSequentialIndices();
  stars->SetVertex(0, 0, 0, 0, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0);        // (32, 24)
  stars->SetVertex(1, -0.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0); // (16, 12)
  stars->SetPart(0, 0, 2, 0, 2, 2, PRIMITIVE_POINT_LIST, CULL_CCW, -1);
  stars->Commit();

  ASSERT_EQ(ZP_OK, stars->PreparePart(0));
  stars->SetUserValue(100.0f); // (7 - 0) * 0.01 * 100 = 7 pixels
  stars->SetColorFactor(0xFA);
  ASSERT_EQ(ZP_OK, stars->DrawRange(0, 1, -1, -1));
  EXPECT_EQ(49, CountNot(GREY));
  EXPECT_EQ(0xFFFAFAFAu, Pixel(32, 24));
  EXPECT_EQ(0xFFFAFAFAu, Pixel(29, 21));
  EXPECT_EQ(0xFFFAFAFAu, Pixel(35, 27));
  EXPECT_EQ(GREY, Pixel(36, 24));

  stars->SetUserValue(30.0f); // 2.1 pixels: 2 x 2
  stars->SetColorFactor(0x40);
  ASSERT_EQ(ZP_OK, stars->DrawRange(1, 1, -1, -1));
  EXPECT_EQ(53, CountNot(GREY));
  EXPECT_EQ(0xFF404040u, Pixel(16, 12));

  // With a perspective projection a star in front is drawn and one behind is not.
  math.PerspectiveFovLH(&settings->matProjection, 1.0f, 64.0f / 48.0f, 1.0f, 100.0f);
  stars->SetUserValue(10.0f); // 0.7 pixels: one pixel
  stars->SetVertex(0, 0, 0, 5, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0);
  stars->SetVertex(1, 0, 0, -5, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0);
  device.BeginFrame();
  device.EndFrame();
  device.BeginFrame();
  stars->DrawRange(1, 1, -1, -1);
  EXPECT_EQ(0, CountNot(GREY));
  stars->DrawRange(0, 1, -1, -1);
  EXPECT_EQ(1, CountNot(GREY));
  EXPECT_EQ(0xFF404040u, Pixel(32, 24));
}

TEST_F(SoftwareDeviceTest, PointSpritesDrawnWholeTakeSizeAndColourFromEachVertex)
{
  device.BeginFrame();
  C3DObject* stars = device.CreateObject(0x8, 0xC29);
  ASSERT_EQ(ZP_OK, stars->SetupGeometry(1, 2, 2));
  stars->LockIndices();
  stars->SetSequentialIndices();
  stars->SetVertex(0, 0, 0, 0, 0xFFFAFAFA, 100.0f, 0, 0, 0, 0, 0);       // 7 x 7 at (32, 24)
  stars->SetVertex(1, -0.5f, 0.5f, 0, 0xFF404040, 30.0f, 0, 0, 0, 0, 0); // 2 x 2 at (16, 12)
  stars->SetPart(0, 0, 2, 0, 2, 2, PRIMITIVE_POINT_LIST, CULL_CCW, -1);
  stars->Commit();
  ASSERT_EQ(ZP_OK, stars->Draw(-1));
  EXPECT_EQ(53, CountNot(GREY));
  EXPECT_EQ(0xFFFAFAFAu, Pixel(35, 27));
  EXPECT_EQ(0xFF404040u, Pixel(16, 12));
}

TEST_F(SoftwareDeviceTest, VerticesAndPartCodesAreStoredAsGiven)
{
  C3DObject* o = device.CreateObject(0x12, 0x1);
  ASSERT_NE(nullptr, dynamic_cast<CObjectSoft3D*>(o)) << "kind 0x12 builds the mesh class";
  ASSERT_EQ(ZP_OK, o->SetupGeometry(2, 3, 6));
  o->SetVertex(1, 1, 2, 3, 0x11223344, 0.25f, 0.75f, 0, 0, 1, 0x55667788);
  SVector3 p{}, n{};
  SVector2 t{};
  uint32_t d = 0, s = 0;
  o->GetVertex(1, &p, &d, &t, &n, &s);
  EXPECT_EQ(3.0f, p.z);
  EXPECT_EQ(0.75f, t.y);
  EXPECT_EQ(1.0f, n.z);
  EXPECT_EQ(0x11223344u, d);
  EXPECT_EQ(0x55667788u, s);
  ASSERT_NE(nullptr, o->GetPositionAddress(1));
  EXPECT_EQ(2.0f, o->GetPositionAddress(1)->y);
  EXPECT_EQ(nullptr, o->GetPositionAddress(3)); // out of range
  o->SetDiffuse(7, 0);                          // ignored, no overrun
  EXPECT_EQ(static_cast<const void*>(o->GetPositionAddress(0)), o->GetVertexData());

  o->SetPrimitiveTypeAll(PRIMITIVE_LINE_STRIP, -1);
  EXPECT_EQ(PRIMITIVE_LINE_STRIP, o->GetPrimitiveType(1));
  o->SetCullMode(1, 3);
  EXPECT_EQ(3u, o->GetCullMode(1));
}

TEST_F(SoftwareDeviceTest, CreationOperations)
{
  EXPECT_EQ(nullptr, device.CreateObject(0x1, 0));
  CIndexBuffer* ib16 = device.CreateIndexBuffer(0, 0, 1);
  CIndexBuffer* ib32 = device.CreateIndexBuffer(0, 0, 2);
  ASSERT_NE(nullptr, ib16);
  ASSERT_NE(nullptr, ib32);
  EXPECT_EQ(1u, ib16->GetType());
  EXPECT_EQ(2u, ib32->GetType());
  EXPECT_EQ(nullptr, device.CreateIndexBuffer(0, 0, 3));
  EXPECT_EQ(ZP_OK, device.DestroyIndexBuffer(ib16));

  EXPECT_EQ(nullptr, device.CreateShader(1, 0));
  EXPECT_EQ(ZP_FAIL, device.DestroyShader(nullptr));

  // Textures are listed and shared by name, and a PNG header gives the size.
  static const uint8_t png[33] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0,  13, 'I',
                                   'H',  'D', 'R', 0,   0,    1,    0,    0,    0, 0, 64, 8,  6 };
  CTexture* a = device.LoadTexture(1, 7, png, sizeof(png), "dir\\Shine.png");
  CTexture* b = device.LoadTexture(1, 7, png, sizeof(png), "other/Shine.png");
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(a, b);
  EXPECT_STREQ("Shine.png", a->GetName());
  auto* soft = dynamic_cast<CTextureSoft*>(a);
  ASSERT_NE(nullptr, soft);
  EXPECT_EQ(256u, soft->GetWidth());
  EXPECT_EQ(64u, soft->GetHeight());
  EXPECT_EQ(32u, soft->GetBitsPerPixel());
  EXPECT_EQ(nullptr, device.LoadTexture(1, 7, nullptr, 0, "empty.png"));
  EXPECT_EQ(ZP_OK, device.DestroyTexture(a));
  EXPECT_EQ(ZP_OK, device.DestroyTexture(b));
}

TEST_F(SoftwareDeviceTest, ApplyLightsClearsTheThreeWordsAfterLightOnesPosition)
{
  settings->light1.vPosition = { 1, 2, 3 };
  settings->light1.fDiffuse = 2.0f;
  settings->light1.fSpecular = 0.7f;
  settings->light1.fAmbient = 0.03f;
  settings->light1.fMaterialDiffuse = 1.0f;
  EXPECT_EQ(ZP_OK, device.ApplyLights());
  EXPECT_EQ(0.0f, settings->light1.fDiffuse);
  EXPECT_EQ(0.0f, settings->light1.fSpecular);
  EXPECT_EQ(0.0f, settings->light1.fAmbient);
  EXPECT_EQ(3.0f, settings->light1.vPosition.z);
  EXPECT_EQ(1.0f, settings->light1.fMaterialDiffuse);
  EXPECT_EQ(ZP_OK, device.ApplyFog());
}

TEST_F(SoftwareDeviceTest, DestroyReleasesEverythingAndUnpublishesTheBlock)
{
  Make(0x2, 0x1, { TA, TB, TC }, PRIMITIVE_TRIANGLE_LIST, 1, CULL_NONE);
  Make(0x8, 0x1, { TA }, PRIMITIVE_POINT_LIST, 1, CULL_NONE);
  EXPECT_EQ(ZP_OK, device.Destroy());
  EXPECT_EQ(nullptr, settings->pPlatform);
  EXPECT_EQ(0u, device.GetRaster()->GetWidth());
  EXPECT_EQ(nullptr, device.GetRaster()->GetDepthBuffer());
  EXPECT_EQ(nullptr, device.m_plistObjects.First());
  EXPECT_EQ(nullptr, device.GetCurrentBitmap());
  // Frames after Destroy touch nothing.
  EXPECT_EQ(ZP_OK, device.BeginFrame());
  EXPECT_EQ(ZP_OK, device.EndFrame());
}

TEST_F(SoftwareDeviceTest, SphereOutlineLiesWhereProjectPutsIt)
{
  // A 160 x 120 picture seen through a 45 degree perspective from the origin; a sphere
  // of radius 20 at z = 100 with every edge drawn (cull mode 0 from flag 0x40).
  device.Destroy();
  settings->wWidth = 160;
  settings->wHeight = 120;
  math.PerspectiveFovLH(&settings->matProjection, 45.0f * 0.017453292522222223f, 160.0f / 120.0f, 1.0f,
                        1000.0f);
  ASSERT_EQ(ZP_OK, device.CreateOffscreen(settings.get(), 160, 120));
  ASSERT_EQ(ZP_OK, device.BeginFrame());

  C3DObject* sphere = device.CreateObject(0xC03, RENDER_LIGHT | RENDER_SHAPE_CULL_NONE);
  ASSERT_NE(nullptr, sphere);
  SShapeSphere sp = { 20.0f, 24, 0xFFFFFFFF, 0xFFFFFFFF };
  ASSERT_EQ(ZP_OK, sphere->BuildShape(SHAPE_SPHERE, &sp));
  math.SetTranslation(sphere->GetMatrix(), 0, 0, 100);
  ASSERT_EQ(ZP_OK, sphere->Draw(-1));

  // Where Project puts the vertices: their bounding box, and the sphere's centre.
  float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
  for (uint32_t i = 0; i < sphere->GetVertexCount(); ++i)
  {
    SVector3 p, q;
    sphere->GetPosition(i, &p);
    math.Project(&q, 160, 120, sphere->GetMatrix(), &settings->matView, &settings->matProjection, &p);
    minX = std::min(minX, q.x);
    maxX = std::max(maxX, q.x);
    minY = std::min(minY, q.y);
    maxY = std::max(maxY, q.y);
  }
  SVector3 centre = { 0, 0, 100 }, c;
  math.Project(&c, 160, 120, nullptr, &settings->matView, &settings->matProjection, &centre);
  EXPECT_NEAR(80.0f, c.x, 1e-3f);
  EXPECT_NEAR(60.0f, c.y, 1e-3f);
  // The top pole: 20 / 100 of the half-height times 1 / tan 22.5 degrees above the
  // centre; rings nearer the eye reach a little further.
  SVector3 pole = { 0, 20, 100 }, q;
  math.Project(&q, 160, 120, nullptr, &settings->matView, &settings->matProjection, &pole);
  EXPECT_NEAR(60.0f - 0.2f * 2.4142f * 60.0f, q.y, 0.01f);
  EXPECT_LE(minY, q.y);
  EXPECT_GT(minY, q.y - 1.0f);

  // What was drawn: white edges, nothing outside the projected box, every side reached.
  int dMinX = 1 << 20, dMaxX = -1, dMinY = 1 << 20, dMaxY = -1;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x)
      if (Pixel(x, y) != GREY)
      {
        dMinX = std::min(dMinX, x);
        dMaxX = std::max(dMaxX, x);
        dMinY = std::min(dMinY, y);
        dMaxY = std::max(dMaxY, y);
      }
  EXPECT_NEAR(std::floor(minX), dMinX, 1.0f);
  EXPECT_NEAR(std::floor(maxX), dMaxX, 1.0f);
  EXPECT_NEAR(std::floor(minY), dMinY, 1.0f);
  EXPECT_NEAR(std::floor(maxY), dMaxY, 1.0f);
  EXPECT_EQ(0xFFFFFFFFu, Pixel(80, int(minY) + 1)) << "the meridians meet at the top pole";

  // A box beside it: six strip parts of two triangles each.
  C3DObject* box = device.CreateObject(0xC03, RENDER_LIGHT);
  ASSERT_NE(nullptr, box);
  SShapeBox b = { 5, 5, 5, 0, 0xFFFF0000, 0xFFFFFFFF, 0.0f, 1.0f };
  ASSERT_EQ(ZP_OK, box->BuildShape(SHAPE_BOX, &b));
  math.SetTranslation(box->GetMatrix(), -40, 0, 100);
  std::memset(settings->adwCounters, 0, sizeof(settings->adwCounters));
  ASSERT_EQ(ZP_OK, box->Draw(-1));
  EXPECT_EQ(24u, settings->adwCounters[0]);
  EXPECT_EQ(24u, settings->adwCounters[1]);
  EXPECT_EQ(12u, settings->adwCounters[2]);
  int red = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 60; ++x)
      red += Pixel(x, y) == RED;
  EXPECT_GT(red, 20);
}

TEST_F(SoftwareDeviceTest, BadPartsAndIndicesDrawNothing)
{
  device.BeginFrame();
  C3DObject* o = Make(0x2, 0x1, { TA, TC, TB }, PRIMITIVE_TRIANGLE_LIST, 1, CULL_NONE);
  ASSERT_EQ(ZP_OK, o->Draw(-1));
  ASSERT_GT(CountNot(GREY), 0) << "the object is drawable as built";

  auto drawsNothing = [&](const char* what)
  {
    device.EndFrame();
    device.BeginFrame();
    EXPECT_EQ(ZP_OK, o->Draw(-1)) << what;
    EXPECT_EQ(0, CountNot(GREY)) << what;
  };
  o->SetPart(0, 0, 3, 0, 3, 1, 9, CULL_NONE, -1);
  drawsNothing("primitive type outside the table");
  o->SetPart(0, 0, 3, 2, 3, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
  drawsNothing("indices past the end of the index array");
  o->SetPart(0, 0, 3, 0x7FFFFFFF, 6, 2, PRIMITIVE_TRIANGLE_STRIP, CULL_NONE, -1);
  drawsNothing("first index far outside");
  o->SetPart(0, 0, 3, 1, 3, 1, PRIMITIVE_TRIANGLE_FAN, CULL_NONE, -1);
  drawsNothing("a fan running past the end");
  o->SetPart(0, 3, 3, 0, 3, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
  drawsNothing("base vertex past the vertices");
  o->SetPart(0, 0, 3, 0, 3, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
  o->LockIndices();
  o->SetIndex(2, 40000);
  drawsNothing("an index past the vertices");
  EXPECT_EQ(ZP_OK, o->DrawPart(0xFFFFFFFF));
  EXPECT_EQ(0, CountNot(GREY));
}

#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) ||                      \
    defined(__SANITIZE_MEMORY__)
#define PLANETO_NO_ADDRESS_LIMIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define PLANETO_NO_ADDRESS_LIMIT 1
#endif
#endif

#ifndef PLANETO_NO_ADDRESS_LIMIT
// Lets the process map only `extra` more bytes of address space (soft limit only, so
// it can be lifted again).  Sanitizers reserve huge shadow maps and cannot run so.
void LimitAddressSpace(size_t extra)
{
  unsigned long pages = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f || std::fscanf(f, "%lu", &pages) != 1)
    std::exit(3);
  std::fclose(f);
  rlimit r;
  getrlimit(RLIMIT_AS, &r);
  r.rlim_cur = pages * size_t(sysconf(_SC_PAGESIZE)) + extra;
  if (setrlimit(RLIMIT_AS, &r) != 0)
    std::exit(4);
}

void LiftAddressLimit()
{
  rlimit r;
  getrlimit(RLIMIT_AS, &r);
  r.rlim_cur = r.rlim_max;
  setrlimit(RLIMIT_AS, &r);
}

// Each case runs in a child process; it exits 0 when every expectation held.
void DepthBufferThatCannotBeAllocatedFailsCreate()
{
  SEngineSettings s;
  std::memset(&s, 0, sizeof(s));
  C3DMath math;
  s.pMath = &math;
  C3DEngineSoft device;
  // 10000 x 10000 pixels: two 400 MB bitmaps fit, the 400 MB depth buffer does not.
  LimitAddressSpace(size_t(900) << 20);
  const ZRESULT r = device.CreateOffscreen(&s, 10000, 10000);
  LiftAddressLimit();
  if (r != ZP_FAIL || device.GetRaster()->GetDepthBuffer() != nullptr)
    std::exit(1);
  if (!device.GetCurrentBitmap())
    std::exit(6); // the bitmaps failed, not the depth buffer: the limit is off
  if (device.Destroy() != ZP_OK || s.pPlatform != nullptr || device.m_plistObjects.First())
    std::exit(2);
  std::exit(0);
}

void GeometryThatCannotBeAllocatedFailsSetup()
{
  SEngineSettings s;
  std::memset(&s, 0, sizeof(s));
  C3DMath math;
  s.pMath = &math;
  C3DEngineSoft device;
  if (device.CreateOffscreen(&s, 64, 48) != ZP_OK)
    std::exit(1);
  C3DObject* o = device.CreateObject(0x2, 0x1);
  if (!o)
    std::exit(2);
  LimitAddressSpace(size_t(64) << 20);
  const ZRESULT r = o->SetupGeometry(1, 20000000, 3);   // about a gigabyte of vertices
  const ZRESULT r2 = o->SetupGeometry(1, 3, 200000000); // 800 MB of indices
  LiftAddressLimit();
  if (r != ZP_FAIL || r2 != ZP_FAIL)
    std::exit(3);
  // Nothing half-built is drawn, and the object still goes the normal way.
  device.BeginFrame();
  if (o->Draw(-1) != ZP_OK || device.DestroyObject(o) != ZP_OK || device.m_plistObjects.First())
    std::exit(4);
  if (device.Destroy() != ZP_OK)
    std::exit(5);
  std::exit(0);
}

#endif

TEST(SoftwareAllocationFailures, FailCleanly)
{
#ifdef PLANETO_NO_ADDRESS_LIMIT
  GTEST_SKIP() << "no address-space limit here (Windows, or a sanitizer)";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(DepthBufferThatCannotBeAllocatedFailsCreate(), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(GeometryThatCannotBeAllocatedFailsSetup(), ::testing::ExitedWithCode(0), "");
#endif
}

TEST(SoftwareModule, DescribeCreateDestroy)
{
  SPlatformDesc desc;
  std::memset(&desc, 0xCC, sizeof(desc));
  ASSERT_EQ(ZP_OK, DescribeSoftware(&desc));
  EXPECT_STREQ("Mar  4 2008 20:14:30", desc.szBuild);
  EXPECT_STREQ("Zephyro3D zp3D", desc.szName);
  EXPECT_EQ(0u, desc.wMinor);
  EXPECT_EQ(1u, desc.wMajor);
  EXPECT_EQ(0x1000010u, desc.dwFlags);
  EXPECT_EQ(ZP_FAIL, DescribeSoftware(nullptr));

  const SPlatformModule m = SoftwarePlatformModule();
  C3DEngine* e = m.pfnCreate();
  ASSERT_NE(nullptr, dynamic_cast<C3DEngineSoft*>(e));
  SEngineSettings* s = new SEngineSettings();
  EXPECT_EQ(5, e->Create(s, nullptr)) << "a null window";
  EXPECT_EQ(ZP_OK, e->Destroy());
  m.pfnDestroy(e);
  delete s;
}

} // namespace
