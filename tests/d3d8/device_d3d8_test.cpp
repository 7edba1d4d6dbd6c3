// The DirectX 8.1 module and its device under Wine: the descriptor, a frame cleared,
// drawn and read back (a textured screen-space quad with 32-bit indices, a point
// sprite of the user value's size in the colour factor), the reference device taken
// when the hardware device is refused, full screen at 32 bits, and a device lost when
// the program loses the focus and brought back by Reset with its textures and buffers.

#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/d3d8/3d_engine_d3d8.h"
#include "sdk/d3d8/d3d8_platform.h"
#include "sdk/os/window.h"

#include <gtest/gtest.h>

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

  void Start(int iWidth = W, int iHeight = H)
  {
    hwnd = zos::CWindow::Create("PlanetoD3D8Device", "d3d8 device", WS_POPUP | WS_VISIBLE, 0, 0, iWidth,
                                iHeight, TestProc, 0);
    ASSERT_NE(hwnd, nullptr);
    device.reset(static_cast<C3DEngineD3D8*>(CreateDirectX81()));
    ASSERT_EQ(device->Create(settings.get(), hwnd), ZP_OK);
  }

  uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }

  void ReadFrame()
  {
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(device->ReadBackBuffer(&pixels, &w, &h));
    ASSERT_EQ(w, uint32_t(settings->wWidth));
    ASSERT_EQ(h, uint32_t(settings->wHeight));
    width = int(w);
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

  std::unique_ptr<SEngineSettings> settings{ new SEngineSettings };
  std::unique_ptr<C3DEngineD3D8> device;
  zos::HWND hwnd = nullptr;
  std::vector<uint32_t> pixels;
  int width = W;
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
  settings->wWidth = uint16_t(GetSystemMetrics(SM_CXSCREEN));
  settings->wHeight = uint16_t(GetSystemMetrics(SM_CYSCREEN));
  settings->bFullscreen = 1;
  Start(settings->wWidth, settings->wHeight);
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
  settings->wWidth = W;
  settings->wHeight = H;
  Start();
  EXPECT_TRUE(device->GetPlatform()->present.Windowed);
  EXPECT_EQ(settings->bFullscreen, 0);
  EXPECT_EQ(device->Destroy(), ZP_OK);
}

TEST_F(DeviceD3D8, ALostDeviceSkipsItsFramesAndIsResetWithItsTexturesAndBuffers)
{
  settings->wWidth = uint16_t(GetSystemMetrics(SM_CXSCREEN));
  settings->wHeight = uint16_t(GetSystemMetrics(SM_CYSCREEN));
  settings->bFullscreen = 1;
  Start(settings->wWidth, settings->wHeight);
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
