// The OpenGL platform as the application base drives it: registered, loaded by flags,
// frames through CWorldBase::Frame, the bitmap font built through the world's wrappers.

#include "data/embedded.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/ini_settings.h"
#include "sdk/core/texture.h"
#include "sdk/core/world_base.h"
#include "sdk/opengl/3d_engine_gl12.h"
#include "data/embedded.h"
#include "sdk/core/font.h"
#include "sdk/opengl/object_gl.h"
#include "sdk/os/window.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None) would break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

using namespace zos;

namespace
{

constexpr int W = 200;
constexpr int H = 150;

LRESULT TestProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l)
{
  return CWindow::DefWindowProc(hwnd, msg, w, l);
}

std::string ReadFile(const char* path)
{
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class WorldGL : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::snprintf(logPath, sizeof(logPath), "/tmp/planeto_world_gl_%d.log", static_cast<int>(getpid()));
    std::remove(logPath);
    world.reset(new CWorldBase());
    world->BindSettings(nullptr, nullptr, logPath);
    world->RegisterPlatform(PLATFORM_INDEX_OPENGL12, DescribeOpenGL12, CreateOpenGL12, DestroyOpenGL12);
    hwnd = CWindow::Create("PlanetoGLWorld", "world", WS_OVERLAPPED | WS_VISIBLE, 0, 0, W, H, TestProc,
                           WINDOW_OPENGL);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_EQ(world->Load(hwnd, W, H, 32, false, false, 0x1000004, "."), ZP_OK);
    settings = world->GetSettings();
  }

  void TearDown() override
  {
    if (world)
      world->Unload();
    world.reset();
    std::remove(logPath);
  }

  char logPath[64];
  std::unique_ptr<CWorldBase> world;
  SEngineSettings* settings = nullptr;
  HWND hwnd = nullptr;
};

} // namespace

TEST_F(WorldGL, LoadsByFlagsAndDrawsFrames)
{
  EXPECT_STREQ(settings->descPlatform.szName, "OpenGL 1.2");
  ASSERT_NE(settings->pPlatform, nullptr);
  // Code defaults: clear colour 150 grey.
  EXPECT_EQ(settings->dwClearColor, 0x96969696u);
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(world->Frame(), ZP_OK);
  // What the window shows after the swap, as the X server has it.
  glFinish();
  Display* dpy = static_cast<Display*>(CWindow::GetNativeDisplay());
  XImage* img = XGetImage(dpy, hwnd->GetNativeHandle(), W / 2, H / 2, 1, 1, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  unsigned long pixel = XGetPixel(img, 0, 0);
  XDestroyImage(img);
  EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), 150, 1);
  EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), 150, 1);
  EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 150, 1);
  GLint viewport[4] = { 0 };
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], W);
  EXPECT_EQ(viewport[3], H);
}

TEST_F(WorldGL, FontFromTheBuiltInText)
{
  const SEmbeddedFile* text = FindEmbeddedText("Planeto.Font.ini");
  ASSERT_NE(text, nullptr);
  CIniSettings store(reinterpret_cast<const char*>(text->data), text->size);
  CFont font(settings);
  ASSERT_EQ(font.Load(), ZP_OK);
  C3DObject* obj = font.GetObject();
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->GetKind(), 0x810u);
  EXPECT_EQ(obj->GetRenderFlags(), 0xC29u);
  EXPECT_EQ(obj->GetVertexCount(), 96u);
  EXPECT_EQ(obj->GetIndex(95), 95u);

  // The text names Font.tga, which is not among the built-in images.
  char name[256];
  store.GetString("FONT", "FONT_TEXTURE_PATH", "Font.tga", name, sizeof(name));
  EXPECT_EQ(FindBuiltInImage(name), nullptr);

  const SEmbeddedFile* png = FindBuiltInImage("font.png");
  ASSERT_NE(png, nullptr);
  ASSERT_EQ(font.SetMakeTexture("font.png", png->data, png->size, &store), ZP_OK);
  EXPECT_NE(obj->GetTexture(0, 0), nullptr);
  EXPECT_FLOAT_EQ(font.GetCellWidth(), 0.0625f);
  EXPECT_FLOAT_EQ(font.GetCellHeight(), 0.0625f);
  EXPECT_EQ(font.GetGlyph(' '), (1u << 16) | 3u);
  EXPECT_EQ(font.GetGlyph('A'), (2u << 16) | 5u);
  EXPECT_EQ(font.GetGlyph('z'), (11u << 16) | 8u);
  EXPECT_EQ(font.GetGlyph('#'), (1u << 16) | 1u);
  EXPECT_EQ(font.GetGlyph('{'), (14u << 16) | 8u);
  EXPECT_EQ(font.GetGlyph('}'), (14u << 16) | 8u);
  EXPECT_EQ(font.GetGlyph(137), (6u << 16) | 3u);
  EXPECT_EQ(font.GetGlyph('%'), 0u);
  EXPECT_EQ(font.GetGlyph('|'), 0u);
  EXPECT_EQ(font.Unload(), ZP_OK);
  EXPECT_EQ(font.GetObject(), nullptr);
}

TEST_F(WorldGL, FontGridAndGlyphValuesFromAnotherText)
{
  const char text[] = "[FONT]\r\nNB_COL = 20\r\nNB_ROW = 8\r\nSPACE = 0.0\r\nMAJ_B = 12\r\nMIN_c = 3.4\r\n";
  CIniSettings store(text, sizeof(text) - 1);
  CFont font(settings);
  ASSERT_EQ(font.Load(), ZP_OK);
  const SEmbeddedFile* png = FindBuiltInImage("font.png");
  ASSERT_EQ(font.SetMakeTexture("font.png", png->data, png->size, &store), ZP_OK);
  EXPECT_FLOAT_EQ(font.GetCellWidth(), 1.0f / 12.0f);
  EXPECT_FLOAT_EQ(font.GetCellHeight(), 1.0f / 32.0f);
  EXPECT_EQ(font.GetGlyph(' '), 0u); // "0.0" disables
  EXPECT_EQ(font.GetGlyph('B'), 0u); // no point: left unset
  EXPECT_EQ(font.GetGlyph('c'), (3u << 16) | 4u);
  EXPECT_EQ(font.GetGlyph('d'), (1u << 16) | 1u); // absent key: "1.1"
  font.Unload();

  const char zero[] = "[FONT]\r\nNB_COL = 0\r\n";
  CIniSettings bad(zero, sizeof(zero) - 1);
  CFont rejected(settings);
  ASSERT_EQ(rejected.Load(), ZP_OK);
  EXPECT_EQ(rejected.SetMakeTexture("font.png", png->data, png->size, &bad), ZP_FAIL);
  rejected.Unload();

  CFont broken(settings);
  ASSERT_EQ(broken.Load(), ZP_OK);
  const unsigned char junk[] = { 0x89, 'P', 'N', 'G', 1, 2, 3 };
  EXPECT_EQ(broken.SetMakeTexture("font.png", junk, sizeof(junk), &store), ZP_FAIL);
  broken.Unload();
  EXPECT_NE(ReadFile(logPath).find("# CFont::SetMakeTexture failed! (\"font.png\")\n"), std::string::npos);
}

TEST_F(WorldGL, FontTextThatNamesFontPngGetsTextureAndGlyphs)
{
  // The built-in font text with its texture path changed to the built-in font image:
  // the name resolves, and the glyph map is the text's ASCII grid.
  const SEmbeddedFile* builtIn = FindEmbeddedText("Planeto.Font.ini");
  ASSERT_NE(builtIn, nullptr);
  std::string text(reinterpret_cast<const char*>(builtIn->data), builtIn->size);
  const size_t at = text.find("= Font.tga\r\n");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 10, "= font.png");
  CIniSettings store(text.data(), static_cast<uint32_t>(text.size()));

  char name[256];
  ASSERT_EQ(store.GetString("FONT", "FONT_TEXTURE_PATH", "Font.tga", name, sizeof(name)), ZP_OK);
  const SEmbeddedFile* png = FindBuiltInImage(name);
  ASSERT_NE(png, nullptr) << name;
  CFont font(settings);
  ASSERT_EQ(font.Load(), ZP_OK);
  ASSERT_EQ(font.SetMakeTexture(name, png->data, png->size, &store), ZP_OK);
  CTexture* tex = font.GetObject()->GetTexture(0, 0);
  ASSERT_NE(tex, nullptr);
  EXPECT_STREQ(tex->GetName(), "font.png");
  int glyphs = 0;
  for (uint32_t code = 0; code < 256; ++code)
    glyphs += font.GetGlyph(code) != 0;
  // 9 named + 17 punctuation + 10 digits + 52 letters + two braces + POURCENT.
  EXPECT_EQ(glyphs, 91);
  EXPECT_EQ(font.GetGlyph('0'), (1u << 16) | 4u);
  EXPECT_EQ(font.GetGlyph('_'), (16u << 16) | 6u);
  EXPECT_EQ(font.Unload(), ZP_OK);
}

TEST_F(WorldGL, FontGridSizesOutsideOneTo256AreRejected)
{
  const SEmbeddedFile* png = FindBuiltInImage("font.png");
  ASSERT_NE(png, nullptr);
  for (const char* grid :
       { "NB_COL = 0\r\nNB_ROW = 16", "NB_COL = 16\r\nNB_ROW = 0", "NB_COL = 257\r\nNB_ROW = 16",
         "NB_COL = 16\r\nNB_ROW = 300", "NB_COL = -4\r\nNB_ROW = 16" })
  {
    const std::string text = std::string("[FONT]\r\n") + grid + "\r\n";
    CIniSettings store(text.data(), static_cast<uint32_t>(text.size()));
    CFont font(settings);
    ASSERT_EQ(font.Load(), ZP_OK);
    EXPECT_EQ(font.SetMakeTexture("font.png", png->data, png->size, &store), ZP_FAIL) << grid;
    EXPECT_EQ(font.GetGlyph('A'), 0u) << grid;
    font.Unload();
  }
  // The limits themselves are fine: 256 columns give cells of 1 / 1.
  const char edge[] = "[FONT]\r\nNB_COL = 256\r\nNB_ROW = 1\r\n";
  CIniSettings store(edge, sizeof(edge) - 1);
  CFont font(settings);
  ASSERT_EQ(font.Load(), ZP_OK);
  ASSERT_EQ(font.SetMakeTexture("font.png", png->data, png->size, &store), ZP_OK);
  EXPECT_FLOAT_EQ(font.GetCellWidth(), 1.0f);
  EXPECT_FLOAT_EQ(font.GetCellHeight(), 1.0f / 256.0f);
  font.Unload();
}

TEST_F(WorldGL, UnloadDestroysTheWindowAndLeavesNoLeakLines)
{
  C3DObject* obj = world->CreateObject(0xC03, 0x18C3F);
  ASSERT_NE(obj, nullptr);
  ASSERT_EQ(obj->SetupGeometry(1, 3, 3), ZP_OK);
  world->Unload();
  EXPECT_FALSE(CWindow::IsWindow(hwnd));
  EXPECT_EQ(ReadFile(logPath).find("leaks"), std::string::npos);
}
