// The DirectX 8.1 module and its device under Wine: the descriptor, a frame cleared,
// drawn and read back (a textured screen-space quad with 32-bit indices, a point
// sprite of the user value's size in the colour factor), the reference device taken
// when the hardware device is refused, full screen at 32 bits, a device lost when the
// program loses the focus and brought back by Reset with its textures and buffers, and
// the shadow-volume and sun-occlusion services drawing into real frames.

#include "sdk/core/3d_math.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/device_services.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/d3d8/3d_engine_d3d8.h"
#include "sdk/d3d8/d3d8_platform.h"
#include "sdk/d3d8/texture_d3d8.h"
#include "sdk/image/image_levels.h"
#include "sdk/os/window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace
{

constexpr int W = 64, H = 48;
constexpr uint32_t RED = 0xFFFF0000u, GREEN = 0xFF00FF00u, BLUE = 0xFF0000FFu, GREY = 0xFF404040u;

LRESULT TestProc(zos::HWND hwnd, uint32_t msg, WPARAM w, LPARAM l)
{
  return zos::CWindow::DefWindowProc(hwnd, msg, w, l);
}

// A 2 x 2 uncompressed 24-bit TGA: bottom row red, top row blue (stored bottom first, BGR).
std::vector<uint8_t> TwoRowTga()
{
  std::vector<uint8_t> tga = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0 };
  for (int i = 0; i < 2; ++i)
    tga.insert(tga.end(), { 0, 0, 255 });
  for (int i = 0; i < 2; ++i)
    tga.insert(tga.end(), { 255, 0, 0 });
  return tga;
}

struct DeviceD3D8 : ::testing::Test
{
  void SetUp() override
  {
    std::memset(settings.get(), 0, sizeof(SEngineSettings));
    SEngineSettings* s = settings.get();
    for (int i = 0; i < 4; ++i)
      s->matProjection.m[i][i] = s->matCamera.m[i][i] = s->matView.m[i][i] = 1.0f;
    s->wWidth = W;
    s->wHeight = H;
    s->fPointSpriteMax = 100.0f;
    s->dwClearColor = GREY;
    s->swDepth.Set(true);
  }

  void TearDown() override { C3DEngineD3D8::SetDeviceFilter(nullptr); }

  void Start()
  {
    settings->wWidth = uint16_t(w);
    settings->wHeight = uint16_t(h);
    hwnd = zos::CWindow::Create("PlanetoD3D8Device", "d3d8 device", WS_POPUP | WS_VISIBLE, 0, 0, w, h,
                                TestProc, 0);
    ASSERT_NE(hwnd, nullptr);
    device.reset(static_cast<C3DEngineD3D8*>(CreateDirectX81()));
    ASSERT_EQ(device->Create(settings.get(), hwnd), ZP_OK);
  }

  uint32_t At(int x, int y) const { return pixels[size_t(y) * w + x]; }
  // The green channel at (x, y): the services' tests draw in greys.
  int Level(int x, int y) const { return int((At(x, y) >> 8) & 0xFF); }

  void ReadFrame()
  {
    uint32_t rw = 0, rh = 0;
    ASSERT_TRUE(device->ReadBackBuffer(&pixels, &rw, &rh));
    ASSERT_EQ(rw, uint32_t(w));
    ASSERT_EQ(rh, uint32_t(h));
  }

  // A screen-space quad over x 16..48, y 8..40 with 32-bit indices, committed to the
  // device's buffers, and the two-row texture: blue above red.
  C3DObject* MakeQuad()
  {
    C3DObject* quad = device->CreateObject(0x1010, 0xC00);
    if (!quad || quad->SetupGeometry(1, 4, 4) != ZP_OK)
      return nullptr;
    quad->LockIndices();
    quad->SetSequentialIndices();
    quad->SetVertex(0, 16, 8, 0, 0xFFFFFFFF, 0, 0, 0, 0, -1, 0);
    quad->SetVertex(1, 48, 8, 0, 0xFFFFFFFF, 1, 0, 0, 0, -1, 0);
    quad->SetVertex(2, 16, 40, 0, 0xFFFFFFFF, 0, 1, 0, 0, -1, 0);
    quad->SetVertex(3, 48, 40, 0, 0xFFFFFFFF, 1, 1, 0, 0, -1, 0);
    quad->SetPart(0, 0, 4, 0, 4, 2, PRIMITIVE_TRIANGLE_STRIP, CULL_NONE, -1);
    if (quad->Commit() != ZP_OK)
      return nullptr;
    const std::vector<uint8_t> tga = TwoRowTga();
    // No application here to reach the loader through: the device's own.
    CTexture* texture = device->LoadTexture(1, 1, tga.data(), uint32_t(tga.size()), "quad.tga");
    if (!texture)
      return nullptr;
    quad->SetTexture(texture, 0, 0);
    return quad;
  }

  // A quad of one colour from (x0, y0) to (x1, y1) at depth z: in world space for
  // kind 0x2, in pixels for kind 0x10.
  C3DObject* Quad(uint32_t dwKind, uint32_t dwRenderFlags, float x0, float y0, float x1, float y1, float z,
                  uint32_t dwColor = 0xFFFFFFFF)
  {
    C3DObject* quad = device->CreateObject(dwKind | 0x800, dwRenderFlags);
    if (!quad || quad->SetupGeometry(1, 4, 4) != ZP_OK)
      return nullptr;
    quad->LockIndices();
    quad->SetSequentialIndices();
    quad->SetVertex(0, x0, y0, z, dwColor, 0, 0, 0, 0, -1, 0);
    quad->SetVertex(1, x1, y0, z, dwColor, 1, 0, 0, 0, -1, 0);
    quad->SetVertex(2, x0, y1, z, dwColor, 0, 1, 0, 0, -1, 0);
    quad->SetVertex(3, x1, y1, z, dwColor, 1, 1, 0, 0, -1, 0);
    quad->SetPart(0, 0, 4, 0, 4, 2, PRIMITIVE_TRIANGLE_STRIP, CULL_NONE, -1);
    return quad->Commit() == ZP_OK ? quad : nullptr;
  }

  // Perspective from the origin along +z with the field given (radians, vertical).
  void LookAlongZ(float fFov)
  {
    math.PerspectiveFovLH(&settings->matProjection, fFov, float(w) / float(h), 1.0f, 1000.0f);
  }

  int w = W, h = H;
  C3DMath math;

  std::unique_ptr<SEngineSettings> settings{ new SEngineSettings };
  std::unique_ptr<C3DEngineD3D8> device;
  zos::HWND hwnd = nullptr;
  std::vector<uint32_t> pixels;
};

} // namespace

TEST(ModuleD3D8, DescribesItselfAsDirectX81)
{
  SPlatformDesc desc;
  ASSERT_EQ(DescribeDirectX81(&desc), ZP_OK);
  EXPECT_STREQ(desc.szName, "DirectX 8.1");
  EXPECT_STREQ(desc.szBuild, "Mar  4 2008 20:14:20");
  EXPECT_EQ(desc.wMajor, 1);
  EXPECT_EQ(desc.wMinor, 0);
  EXPECT_EQ(desc.dwFlags, 0x1000001u);
}

TEST_F(DeviceD3D8, ClearsDrawsATexturedQuadAndGivesEverythingBack)
{
  Start();
  SPlatformD3D8* p = device->GetPlatform();
  ASSERT_EQ(settings->pPlatform, p);
  EXPECT_EQ(p->eDeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(p->present.AutoDepthStencilFormat, D3DFMT_D24S8);

  C3DObject* quad = MakeQuad();
  ASSERT_NE(quad, nullptr);
  EXPECT_EQ(quad->GetIndexBuffer()->GetType(), INDEX_TYPE_32);

  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  EXPECT_EQ(quad->Draw(ALL_PARTS), ZP_OK);
  ReadFrame();
  EXPECT_EQ(settings->adwCounters[2], 2u);
  EXPECT_EQ(At(2, 2), GREY);
  EXPECT_EQ(At(32, 12), BLUE) << std::hex << At(32, 12); // the image's top row at the top
  EXPECT_EQ(At(32, 36), RED) << std::hex << At(32, 36);
  EXPECT_EQ(device->EndFrame(), ZP_OK);

  EXPECT_EQ(device->Destroy(), ZP_OK);
  EXPECT_EQ(settings->pPlatform, nullptr);
  EXPECT_FALSE(zos::CWindow::IsWindow(hwnd));
}

// A map read again while the scene runs goes to the device a band of rows a frame, the
// image's bottom rows to the bottom of each level.
TEST_F(DeviceD3D8, AStagedImageArrivesBandByBandIntoEveryLevel)
{
  Start();
  SImage image; // 4 x 2, the bottom row red, the top row blue
  image.width = 4;
  image.height = 2;
  image.format = IMAGE_RGB;
  image.components = 3;
  for (int i = 0; i < 8; ++i)
    image.pixels.insert(image.pixels.end(), { uint8_t(i < 4 ? 255 : 0), 0, uint8_t(i < 4 ? 0 : 255) });
  std::vector<SImage> levels = MipLevels(image);
  CTexture* tex = device->CreateTexture(1, 1);
  ASSERT_NE(tex, nullptr);
  ASSERT_EQ(tex->BeginStaged(&levels, "staged.png"), ZP_OK);
  int iSteps = 1;
  while (!tex->StepStaged(12) && iSteps < 10) // a row of level 0 a step
    ++iSteps;
  EXPECT_EQ(iSteps, 3);
  IDirect3DTexture8* pTexture = static_cast<CTextureD3D8*>(tex)->GetTexture();
  ASSERT_EQ(pTexture->GetLevelCount(), 3u);
  auto texel = [&](UINT uLevel, int x, int y)
  {
    D3DLOCKED_RECT r;
    if (FAILED(pTexture->LockRect(uLevel, &r, nullptr, D3DLOCK_READONLY)))
      return 0u;
    const uint32_t v = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(r.pBits) + y * r.Pitch)[x];
    pTexture->UnlockRect(uLevel);
    return v;
  };
  EXPECT_EQ(texel(0, 3, 0), BLUE);
  EXPECT_EQ(texel(0, 0, 1), RED);
  EXPECT_EQ(texel(1, 1, 0), 0xFF800080u) << std::hex << texel(1, 1, 0);
  EXPECT_EQ(texel(2, 0, 0), 0xFF800080u);
  device->DestroyTexture(tex);
}

TEST_F(DeviceD3D8, APointSpriteTakesTheUserValueAsSizeAndTheColourFactor)
{
  Start();
  C3DObject* stars = device->CreateObject(0x8, 0x400);
  ASSERT_NE(stars, nullptr);
  ASSERT_EQ(stars->SetupGeometry(1, 1, 1), ZP_OK);
  stars->LockIndices();
  stars->SetSequentialIndices();
  stars->SetVertex(0, 0, 0, 0.5f, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0); // the window's centre
  stars->SetPart(0, 0, 1, 0, 1, 1, PRIMITIVE_POINT_LIST, CULL_CCW, -1);
  ASSERT_EQ(stars->Commit(), ZP_OK);

  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  stars->SetUserValue(10.0f); // (100 - 0) x 0.01 x 10 = 10 pixels
  stars->SetColorFactorWord(GREEN);
  EXPECT_EQ(stars->PreparePart(0), ZP_OK);
  EXPECT_EQ(stars->DrawRange(0, 1, -1, -1), ZP_OK);
  ReadFrame();
  EXPECT_EQ(At(W / 2, H / 2), GREEN) << std::hex << At(W / 2, H / 2);
  EXPECT_EQ(At(W / 2 + 3, H / 2 - 3), GREEN);
  EXPECT_EQ(At(W / 2 + 7, H / 2), GREY);
  EXPECT_EQ(device->EndFrame(), ZP_OK);
  EXPECT_EQ(device->Destroy(), ZP_OK);
}

TEST_F(DeviceD3D8, TheReferenceDeviceIsTakenWhenTheHardwareOneIsRefused)
{
  static std::vector<D3DDEVTYPE> s_tried;
  s_tried.clear();
  C3DEngineD3D8::SetDeviceFilter(
      [](D3DDEVTYPE eType, DWORD)
      {
        s_tried.push_back(eType);
        return eType != D3DDEVTYPE_HAL;
      });
  Start();
  SPlatformD3D8* p = device->GetPlatform();
  EXPECT_EQ(p->eDeviceType, D3DDEVTYPE_REF);
  // Four modes of the hardware device were asked and refused before the reference device.
  ASSERT_GE(s_tried.size(), 5u);
  EXPECT_EQ(s_tried[3], D3DDEVTYPE_HAL);
  EXPECT_EQ(s_tried[4], D3DDEVTYPE_REF);

  settings->dwClearColor = RED;
  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  ReadFrame();
  EXPECT_EQ(At(W / 2, H / 2), RED);
  EXPECT_EQ(device->EndFrame(), ZP_OK);
  EXPECT_EQ(device->Destroy(), ZP_OK);
}

TEST_F(DeviceD3D8, FullScreenRunsAt32BitsAndAModeThatCannotBeHadRunsWindowed)
{
  // The desktop's size can be had full screen: 32-bit colour, not windowed.
  w = GetSystemMetrics(SM_CXSCREEN);
  h = GetSystemMetrics(SM_CYSCREEN);
  settings->bFullscreen = 1;
  Start();
  SPlatformD3D8* p = device->GetPlatform();
  EXPECT_FALSE(p->present.Windowed);
  EXPECT_EQ(p->present.BackBufferFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(settings->bFullscreen, 1);
  settings->dwClearColor = BLUE;
  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  ReadFrame();
  EXPECT_EQ(At(settings->wWidth - 1, settings->wHeight - 1), BLUE);
  EXPECT_EQ(device->EndFrame(), ZP_OK);
  EXPECT_EQ(device->Destroy(), ZP_OK);

  // No display mode of 64 x 48: the device runs windowed and says so in the settings.
  w = W;
  h = H;
  Start();
  EXPECT_TRUE(device->GetPlatform()->present.Windowed);
  EXPECT_EQ(settings->bFullscreen, 0);
  EXPECT_EQ(device->Destroy(), ZP_OK);
}

TEST_F(DeviceD3D8, ALostDeviceSkipsItsFramesAndIsResetWithItsTexturesAndBuffers)
{
  w = GetSystemMetrics(SM_CXSCREEN);
  h = GetSystemMetrics(SM_CYSCREEN);
  settings->bFullscreen = 1;
  Start();
  SPlatformD3D8* p = device->GetPlatform();
  ASSERT_FALSE(p->present.Windowed);
  C3DObject* quad = MakeQuad();
  ASSERT_NE(quad, nullptr);
  const HWND hNative = p->hNative;

  // Another program takes the focus: a full-screen device is lost and draws nothing.
  SendMessageA(hNative, WM_ACTIVATEAPP, FALSE, 0);
  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  EXPECT_TRUE(p->bLost);
  EXPECT_FALSE(p->bFrameOpen);
  EXPECT_EQ(quad->Draw(ALL_PARTS), ZP_OK);
  EXPECT_EQ(device->EndFrame(), ZP_OK);

  // The focus back, the device can be reset: the next frame draws the committed quad
  // with its texture as before.
  SendMessageA(hNative, WM_ACTIVATEAPP, TRUE, 0);
  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  EXPECT_FALSE(p->bLost);
  EXPECT_EQ(quad->Draw(ALL_PARTS), ZP_OK);
  ReadFrame();
  EXPECT_EQ(At(2, 2), GREY);
  EXPECT_EQ(At(32, 12), BLUE) << std::hex << At(32, 12);
  EXPECT_EQ(At(32, 36), RED) << std::hex << At(32, 36);
  EXPECT_EQ(device->EndFrame(), ZP_OK);
  EXPECT_EQ(device->Destroy(), ZP_OK);
}

// ---------------------------------------------------------------------------------
// The services

namespace
{

// A 1 x 1 white 24-bit TGA (opaque).
const std::vector<uint8_t> kWhiteTga = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 255, 255, 255 };

// A closed box as triangles, each wound clockwise as seen from outside: the faces
// Direct3D takes as front faces.
std::vector<SVector3> Box(float x0, float y0, float z0, float x1, float y1, float z1)
{
  const SVector3 centre = { (x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2 };
  auto corner = [&](int i) { return SVector3{ i & 1 ? x1 : x0, i & 2 ? y1 : y0, i & 4 ? z1 : z0 }; };
  const int faces[6][4] = { { 0, 1, 3, 2 }, { 4, 5, 7, 6 }, { 0, 1, 5, 4 },
                            { 2, 3, 7, 6 }, { 0, 2, 6, 4 }, { 1, 3, 7, 5 } };
  std::vector<SVector3> out;
  for (const auto& f : faces)
    for (int t = 1; t <= 2; ++t)
    {
      SVector3 a = corner(f[0]), b = corner(f[t]), c = corner(f[t + 1]);
      const SVector3 u = { b.x - a.x, b.y - a.y, b.z - a.z }, v = { c.x - a.x, c.y - a.y, c.z - a.z };
      const SVector3 n = { u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x };
      // Clockwise from outside when u x v points outwards (left-handed, y up).
      if (n.x * (a.x - centre.x) + n.y * (a.y - centre.y) + n.z * (a.z - centre.z) < 0)
        std::swap(b, c);
      out.insert(out.end(), { a, b, c });
    }
  return out;
}

} // namespace

// Each volume darkens what it encloses once (the darkening clears its marks), volumes
// stack, and nothing outside a volume changes: not where the view ray only crosses a
// volume in front of the wall, nor anywhere once the marks are cleared.
TEST_F(DeviceD3D8, ShadowVolumesDarkenWhatTheyEncloseOnceEachAndStack)
{
  Start();
  CShadowVolumeService* shadows = device->GetShadowVolumeService();
  ASSERT_NE(shadows, nullptr);
  LookAlongZ(1.5707964f);
  C3DObject* wall = Quad(0x2, RENDER_STATES | RENDER_DEPTH_TEST | RENDER_DEPTH_WRITE, -100, -100, 100, 100, 10);
  ASSERT_NE(wall, nullptr);
  // Round the view axis from z = 5 to 20: it holds the wall's middle (pixels 20..44 x
  // 12..36); the ray of pixel (52, 24) enters its near face and leaves by a side
  // before the wall.
  const std::vector<SVector3> box = Box(-5, -5, 5, 5, 5, 20);

  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  wall->Draw(ALL_PARTS);
  shadows->MarkVolume(box.data(), uint32_t(box.size()), nullptr, 0);
  shadows->DarkenMarked(0x40404040);
  shadows->DarkenMarked(0x40404040);
  shadows->MarkVolume(box.data(), uint32_t(box.size()), nullptr, 0);
  shadows->DarkenMarked(0x40404040);
  ReadFrame();
  EXPECT_NEAR(Level(W / 2, H / 2), 16, 2); // 255 x (64/255)^2
  EXPECT_NEAR(Level(22, 14), 16, 2);
  EXPECT_EQ(At(52, H / 2), 0xFFFFFFFFu);
  EXPECT_EQ(At(2, 2), 0xFFFFFFFFu);
  EXPECT_EQ(device->EndFrame(), ZP_OK);
  EXPECT_EQ(device->Destroy(), ZP_OK);
}

// A disc half hidden measures half: the coverage overlay shows it and a faded glow
// gets half its light; the mask overlay shows the hidden half black.  A reset gives
// full visibility again.
TEST_F(DeviceD3D8, SunOcclusionMeasuresTheShareOfTheDiscLeftAndFadesByIt)
{
  w = 400;
  h = 120;
  settings->dwClearColor = 0xFF000000;
  Start();
  CSunOcclusionService* sun = device->GetSunOcclusionService();
  ASSERT_NE(sun, nullptr);
  LookAlongZ(1.0f);
  CTexture* white = device->LoadTexture(1, 1, kWhiteTga.data(), uint32_t(kWhiteTga.size()), "white.tga");
  ASSERT_NE(white, nullptr);
  // The disc fills the measured field (10 either side at 100); the occluder, nearer,
  // hides everything left of the axis.
  C3DObject* disc = Quad(0x2, 0, -10, -10, 10, 10, 100);
  C3DObject* cover = Quad(0x2, 0, -100, -100, 0, 100, 50);
  // Two glows in pixels, left of the overlays: one faded by the coverage, one not.
  C3DObject* faded = Quad(0x10, 0, 20, 20, 100, 100, 0);
  C3DObject* plain = Quad(0x10, 0, 120, 20, 200, 100, 0);
  ASSERT_TRUE(disc && cover && faded && plain);
  faded->SetTexture(white, 0, 0);
  plain->SetTexture(white, 0, 0);
  SMatrix view, place;
  math.Identity(&view);
  math.Identity(&place);
  const SOccluder occluder = { cover, &place };
  const SMatrix projection = settings->matProjection;

  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  ASSERT_TRUE(sun->Measure(&view, 2.0f * std::atan(0.1f), 0.0f, 200.0f, disc, white, &occluder, 1));
  EXPECT_EQ(std::memcmp(&settings->matProjection, &projection, sizeof(projection)), 0);
  sun->DrawOverlays();
  sun->DrawAdditive(faded, SAdditiveDraw{ 5, false, true, false });
  sun->DrawAdditive(plain, SAdditiveDraw{ 5, false, false, false });
  ReadFrame();
  EXPECT_NEAR(Level(350, 25), 128, 6);
  EXPECT_NEAR(Level(60, 60), 128, 6);
  EXPECT_EQ(Level(160, 60), 255);
  EXPECT_LT(Level(240, 50), 10);
  EXPECT_GT(Level(310, 50), 245);
  EXPECT_EQ(device->EndFrame(), ZP_OK);

  ASSERT_EQ(sun->Reset(), ZP_OK);
  ASSERT_EQ(device->BeginFrame(), ZP_OK);
  sun->DrawAdditive(faded, SAdditiveDraw{ 5, false, true, false });
  ReadFrame();
  EXPECT_EQ(Level(60, 60), 255);
  EXPECT_EQ(device->EndFrame(), ZP_OK);
  EXPECT_EQ(device->Destroy(), ZP_OK);
}
