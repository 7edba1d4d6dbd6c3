// The WGL context on a window made here with the plain Win32 calls, of a class with its
// own device context as the window layer makes them for OpenGL: the format it sets, a
// context that draws, its entry points, renewal and release, and the display mode.

#include <windows.h>

#include "sdk/opengl/gl_context.h"
#include "sdk/opengl/gl_headers.h"

#include <gtest/gtest.h>

namespace
{

DEVMODEA CurrentMode()
{
  DEVMODEA mode = {};
  mode.dmSize = sizeof(mode);
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  return mode;
}

struct GLContextWGL : ::testing::Test
{
  void SetUp() override
  {
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PlanetoGLContextTest";
    RegisterClassA(&wc); // already there for the second test on
    hwnd = CreateWindowExA(0, wc.lpszClassName, "GL context", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 64,
                           48, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOW);
  }

  void TearDown() override
  {
    context.Destroy();
    context.DeletePalette();
    if (hwnd)
      DestroyWindow(hwnd);
  }

  uintptr_t Native() const { return reinterpret_cast<uintptr_t>(hwnd); }

  // Clears colour and stencil and reads both back from the corner pixel.
  void ClearAndRead(const float* rgb, int stencil, GLubyte* pixel, GLuint* stencilRead)
  {
    glClearColor(rgb[0], rgb[1], rgb[2], 1.0f);
    glClearStencil(stencil);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    glReadPixels(0, 0, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_INT, stencilRead);
  }

  HWND hwnd = nullptr;
  CGLContext context;
};

} // namespace

TEST_F(GLContextWGL, CreateMakesACurrentDoubleBufferedContextWithDepthAndStencil)
{
  ASSERT_EQ(context.Create(Native()), ZP_OK);
  HDC hdc = static_cast<HDC>(context.GetDeviceContext());
  EXPECT_EQ(hdc, wglGetCurrentDC());
  EXPECT_EQ(context.GetRenderingContext(), static_cast<void*>(wglGetCurrentContext()));
  EXPECT_EQ(context.GetPalette(), nullptr); // true-colour display

  PIXELFORMATDESCRIPTOR pfd = {};
  ASSERT_NE(DescribePixelFormat(hdc, GetPixelFormat(hdc), sizeof(pfd), &pfd), 0);
  EXPECT_EQ(pfd.dwFlags & (PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER),
            static_cast<DWORD>(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER));
  EXPECT_EQ(pfd.iPixelType, PFD_TYPE_RGBA);
  EXPECT_GE(pfd.cDepthBits, 24);

  const float green[3] = { 0.0f, 1.0f, 0.0f };
  GLubyte pixel[4] = {};
  GLuint stencil = 0;
  ClearAndRead(green, 0xA5, pixel, &stencil);
  EXPECT_EQ(pixel[0], 0);
  EXPECT_EQ(pixel[1], 255);
  EXPECT_EQ(pixel[2], 0);
  EXPECT_EQ(stencil, 0xA5u); // all eight stencil bits kept
  EXPECT_TRUE(context.SwapBuffers());
}

TEST_F(GLContextWGL, EntryPointsAreThoseOfTheContextAndNullForUnknownNames)
{
  ASSERT_EQ(context.Create(Native()), ZP_OK);
  auto activeTexture =
      reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(context.GetProcAddress("glActiveTextureARB"));
  ASSERT_NE(activeTexture, nullptr);
  activeTexture(GL_TEXTURE1_ARB);
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  EXPECT_EQ(active, GL_TEXTURE1_ARB);
  EXPECT_EQ(context.GetProcAddress("glPlanetoNoSuchCallARB"), nullptr);
}

TEST_F(GLContextWGL, ReacquireAndRecreateKeepTheWindowDrawable)
{
  ASSERT_EQ(context.Create(Native()), ZP_OK);
  void* first = context.GetRenderingContext();
  ASSERT_TRUE(context.Reacquire());
  EXPECT_EQ(static_cast<void*>(wglGetCurrentContext()), first);

  // Released and made again on the same window, which keeps the format set the first time.
  context.Destroy();
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  EXPECT_EQ(context.GetRenderingContext(), nullptr);
  EXPECT_FALSE(context.MakeCurrent());
  ASSERT_EQ(context.Create(Native()), ZP_OK);

  const float blue[3] = { 0.0f, 0.0f, 1.0f };
  GLubyte pixel[4] = {};
  GLuint stencil = 0;
  ClearAndRead(blue, 3, pixel, &stencil);
  EXPECT_EQ(pixel[2], 255);
  EXPECT_EQ(stencil, 3u);
}

TEST(GLContextWGLAlone, CreateWithoutAWindowFails)
{
  CGLContext context;
  EXPECT_EQ(context.Create(static_cast<uintptr_t>(0)), ZP_FAIL);
  EXPECT_EQ(context.Create(static_cast<zos::CWindow*>(nullptr)), ZP_FAIL);
  EXPECT_EQ(context.GetRenderingContext(), nullptr);
  EXPECT_FALSE(context.SwapBuffers());
}

// Wine on the X server offers the screen's own size at every colour depth, and no other
// size.
TEST(GLContextWGLAlone, FullscreenSwitchesTo16BitsAndLeavingRestoresTheDesktop)
{
  const DEVMODEA before = CurrentMode();
  CGLContext context;
  ASSERT_TRUE(context.EnterFullscreen(nullptr, before.dmPelsWidth, before.dmPelsHeight));
  EXPECT_EQ(CurrentMode().dmBitsPerPel, 16u);
  context.LeaveFullscreen(nullptr);
  const DEVMODEA after = CurrentMode();
  EXPECT_EQ(after.dmBitsPerPel, before.dmBitsPerPel);
  EXPECT_EQ(after.dmPelsWidth, before.dmPelsWidth);
  EXPECT_EQ(after.dmPelsHeight, before.dmPelsHeight);
}

TEST(GLContextWGLAlone, AModeTheDisplayLacksIsRefusedAndChangesNothing)
{
  const DEVMODEA before = CurrentMode();
  CGLContext context;
  EXPECT_FALSE(context.EnterFullscreen(nullptr, 641, 479));
  const DEVMODEA after = CurrentMode();
  EXPECT_EQ(after.dmBitsPerPel, before.dmBitsPerPel);
  EXPECT_EQ(after.dmPelsWidth, before.dmPelsWidth);
}
