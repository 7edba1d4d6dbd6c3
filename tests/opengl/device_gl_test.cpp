// The OpenGL device on a real X server and GL context: frames are drawn and read back
// with glReadPixels from the back buffer before it is presented.

#include "data/embedded.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/shape_builder.h"
#include "sdk/image/image_levels.h"
#include "sdk/opengl/3d_engine_gl12.h"
#include "data/embedded.h"
#include "sdk/opengl/camera_gl.h"
#include "sdk/opengl/object_gl.h"
#include "sdk/opengl/object_gl_sprites.h"
#include "sdk/opengl/state_gl.h"
#include "sdk/opengl/shader_gl.h"
#include "sdk/opengl/texture_gl.h"
#include "sdk/os/window.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zos;

namespace
{

constexpr int W = 160;
constexpr int H = 120;

LRESULT TestProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l)
{
  return CWindow::DefWindowProc(hwnd, msg, w, l);
}

HWND MakeWindow()
{
  return CWindow::Create("PlanetoGLTest", "opengl test", WS_OVERLAPPED | WS_VISIBLE, 0, 0, W, H, TestProc,
                         WINDOW_OPENGL);
}

void Identity(SMatrix* m)
{
  std::memset(m, 0, sizeof(*m));
  for (int i = 0; i < 4; ++i)
    m->m[i][i] = 1.0f;
}

struct SPixel
{
  int r, g, b;
};

SPixel ReadPixel(int x, int yFromTop)
{
  GLubyte px[4] = { 0, 0, 0, 0 };
  glReadBuffer(GL_BACK);
  glReadPixels(x, H - 1 - yFromTop, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  return SPixel{ px[0], px[1], px[2] };
}

bool Near(SPixel p, int r, int g, int b, int tol = 3)
{
  return std::abs(p.r - r) <= tol && std::abs(p.g - g) <= tol && std::abs(p.b - b) <= tol;
}

std::vector<uint8_t> Tga2x2(std::initializer_list<uint8_t> bgrPixels)
{
  const uint8_t header[18] = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0 };
  std::vector<uint8_t> b(header, header + sizeof(header));
  for (uint8_t v : bgrPixels)
    b.push_back(v);
  return b;
}

class DeviceGL : public ::testing::Test
{
protected:
  void SetUp() override
  {
    settings.reset(new SEngineSettings);
    std::memset(settings.get(), 0, sizeof(SEngineSettings));
    SEngineSettings* s = settings.get();
    Identity(&s->matProjection);
    Identity(&s->matCamera);
    Identity(&s->matView);
    s->wWidth = W;
    s->wHeight = H;
    s->fFov = 45.0f;
    s->fNear = 1.0f;
    s->fFar = 1000.0f;
    s->swDepth.Set(true);
    s->swAlpha.Set(true);
    s->fPointSpriteMin = 0.0f;
    s->fPointSpriteMax = 7.0f;
    s->light1.fDiffuse = 2.0f;
    s->light1.fSpecular = 0.7f;
    s->light1.fAmbient = 0.02f;
    s->light1.vPosition = SVector3{ 5000.0f, 0.0f, 0.0f };
    s->light1.iType = 1; // a point light, as the built-in settings have it
    s->dwClearColor = 0x00000000;

    hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr) << "no X server";
    device.reset(static_cast<C3DEngineGL12*>(CreateOpenGL12()));
    ASSERT_EQ(device->Create(s, hwnd), ZP_OK);
    device->GetCamera()->Resize();
  }

  void TearDown() override
  {
    if (device)
    {
      EXPECT_EQ(device->Destroy(), ZP_OK);
      EXPECT_EQ(settings->pPlatform, nullptr);
      EXPECT_FALSE(CWindow::IsWindow(hwnd));
    }
  }

  // A triangle list covering the centre of the view, z = 10 in front of the camera.
  C3DObject* Triangle(uint32_t flags, uint32_t color)
  {
    C3DObject* o = device->CreateObject(0x2, flags);
    EXPECT_NE(o, nullptr);
    EXPECT_EQ(o->SetupGeometry(1, 3, 3), ZP_OK);
    o->LockIndices();
    o->SetSequentialIndices();
    o->SetVertex(0, -5.0f, -5.0f, 10.0f, color, 0, 0, 0, 0, -1, 0);
    o->SetVertex(1, 5.0f, -5.0f, 10.0f, color, 0, 0, 0, 0, -1, 0);
    o->SetVertex(2, 0.0f, 5.0f, 10.0f, color, 0, 0, 0, 0, -1, 0);
    o->SetPart(0, 0, 3, 0, 3, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
    EXPECT_EQ(o->Commit(), ZP_OK);
    return o;
  }

  // A screen-space quad from (x0, y0) to (x1, y1) in pixels, y downwards.
  C3DObject* Quad2D(float x0, float y0, float x1, float y1, uint32_t flags, uint32_t color)
  {
    C3DObject* o = device->CreateObject(0x810, flags);
    EXPECT_NE(o, nullptr);
    EXPECT_EQ(o->SetupGeometry(1, 4, 4), ZP_OK);
    o->LockIndices();
    o->SetSequentialIndices();
    o->SetVertex(0, x0, y0, 0, color, 0, 0, 0, 0, 1, 0);
    o->SetVertex(1, x1, y0, 0, color, 1, 0, 0, 0, 1, 0);
    o->SetVertex(2, x0, y1, 0, color, 0, 1, 0, 0, 1, 0);
    o->SetVertex(3, x1, y1, 0, color, 1, 1, 0, 0, 1, 0);
    o->SetPart(0, 0, 4, 0, 4, 2, PRIMITIVE_TRIANGLE_STRIP, CULL_NONE, -1);
    EXPECT_EQ(o->Commit(), ZP_OK);
    return o;
  }

  std::unique_ptr<SEngineSettings> settings;
  std::unique_ptr<C3DEngineGL12> device;
  HWND hwnd = nullptr;
};

} // namespace

TEST(DeviceGLCreate, NullWindowReturnsFiveAndTouchesNothing)
{
  SEngineSettings s;
  std::memset(&s, 0, sizeof(s));
  std::unique_ptr<C3DEngine> device(CreateOpenGL12());
  EXPECT_EQ(device->Create(&s, nullptr), 5);
  EXPECT_EQ(s.pPlatform, nullptr);
}

TEST(DeviceGLModule, Descriptor)
{
  SPlatformDesc d;
  std::memset(&d, 0xAB, sizeof(d));
  ASSERT_EQ(DescribeOpenGL12(&d), ZP_OK);
  EXPECT_STREQ(d.szName, "OpenGL 1.2");
  EXPECT_EQ(d.dwFlags, 0x1000004u);
  EXPECT_EQ(d.wMajor, 1);
  EXPECT_EQ(d.wMinor, 0);
  EXPECT_NE(std::strstr(d.szBuild, " 23:04:54"), nullptr);
  EXPECT_EQ(d.szName[31], 0);
}

TEST_F(DeviceGL, ContextStateAndPlatformBlock)
{
  SPlatformGL* p = GetPlatformGL(settings.get());
  ASSERT_EQ(p, device->GetPlatform());
  EXPECT_EQ(p->hWnd, hwnd);
  EXPECT_NE(p->hRC, nullptr);
  EXPECT_NE(p->glActiveTextureARB, nullptr); // llvmpipe has the extensions
  EXPECT_NE(p->glCreateShaderObjectARB, nullptr);
  GLint depthBits = 0, stencilBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
  EXPECT_GE(depthBits, 24);
  EXPECT_EQ(stencilBits, 8);
  GLboolean doubleBuffer = GL_FALSE;
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffer);
  EXPECT_TRUE(doubleBuffer);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(DeviceGL, LightsAndFogFollowTheRecord)
{
  settings->dwFogColor = 0xFF336699;
  settings->fFogStart = 100.0f;
  settings->fFogEnd = 200.0f;
  device->ApplyFog();
  device->ApplyLights();
  GLfloat v[4];
  glGetFloatv(GL_FOG_COLOR, v);
  EXPECT_NEAR(v[0], 0x33 / 255.0f, 1e-6);
  EXPECT_NEAR(v[2], 0x99 / 255.0f, 1e-6);
  EXPECT_NEAR(v[3], 1.0f, 1e-6);
  GLint mode = 0;
  glGetIntegerv(GL_FOG_MODE, &mode);
  EXPECT_EQ(mode, GL_LINEAR);
  glGetFloatv(GL_FOG_END, v);
  EXPECT_FLOAT_EQ(v[0], 200.0f);
  glGetLightfv(GL_LIGHT0, GL_POSITION, v); // eye space = world: model-view is identity
  EXPECT_FLOAT_EQ(v[0], -5000.0f);
  EXPECT_FLOAT_EQ(v[1], 0.0f);
  EXPECT_FLOAT_EQ(v[2], 0.0f);
  EXPECT_FLOAT_EQ(v[3], 1.0f);
  glGetLightfv(GL_LIGHT0, GL_AMBIENT, v);
  EXPECT_FLOAT_EQ(v[0], 0.01f);
  EXPECT_FLOAT_EQ(v[3], 1.0f);
  glGetLightfv(GL_LIGHT0, GL_DIFFUSE, v);
  EXPECT_FLOAT_EQ(v[1], 2.0f);
  glGetMaterialfv(GL_FRONT, GL_SHININESS, v);
  EXPECT_FLOAT_EQ(v[0], 50.0f);
  settings->light1.iType = 0; // directional: the light comes from that direction
  device->ApplyLights();
  glGetLightfv(GL_LIGHT0, GL_POSITION, v);
  EXPECT_FLOAT_EQ(v[3], 0.0f);
}

TEST_F(DeviceGL, BeginFrameClearsEveryBuffer)
{
  settings->dwClearColor = 0x00204060;
  glClearStencil(0);
  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 0x20, 0x40, 0x60, 1));
  EXPECT_TRUE(Near(ReadPixel(0, 0), 0x20, 0x40, 0x60, 1));
  GLfloat depth = 0.0f;
  glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_FLOAT_EQ(depth, 1.0f);
  ASSERT_EQ(device->EndFrame(), ZP_OK);
  // The model-view stack is balanced frame after frame, even with another matrix selected.
  for (int i = 0; i < 40; ++i)
  {
    device->BeginFrame();
    glMatrixMode(GL_PROJECTION);
    device->EndFrame();
  }
  GLint stack = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stack);
  EXPECT_EQ(stack, 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DeviceGL, CreateObjectChoosesTheClassByTheFirstKindBit)
{
  C3DObject* mesh = device->CreateObject(0x12, 0);
  EXPECT_NE(dynamic_cast<CObjectGL3D*>(mesh), nullptr);
  EXPECT_EQ(dynamic_cast<CObjectGL2D*>(mesh), nullptr);
  C3DObject* screen = device->CreateObject(0x10, 0);
  EXPECT_NE(dynamic_cast<CObjectGL2D*>(screen), nullptr);
  C3DObject* bare = device->CreateObject(0x4, 0);
  EXPECT_NE(dynamic_cast<CObjectGL*>(bare), nullptr);
  EXPECT_EQ(dynamic_cast<CObjectGL3D*>(bare), nullptr);
  C3DObject* sprites = device->CreateObject(0x8, 0xC29);
  EXPECT_NE(dynamic_cast<CObjectGLSprites*>(sprites), nullptr);
  EXPECT_EQ(device->CreateObject(0x1, 0), nullptr);
  EXPECT_EQ(device->DestroyObject(mesh), ZP_OK);
  EXPECT_EQ(device->DestroyObject(nullptr), ZP_FAIL);

  CIndexBuffer* ib16 = device->CreateIndexBuffer(0, 0, 1);
  CIndexBuffer* ib32 = device->CreateIndexBuffer(0, 0, 2);
  ASSERT_NE(ib16, nullptr);
  ASSERT_NE(ib32, nullptr);
  EXPECT_EQ(ib16->GetType(), INDEX_TYPE_16);
  EXPECT_EQ(ib32->GetType(), INDEX_TYPE_32);
  EXPECT_EQ(device->CreateIndexBuffer(0, 0, 3), nullptr);
  EXPECT_EQ(device->DestroyIndexBuffer(ib16), ZP_OK);
  // The rest is left for Destroy to clean up.
}

TEST_F(DeviceGL, TriangleIsDrawnFromItsDisplayList)
{
  C3DObject* tri = Triangle(0x8000 | 0x400, 0xFF00FF00);
  GLuint list = static_cast<CObjectGL*>(tri)->GetDisplayList(0);
  ASSERT_NE(list, 0u);
  EXPECT_TRUE(glIsList(list));

  // Changed after Commit: the list still shows the committed colour.
  tri->SetDiffuse(0, 0xFFFF0000);
  tri->SetDiffuse(1, 0xFFFF0000);
  tri->SetDiffuse(2, 0xFFFF0000);
  device->BeginFrame();
  std::memset(settings->adwCounters, 0, sizeof(settings->adwCounters));
  EXPECT_EQ(tri->Draw(ALL_PARTS), ZP_OK);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 0, 255, 0));
  EXPECT_TRUE(Near(ReadPixel(2, 2), 0, 0, 0));
  EXPECT_EQ(settings->adwCounters[0], 3u);
  EXPECT_EQ(settings->adwCounters[1], 3u);
  EXPECT_EQ(settings->adwCounters[2], 1u);
  device->EndFrame();

  // The next Commit picks the change up, and one written through a handed-out address.
  tri->Commit();
  device->BeginFrame();
  tri->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 255, 0, 0));
  device->EndFrame();
  for (uint32_t v = 0; v < 3; ++v)
    *tri->GetDiffuseAddress(v) = 0xFF0000FF;
  tri->Commit();
  device->BeginFrame();
  tri->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 0, 0, 255));
  device->EndFrame();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DeviceGL, BadPartRecordsDrawNothingAndReadNothingOutside)
{
  for (uint32_t flags : { 0x8000u | 0x400u, 0x8000u | 0x400u | 0x20000u }) // lists, immediate
  {
    C3DObject* tri = Triangle(flags, 0xFFFFFFFF);
    auto drawsNothing = [&](const char* what)
    {
      EXPECT_EQ(tri->Commit(), ZP_OK) << what;
      device->BeginFrame();
      EXPECT_EQ(tri->Draw(ALL_PARTS), ZP_OK) << what;
      EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 0, 0, 0)) << what << " " << flags;
      device->EndFrame();
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << what;
    };
    tri->SetPart(0, 0, 3, 3, 3, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
    drawsNothing("first index at the end of the indices");
    tri->SetPart(0, 0, 3, 0xFFFFFFF0u, 40, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
    drawsNothing("first index far outside");
    tri->SetPart(0, 3, 3, 0, 3, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
    drawsNothing("base vertex past the vertices");
    tri->SetPart(0, 0, 3, 0, 3, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, 7);
    drawsNothing("material index of a part that does not exist");
    tri->SetPart(0, 0, 3, 0, 3, 1, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
    tri->LockIndices();
    tri->SetIndex(1, 60000);
    drawsNothing("an index past the vertices");
    EXPECT_EQ(tri->DrawPart(5), ZP_OK);
    device->DestroyObject(tri);
  }
}

TEST_F(DeviceGL, WorldMatrixMovesTheObject)
{
  C3DObject* tri = Triangle(0x8000 | 0x400, 0xFFFFFFFF);
  SMatrix* m = tri->GetMatrix();
  m->m[3][0] = 100.0f; // far to the right, out of view
  device->BeginFrame();
  tri->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 0, 0, 0));
  device->EndFrame();
}

TEST_F(DeviceGL, FactorAlphaDrawsImmediatelyWithTheFactorsAlpha)
{
  C3DObject* tri = Triangle(0x20000 | 0x400 | 0x8, 0xFF102030);
  EXPECT_EQ(static_cast<CObjectGL*>(tri)->GetDisplayList(0), 0u);
  tri->SetColorFactor(0x80); // 0x80808080
  device->BeginFrame();
  tri->Draw(ALL_PARTS);
  // Blended over black with alpha 0x80 / 255.
  SPixel p = ReadPixel(W / 2, H / 2);
  EXPECT_TRUE(Near(p, 0x10 * 128 / 255, 0x20 * 128 / 255, 0x30 * 128 / 255, 2))
      << p.r << " " << p.g << " " << p.b;
  device->EndFrame();

  // The whole word 0x80FFFFFF: only its alpha byte counts, the vertex keeps its colour.
  tri->SetColorFactorWord(0x80FFFFFF);
  device->BeginFrame();
  tri->Draw(ALL_PARTS);
  p = ReadPixel(W / 2, H / 2);
  EXPECT_TRUE(Near(p, 0x10 * 128 / 255, 0x20 * 128 / 255, 0x30 * 128 / 255, 2))
      << p.r << " " << p.g << " " << p.b;
  device->EndFrame();

  // Vertex changes show at once: nothing is compiled.
  tri->SetDiffuse(0, 0xFFFFFFFF);
  tri->SetDiffuse(1, 0xFFFFFFFF);
  tri->SetDiffuse(2, 0xFFFFFFFF);
  tri->SetColorFactor(0xFF);
  device->BeginFrame();
  tri->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 255, 255, 255));

  // A factor of alpha 0 leaves the colour as it was but still lays the depth (the
  // always-pass test, with the depth switch off, writes it): a green triangle behind
  // stays hidden.
  C3DObject* veil = Triangle(0x20000 | 0x400 | 0x8 | 0x8000 | 0x10000, 0xFFFF0000);
  veil->SetColorFactor(0);
  settings->swDepth.bCurrent = 0;
  veil->Draw(ALL_PARTS);
  settings->swDepth.bCurrent = 1;
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 255, 255, 255));
  GLboolean abMask[4] = {};
  glGetBooleanv(GL_COLOR_WRITEMASK, abMask);
  EXPECT_TRUE(abMask[0] && abMask[1] && abMask[2] && abMask[3]);
  C3DObject* behind = Triangle(0x8000 | 0x10000 | 0x400, 0xFF00FF00);
  behind->GetMatrix()->m[3][2] = -10.0f;
  behind->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 255, 255, 255));
  // Without blending the alpha is not looked at: the colour lands.
  C3DObject* opaque = Triangle(0x20000 | 0x400 | 0x8000, 0xFFFF0000);
  opaque->SetColorFactor(0);
  opaque->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 255, 0, 0));
  device->EndFrame();
}

TEST_F(DeviceGL, CullingFollowsThePartsMode)
{
  // Seen from the camera the triangle winds one way; culling one winding hides it.
  C3DObject* tri = Triangle(0x8000 | 0x400, 0xFFFFFFFF);
  int visible = 0;
  for (uint32_t mode : { CULL_CCW, CULL_CW })
  {
    tri->SetCullMode(0, mode);
    device->BeginFrame();
    tri->Draw(ALL_PARTS);
    visible += Near(ReadPixel(W / 2, H / 2), 255, 255, 255);
    device->EndFrame();
  }
  EXPECT_EQ(visible, 1);

  // Modes 0 and 3 turn culling off: both windings show, and 3 reads back as 0.
  for (uint32_t mode : { 0u, 3u })
  {
    for (bool reversed : { false, true })
    {
      C3DObject* t = Triangle(0x8000 | 0x400, 0xFFFFFFFF);
      if (reversed)
      {
        t->SetVertex(0, 5.0f, -5.0f, 10.0f, 0xFFFFFFFF, 0, 0, 0, 0, -1, 0);
        t->SetVertex(1, -5.0f, -5.0f, 10.0f, 0xFFFFFFFF, 0, 0, 0, 0, -1, 0);
      }
      t->SetCullMode(0, mode);
      EXPECT_EQ(t->GetCullMode(0), 0u) << mode;
      EXPECT_EQ(t->Commit(), ZP_OK);
      device->BeginFrame();
      glEnable(GL_CULL_FACE); // left on by an earlier draw
      t->Draw(ALL_PARTS);
      EXPECT_FALSE(glIsEnabled(GL_CULL_FACE)) << mode;
      EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 255, 255, 255)) << mode << " " << reversed;
      device->EndFrame();
      device->DestroyObject(t);
    }
  }
}

// An opaque closed sphere drawn without culling may be drawn without its far side, but
// only that: seen from outside its near half shows, seen from inside its far half, and
// the culling and front-face states are as the part's record left them.
TEST_F(DeviceGL, ClosedSphereShowsTheSameSideWithItsFarSideLeftOut)
{
  C3DObject* ball = device->CreateObject(0x2, 0x8000 | 0x10000 | 0x400);
  SShapeSphere shape = { 10.0f, 16, 0xFFFFFFFF, 0 };
  ASSERT_EQ(ball->BuildShape(SHAPE_SPHERE, &shape), ZP_OK);
  ball->LockIndices();
  for (uint32_t v = 0; v < ball->GetVertexCount(); ++v)
  {
    SVector3 p;
    ball->GetPosition(v, &p);
    ball->SetDiffuse(v, p.z < 0.0f ? 0xFFFF0000 : 0xFF00FF00); // near half red, far half green
  }
  ASSERT_EQ(ball->Commit(), ZP_OK);

  for (float z : { -50.0f, 0.0f }) // in front of the camera (mirrored z), then around it
  {
    ball->GetMatrix()->m[3][2] = z;
    device->BeginFrame();
    device->GetPlatform()->pState->FrontFace(GL_CW); // the winding two-sided lighting goes by
    ball->Draw(ALL_PARTS);
    const SPixel centre = ReadPixel(W / 2, H / 2);
    EXPECT_TRUE(z < 0.0f ? Near(centre, 255, 0, 0) : Near(centre, 0, 255, 0)) << z;
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLint iFront = 0;
    glGetIntegerv(GL_FRONT_FACE, &iFront);
    EXPECT_EQ(iFront, GL_CW);
    device->EndFrame();
  }
}

// Drawing a part again where its own depth already stands lets no fragment through and
// may be left out; once something has drawn over it, or the frame has been cleared,
// the part must be drawn again.
TEST_F(DeviceGL, RedrawIsLeftOutOnlyWhileItsOwnDepthStands)
{
  C3DObject* tri = Triangle(0x8000 | 0x10000 | 0x400, 0xFF00FF00);
  // Behind the triangle, over the whole view, with the always-pass test (the depth
  // switch off while it draws): it paints over the triangle and leaves its own, farther
  // depth.
  C3DObject* wall = device->CreateObject(0x2, 0x8000 | 0x10000 | 0x400);
  ASSERT_EQ(wall->SetupGeometry(1, 4, 4), ZP_OK);
  wall->LockIndices();
  wall->SetSequentialIndices();
  wall->SetVertex(0, -50.0f, -50.0f, 20.0f, 0xFFFF0000, 0, 0, 0, 0, -1, 0);
  wall->SetVertex(1, 50.0f, -50.0f, 20.0f, 0xFFFF0000, 0, 0, 0, 0, -1, 0);
  wall->SetVertex(2, -50.0f, 50.0f, 20.0f, 0xFFFF0000, 0, 0, 0, 0, -1, 0);
  wall->SetVertex(3, 50.0f, 50.0f, 20.0f, 0xFFFF0000, 0, 0, 0, 0, -1, 0);
  wall->SetPart(0, 0, 4, 0, 4, 2, PRIMITIVE_TRIANGLE_STRIP, CULL_NONE, -1);
  ASSERT_EQ(wall->Commit(), ZP_OK);

  device->BeginFrame();
  tri->Draw(ALL_PARTS);
  tri->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 0, 255, 0));
  settings->swDepth.bCurrent = 0;
  wall->Draw(ALL_PARTS);
  settings->swDepth.bCurrent = 1;
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 255, 0, 0));
  tri->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 0, 255, 0));
  device->EndFrame();

  device->BeginFrame();
  tri->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 0, 255, 0));
  device->EndFrame();
}

// Depth is written by what has the write flag: a surface tested but not written leaves
// a farther one drawn after it in sight.
TEST_F(DeviceGL, DepthIsWrittenOnlyWhereTheFlagsSaySo)
{
  C3DObject* tri = Triangle(0x8000 | 0x400, 0xFF00FF00);
  C3DObject* behind = Triangle(0x8000 | 0x10000 | 0x400, 0xFFFF0000);
  behind->GetMatrix()->m[3][2] = -10.0f; // twice as far
  behind->GetMatrix()->m[0][0] = behind->GetMatrix()->m[1][1] = 2.0f;
  device->BeginFrame();
  tri->Draw(ALL_PARTS);
  behind->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 255, 0, 0));
  device->EndFrame();
}

// A part wholly beyond one side of the view is left out; one reaching into it is drawn,
// however far its centre lies outside.
TEST_F(DeviceGL, PartsOutsideTheViewAreLeftOutAndTheRestDrawn)
{
  C3DObject* tri = Triangle(0x8000 | 0x10000 | 0x400, 0xFF00FF00);
  CStateGL* state = device->GetPlatform()->pState;
  const uint64_t before = state->GetLeftOut();
  device->BeginFrame();
  tri->GetMatrix()->m[3][0] = -40.0f; // far to the left
  tri->Draw(ALL_PARTS);
  EXPECT_EQ(state->GetLeftOut(), before + 1);
  EXPECT_TRUE(Near(ReadPixel(2, H / 2), 0, 0, 0));
  tri->GetMatrix()->m[3][0] = -7.5f; // centre outside, its right part over the left edge
  tri->Draw(ALL_PARTS);
  EXPECT_EQ(state->GetLeftOut(), before + 1);
  EXPECT_TRUE(Near(ReadPixel(1, H / 2), 0, 255, 0));
  device->EndFrame();
}

// An unlit white part under one modulating texture draws the texture alone, as
// modulating it would, and hands the next texture the modulation back.
TEST_F(DeviceGL, WhiteUnderOneTextureShowsTheTextureAndLeavesModulationBehind)
{
  std::vector<uint8_t> tga = Tga2x2({ 50, 100, 200, 50, 100, 200, 50, 100, 200, 50, 100, 200 });
  CTexture* modulating = device->LoadTexture(0, 0x01, tga.data(), static_cast<uint32_t>(tga.size()), "m.tga");
  CTexture* plain = device->LoadTexture(0, 0x00, tga.data(), static_cast<uint32_t>(tga.size()), "p.tga");
  C3DObject* white = Quad2D(0, 0, W / 2, H, 0x400 | 0x800, 0xFFFFFFFF);
  C3DObject* grey = Quad2D(W / 2, 0, W, H, 0x400 | 0x800, 0xFF808080);
  white->SetTexture(modulating, 0, 0);
  grey->SetTexture(plain, 0, 0);
  device->BeginFrame();
  white->Draw(ALL_PARTS);
  grey->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 4, H / 2), 200, 100, 50, 0));
  EXPECT_TRUE(Near(ReadPixel(3 * W / 4, H / 2), 100, 50, 25, 2));
  device->EndFrame();
}

TEST_F(DeviceGL, ScreenSpaceObjectUsesPixelsFromTheTopLeft)
{
  C3DObject* quad = Quad2D(10, 10, 30, 20, 0x400, 0xFF0000FF);
  device->BeginFrame();
  quad->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(20, 15), 0, 0, 255));
  EXPECT_TRUE(Near(ReadPixel(20, 25), 0, 0, 0));
  EXPECT_TRUE(Near(ReadPixel(20, H - 15), 0, 0, 0));
  device->EndFrame();
}

TEST_F(DeviceGL, WireframeOutlinesAndBindsNoTexture)
{
  // Edges on pixel centres, so that the outline falls on known pixels.
  C3DObject* quad = Quad2D(10.5f, 10.5f, 60.5f, 60.5f, 0x400 | 0x4000 | 0x800, 0xFFFFFFFF);
  std::vector<uint8_t> red = Tga2x2({ 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255 });
  CTexture* tex = device->LoadTexture(0, 8, red.data(), static_cast<uint32_t>(red.size()), "red.tga");
  ASSERT_NE(tex, nullptr);
  quad->SetTexture(tex, 0, 0);
  device->BeginFrame();
  quad->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(25, 40), 0, 0, 0));       // inside, off the diagonal: not filled
  EXPECT_TRUE(Near(ReadPixel(10, 35), 255, 255, 255)); // the left edge, white: no texture
  device->EndFrame();
}

TEST_F(DeviceGL, TgaTextureAppearsUprightOnAQuad)
{
  // Stored bottom row first: bottom row red, top row blue (BGR bytes).
  std::vector<uint8_t> tga = Tga2x2({ 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0 });
  CTexture* tex = device->LoadTexture(0, 8, tga.data(), static_cast<uint32_t>(tga.size()), "dir/x.tga");
  ASSERT_NE(tex, nullptr);
  EXPECT_STREQ(tex->GetName(), "x.tga");
  CTextureGL* gl = static_cast<CTextureGL*>(tex);
  EXPECT_TRUE(glIsTexture(gl->GetTextureName()));
  EXPECT_EQ(gl->GetPixelFormat(), static_cast<GLenum>(GL_RGB));

  C3DObject* quad = Quad2D(0, 0, W, H, 0x400 | 0x800, 0xFFFFFFFF);
  quad->SetTexture(tex, 0, 0);
  device->BeginFrame();
  quad->Draw(ALL_PARTS);
  EXPECT_TRUE(Near(ReadPixel(W / 2, 5), 0, 0, 255));     // top: blue
  EXPECT_TRUE(Near(ReadPixel(W / 2, H - 5), 255, 0, 0)); // bottom: red
  device->EndFrame();
}

TEST_F(DeviceGL, BuiltInPngUploadsWithMipmaps)
{
  for (const char* name : { "sun.png", "Moon.png", "sun4.png" })
  {
    const SEmbeddedFile* img = FindBuiltInImage(name);
    ASSERT_NE(img, nullptr) << name;
    CTexture* tex = device->LoadTexture(1, 7, img->data, img->size, name);
    ASSERT_NE(tex, nullptr) << name;
    CTextureGL* gl = static_cast<CTextureGL*>(tex);
    ASSERT_NE(gl->GetTextureName(), 0u);
    glBindTexture(GL_TEXTURE_2D, gl->GetTextureName());
    GLint w = 0, h = 0, minFilter = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_GT(w, 0);
    EXPECT_EQ(w & (w - 1), 0) << name << " is scaled to a power of two";
    EXPECT_EQ(h & (h - 1), 0) << name;
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    GLint w1 = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &w1);
    EXPECT_EQ(w1, w / 2) << "mipmap level 1 of " << name;
  }
  // Shared by name: a second load of the same image finds the first.
  const SEmbeddedFile* sun = FindBuiltInImage("sun.png");
  CTexture* a = device->LoadTexture(1, 7, sun->data, sun->size, "sun.png");
  CTexture* b = device->LoadTexture(1, 7, sun->data, sun->size, "other/sun.png");
  EXPECT_EQ(a, b);
  EXPECT_EQ(device->LoadTexture(1, 7, sun->data, sun->size, "sun.bmp"), nullptr);
  EXPECT_EQ(device->LoadTexture(1, 7, sun->data, sun->size, "sun.raw"), nullptr);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A map read again while the scene runs goes to the device a band of rows a frame:
// every level complete, texel for texel, once the last band is in.
TEST_F(DeviceGL, AStagedImageArrivesBandByBandIntoEveryLevel)
{
  SImage image;
  image.width = 6; // brought to 8
  image.height = 4;
  image.format = IMAGE_RGB;
  image.components = 3;
  image.bitsPerPixel = 24;
  for (int i = 0; i < 6 * 4 * 3; ++i)
    image.pixels.push_back(uint8_t(i * 7));
  std::vector<SImage> levels = MipLevels(image);
  ASSERT_EQ(levels.size(), 4u); // 8 x 4, 4 x 2, 2 x 1, 1 x 1
  const std::vector<SImage> expected = levels;
  CTexture* tex = device->CreateTexture(1, 7);
  ASSERT_NE(tex, nullptr);
  ASSERT_EQ(tex->BeginStaged(&levels, "dir/staged.png"), ZP_OK);
  EXPECT_TRUE(levels.empty());
  EXPECT_STREQ(tex->GetName(), "staged.png");
  // Two rows of level 0 a step (24 bytes a row), then the small levels together.
  int iSteps = 1;
  while (!tex->StepStaged(48) && iSteps < 10)
    ++iSteps;
  EXPECT_EQ(iSteps, 3);
  glBindTexture(GL_TEXTURE_2D, static_cast<CTextureGL*>(tex)->GetTextureName());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  for (size_t i = 0; i < expected.size(); ++i)
  {
    std::vector<uint8_t> texels(expected[i].pixels.size());
    glGetTexImage(GL_TEXTURE_2D, GLint(i), GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels, expected[i].pixels) << "level " << i;
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  device->DestroyTexture(tex);
}

TEST_F(DeviceGL, TextureApplyBlendsOnlyWhenEverythingAsks)
{
  std::vector<uint8_t> tga = Tga2x2({ 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3 });
  CTexture* blend = device->LoadTexture(0, 2 | 4 | 1, tga.data(), static_cast<uint32_t>(tga.size()), "a.tga");
  CTexture* noBlend = device->LoadTexture(0, 1, tga.data(), static_cast<uint32_t>(tga.size()), "b.tga");
  ASSERT_NE(blend, nullptr);
  ASSERT_NE(noBlend, nullptr);

  blend->Apply(0x8, 0);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
  GLint dst = 0;
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(dst, GL_ONE); // additive
  GLint env = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  EXPECT_EQ(env, GL_MODULATE);

  blend->Apply(0x0, 0); // the object does not blend
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  noBlend->Apply(0x8, 0); // the texture may not blend
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  settings->swAlpha.bCurrent = 0; // ALPHA_ENABLE off
  blend->Apply(0x8, 1);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLint unit = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
  EXPECT_EQ(unit, GL_TEXTURE1_ARB);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(DeviceGL, DisplayListDrawEqualsImmediateDraw)
{
  // A lit, textured sphere drawn from its lists, then the same sphere drawn vertex by
  // vertex (0x20000 with an opaque factor compiles nothing): the frames agree.
  const SEmbeddedFile* moon = FindBuiltInImage("moon.png");
  ASSERT_NE(moon, nullptr);
  CTexture* tex = device->LoadTexture(1, 3, moon->data, moon->size, "moon.png");
  ASSERT_NE(tex, nullptr);
  auto frame = [&](uint32_t flags)
  {
    C3DObject* o = device->CreateObject(0xC03, flags);
    SShapeSphere sp = { 4.0f, 16, 0xFFFFFFFF, 0xFFFFFFFF };
    EXPECT_EQ(o->BuildShape(SHAPE_SPHERE, &sp), ZP_OK);
    o->SetTexture(tex, 0, 0);
    o->GetMatrix()->m[3][2] = -12.0f; // 12 ahead of the camera
    o->SetColorFactor(0xFF);
    EXPECT_EQ(static_cast<CObjectGL*>(o)->GetDisplayList(0) != 0, (flags & 0x20000) == 0);
    device->BeginFrame();
    o->Draw(ALL_PARTS);
    std::vector<uint8_t> px(W * H * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    device->EndFrame();
    device->DestroyObject(o);
    return px;
  };
  const uint32_t flags = 0x1 | 0x2 | 0x20 | 0x80 | 0x400 | 0x800 | 0x8000 | 0x10000;
  std::vector<uint8_t> listed = frame(flags);
  std::vector<uint8_t> immediate = frame(flags | 0x20000);
  int differing = 0, lit = 0;
  for (size_t i = 0; i < listed.size(); i += 4)
  {
    lit += listed[i] + listed[i + 1] + listed[i + 2] > 30;
    for (size_t c = 0; c < 3; ++c)
      differing += std::abs(int(listed[i + c]) - int(immediate[i + c])) > 1;
  }
  EXPECT_GT(lit, W * H / 20) << "the sphere is in view";
  EXPECT_EQ(differing, 0);
}

TEST_F(DeviceGL, TextureEnvironmentFlags)
{
  // Texture (200, 100, 50) on a quad of vertex colour grey 128, no blending, no light.
  std::vector<uint8_t> tga = Tga2x2({ 50, 100, 200, 50, 100, 200, 50, 100, 200, 50, 100, 200 });
  auto drawWith = [&](uint32_t texFlags, const char* name)
  {
    CTexture* tex = device->LoadTexture(0, texFlags, tga.data(), static_cast<uint32_t>(tga.size()), name);
    EXPECT_NE(tex, nullptr);
    C3DObject* quad = Quad2D(0, 0, W, H, 0x400 | 0x800, 0xFF808080);
    quad->SetTexture(tex, 0, 0);
    device->BeginFrame();
    quad->Draw(ALL_PARTS);
    SPixel px = ReadPixel(W / 2, H / 2);
    device->EndFrame();
    device->DestroyObject(quad);
    return px;
  };
  GLint env = 0, combine = 0, src[3] = {};
  auto readEnv = [&]()
  {
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, &combine);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, &src[0]);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, &src[1]);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_SOURCE2_RGB_ARB, &src[2]);
  };

  SPixel p = drawWith(0x08, "replace.tga");
  EXPECT_TRUE(Near(p, 200, 100, 50)) << p.r << " " << p.g << " " << p.b;
  readEnv();
  EXPECT_EQ(env, GL_REPLACE);

  p = drawWith(0x01, "modulate.tga");
  EXPECT_TRUE(Near(p, 100, 50, 25, 2)) << p.r << " " << p.g << " " << p.b;
  readEnv();
  EXPECT_EQ(env, GL_MODULATE);
  EXPECT_EQ(combine, GL_MODULATE);
  EXPECT_EQ(src[0], GL_TEXTURE);

  // Interpolate (previous, texture, primary): c * c + t * (1 - c), c = 128 / 255.
  p = drawWith(0x10, "combine.tga");
  const double c = 128.0 / 255.0;
  EXPECT_TRUE(Near(p, int(255 * (c * c + 200 / 255.0 * (1 - c)) + 0.5),
                   int(255 * (c * c + 100 / 255.0 * (1 - c)) + 0.5),
                   int(255 * (c * c + 50 / 255.0 * (1 - c)) + 0.5)))
      << p.r << " " << p.g << " " << p.b;
  readEnv();
  EXPECT_EQ(env, GL_COMBINE_ARB);
  EXPECT_EQ(combine, GL_INTERPOLATE_ARB);
  EXPECT_EQ(src[0], GL_PREVIOUS_ARB);
  EXPECT_EQ(src[1], GL_TEXTURE);
  EXPECT_EQ(src[2], GL_PRIMARY_COLOR_ARB);

  // 0x08 before 0x10 before 0x01; no environment flag leaves the last one in place.
  p = drawWith(0x08 | 0x10 | 0x01, "all.tga");
  EXPECT_TRUE(Near(p, 200, 100, 50));
  p = drawWith(0x10 | 0x01, "two.tga");
  readEnv();
  EXPECT_EQ(env, GL_COMBINE_ARB);
  drawWith(0x00, "none.tga");
  readEnv();
  EXPECT_EQ(env, GL_COMBINE_ARB);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DeviceGL, WithoutMultitextureEntryPointsOneUnitStillDraws)
{
  // Red on stage 0, blue on stage 1, both modulating: with two units the product is
  // black; without the entry points only stage 0 is applied and the quad shows red.
  std::vector<uint8_t> red = Tga2x2({ 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255 });
  std::vector<uint8_t> blue = Tga2x2({ 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0 });
  CTexture* t0 = device->LoadTexture(0, 1, red.data(), static_cast<uint32_t>(red.size()), "red.tga");
  CTexture* t1 = device->LoadTexture(0, 1, blue.data(), static_cast<uint32_t>(blue.size()), "blue.tga");
  ASSERT_TRUE(t0 && t1);
  SPlatformGL* p = device->GetPlatform();
  auto draw = [&]()
  {
    C3DObject* quad = Quad2D(0, 0, W, H, 0x400 | 0x800 | 0x1000, 0xFFFFFFFF);
    quad->SetTexture(t0, 0, 0);
    quad->SetTexture(t1, 0, 1);
    device->BeginFrame();
    quad->Draw(ALL_PARTS);
    SPixel px = ReadPixel(W / 2, H / 2);
    device->EndFrame();
    device->DestroyObject(quad);
    return px;
  };

  const auto active = p->glActiveTextureARB;
  const auto multi = p->glMultiTexCoord2fARB;
  p->glActiveTextureARB = nullptr;
  p->glMultiTexCoord2fARB = nullptr;
  SPixel one = draw();
  p->glActiveTextureARB = active;
  p->glMultiTexCoord2fARB = multi;
  EXPECT_TRUE(Near(one, 255, 0, 0)) << one.r << " " << one.g << " " << one.b;
  GLint unit = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
  EXPECT_EQ(unit, GL_TEXTURE0_ARB) << "only the first unit was used";
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  SPixel two = draw();
  EXPECT_TRUE(Near(two, 0, 0, 0)) << two.r << " " << two.g << " " << two.b;
}

TEST_F(DeviceGL, PointSpritesDrawSizedGreyPoints)
{
  C3DObject* stars = device->CreateObject(0x8, 0xC29);
  ASSERT_NE(stars, nullptr);
  ASSERT_EQ(stars->SetupGeometry(1, 2, 2), ZP_OK);
  stars->LockIndices();
  stars->SetSequentialIndices();
  stars->SetVertex(0, 0.0f, 0.0f, 10.0f, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0);
  stars->SetVertex(1, 100.0f, 0.0f, 10.0f, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0); // out of view
  stars->SetPart(0, 0, 2, 0, 2, 2, PRIMITIVE_POINT_LIST, CULL_CCW, -1);
  stars->Commit();

  device->BeginFrame();
  EXPECT_EQ(stars->PreparePart(0), ZP_OK);
  stars->SetUserValue(100.0f); // 7 pixels with MAX_SIZE 7
  stars->SetColorFactor(0xFF);
  std::memset(settings->adwCounters, 0, sizeof(settings->adwCounters));
  EXPECT_EQ(stars->DrawRange(0, 1, -1, -1), ZP_OK);
  EXPECT_EQ(settings->adwCounters[2], 1u);
  SPixel centre = ReadPixel(W / 2, H / 2);
  EXPECT_TRUE(Near(centre, 255, 255, 255)) << centre.r;
  EXPECT_TRUE(Near(ReadPixel(W / 2 + 2, H / 2), 255, 255, 255));
  EXPECT_TRUE(Near(ReadPixel(W / 2 + 6, H / 2), 0, 0, 0));

  // A smaller, grey star elsewhere: size 20 gives 1.4 pixels, grey 50.
  stars->SetUserValue(20.0f);
  stars->SetColorFactor(50);
  stars->DrawRange(1, 1, -1, -1); // out of view: nothing
  EXPECT_TRUE(Near(ReadPixel(W / 2 + 6, H / 2), 0, 0, 0));
  device->EndFrame();
}

TEST_F(DeviceGL, PointSpritesDrawnWholeMatchThemDrawnOneByOne)
{
  // Stars of many sizes and greys, overlapping here and there: drawn one call each,
  // smallest first, and drawn whole from their vertices, they make the same frame.
  constexpr uint32_t n = 300;
  C3DObject* stars = device->CreateObject(0x8, 0xC29);
  ASSERT_NE(stars, nullptr);
  ASSERT_EQ(stars->SetupGeometry(1, n, n), ZP_OK);
  stars->LockIndices();
  stars->SetSequentialIndices();
  std::vector<std::pair<float, uint32_t>> order;
  for (uint32_t i = 0; i < n; ++i)
  {
    const float size = 5.0f + static_cast<float>((i * 7919u) % 96u);
    const uint32_t g = static_cast<uint32_t>(size * 2.5f);
    stars->SetVertex(i, static_cast<float>(i % 20) * 0.2f - 2.0f, static_cast<float>(i / 20) * 0.2f - 1.5f,
                     10.0f, 0xFF000000u | g << 16 | g << 8 | g, size, 0, 0, 0, 0, 0);
    order.emplace_back(size, i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  stars->SetPart(0, 0, n, 0, n, n, PRIMITIVE_POINT_LIST, CULL_CCW, -1);
  ASSERT_EQ(stars->Commit(), ZP_OK);

  auto frame = [&](const std::function<void()>& draw)
  {
    std::vector<uint8_t> px(W * H * 4);
    device->BeginFrame();
    draw();
    glFinish();
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    device->EndFrame();
    return px;
  };
  const std::vector<uint8_t> single = frame(
      [&]
      {
        stars->PreparePart(0);
        for (const auto& [size, i] : order)
        {
          const uint32_t g = static_cast<uint32_t>(size * 2.5f);
          stars->SetUserValue(size);
          stars->SetColorFactorWord(0xFF000000u | g << 16 | g << 8 | g);
          stars->DrawRange(i, 1, -1, -1);
        }
      });
  std::memset(settings->adwCounters, 0, sizeof(settings->adwCounters));
  const std::vector<uint8_t> whole = frame([&] { EXPECT_EQ(stars->Draw(ALL_PARTS), ZP_OK); });
  EXPECT_EQ(settings->adwCounters[2], n);
  size_t lit = 0;
  for (size_t k = 0; k < whole.size(); k += 4)
    lit += whole[k] != 0;
  EXPECT_GT(lit, size_t(n) * 4);
  EXPECT_TRUE(single == whole);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DeviceGL, ShaderProgramsRunAndAreInertWithoutEntryPoints)
{
  const char* source = "uniform sampler2D Texture0;\n"
                       "void main() { gl_FragColor = vec4(1.0, 0.0, 1.0, 1.0); }\n";
  CShader* shader = device->CreateShader(0, 0);
  ASSERT_NE(shader, nullptr);
  ASSERT_EQ(
      shader->CreateFromText(0, 0, source, static_cast<uint32_t>(std::strlen(source)), "dir/magenta.fs"),
      ZP_OK);
  EXPECT_STREQ(shader->GetName(), "magenta.fs");
  CShaderGL* gl = static_cast<CShaderGL*>(shader);
  EXPECT_NE(gl->GetProgram(), 0u);

  C3DObject* tri = Triangle(0x8000 | 0x400, 0xFFFFFFFF);
  device->BeginFrame();
  shader->Use(nullptr, nullptr, nullptr);
  tri->Draw(ALL_PARTS);
  shader->Unuse();
  EXPECT_TRUE(Near(ReadPixel(W / 2, H / 2), 255, 0, 255));
  device->EndFrame();
  EXPECT_EQ(shader->Reserved9(), ZP_FAIL);
  EXPECT_EQ(device->DestroyShader(shader), ZP_OK);

  // Without the entry point: created, successful, inert.
  SPlatformGL* p = device->GetPlatform();
  auto saved = p->glCreateShaderObjectARB;
  p->glCreateShaderObjectARB = nullptr;
  CShader* inert = device->CreateShader(0, 0);
  ASSERT_NE(inert, nullptr);
  EXPECT_EQ(inert->CreateFromText(0, 0, source, static_cast<uint32_t>(std::strlen(source)), "x"), ZP_OK);
  EXPECT_EQ(static_cast<CShaderGL*>(inert)->GetProgram(), 0u);
  inert->Use(nullptr, nullptr, nullptr);
  GLint current = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(current, 0);
  p->glCreateShaderObjectARB = saved;
  EXPECT_EQ(inert->CreateFromFile(0, 0, "/nonexistent/shader.fs"), ZP_FAIL);
}

TEST_F(DeviceGL, DestroyReleasesWhatIsLeftWithoutLeaks)
{
  Triangle(0x8000 | 0x400, 0xFFFFFFFF);
  const SEmbeddedFile* sun = FindBuiltInImage("sun.png");
  ASSERT_NE(device->LoadTexture(1, 7, sun->data, sun->size, "sun.png"), nullptr);
  ASSERT_NE(device->CreateShader(0, 0), nullptr);
  // TearDown destroys the device and checks the record and window.
}

TEST_F(DeviceGL, FilesLoadThroughTheirReaders)
{
  char dir[] = "/tmp/planeto_gl_files_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string raw = std::string(dir) + "/sky.raw";
  std::string shortRaw = std::string(dir) + "/short.RAW";
  std::string tga = std::string(dir) + "/red.tga";
  {
    std::vector<uint8_t> bytes(256 * 256 * 3, 200);
    FILE* f = std::fopen(raw.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    f = std::fopen(shortRaw.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size() - 1, f);
    std::fclose(f);
    std::vector<uint8_t> t = Tga2x2({ 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255 });
    f = std::fopen(tga.c_str(), "wb");
    std::fwrite(t.data(), 1, t.size(), f);
    std::fclose(f);
  }
  CTexture* sky = device->LoadTextureFile(2, 1, raw.c_str());
  ASSERT_NE(sky, nullptr);
  EXPECT_STREQ(sky->GetName(), "sky.raw");
  CTextureGL* gl = static_cast<CTextureGL*>(sky);
  EXPECT_EQ(gl->GetWidth(), 256);
  glBindTexture(GL_TEXTURE_2D, gl->GetTextureName());
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_REPEAT); // kind bit 2
  EXPECT_EQ(device->LoadTextureFile(0, 1, shortRaw.c_str()), nullptr);
  CTexture* red = device->LoadTextureFile(0, 1, tga.c_str());
  ASSERT_NE(red, nullptr);
  glBindTexture(GL_TEXTURE_2D, static_cast<CTextureGL*>(red)->GetTextureName());
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
  EXPECT_EQ(device->LoadTextureFile(0, 1, (std::string(dir) + "/missing.png").c_str()), nullptr);

  // Loading again without Release replaces the GL texture instead of leaking it.
  GLuint before = static_cast<CTextureGL*>(red)->GetTextureName();
  ASSERT_EQ(red->LoadFromFile(tga.c_str(), 0), ZP_OK);
  EXPECT_FALSE(glIsTexture(before) && before != static_cast<CTextureGL*>(red)->GetTextureName());
  EXPECT_EQ(red->Reserved8(), ZP_FAIL);
  std::remove(raw.c_str());
  std::remove(shortRaw.c_str());
  std::remove(tga.c_str());
  rmdir(dir);
}

TEST(DeviceGLFullscreen, RefusalClearsTheFlagAndAcceptanceKeepsIt)
{
  SEngineSettings s;
  std::memset(&s, 0, sizeof(s));
  s.wWidth = W;
  s.wHeight = H;
  s.bFullscreen = 1;
  HWND hwnd = MakeWindow();
  ASSERT_NE(hwnd, nullptr);
  std::unique_ptr<C3DEngine> device(CreateOpenGL12());
  ASSERT_EQ(device->Create(&s, hwnd), ZP_OK);
  EXPECT_EQ(s.bFullscreen != 0, hwnd->IsFullscreen());
  EXPECT_EQ(device->Destroy(), ZP_OK);
  EXPECT_FALSE(CWindow::IsWindow(hwnd));
}
