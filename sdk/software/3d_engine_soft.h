#pragma once

// The software video platform "Zephyro3D zp3D": every triangle is drawn as its three
// depth-tested, colour-interpolated edges into one of two memory bitmaps, which are
// swapped each frame after the frame-rate line is printed and the bitmap is copied
// to the window.

#include "sdk/core/3d_engine.h"
#include "sdk/core/camera.h"
#include "sdk/os/bitmap.h"
#include "sdk/os/messages.h"
#include "sdk/software/soft_raster.h"

#include <cstdint>

// Client rectangle, right and bottom exclusive.
struct SSoftRect
{
  int32_t left, top, right, bottom;
};

// The platform block published in the engine settings record from Create to Destroy.
// The window handle comes first, as every platform block has it.  The memory
// contexts are the bitmaps themselves: a bitmap here is its own drawing context.
struct SPlatformSoft
{
  zos::HWND hWnd;
  SSoftRect rcClient;
  zos::CBitmapPresenter* pWindowDC; // null when drawing off-screen
  zos::CBitmap* pCurrentDC;         // the bitmap being drawn
  zos::CBitmap* pMemoryDC1;
  zos::CBitmap* pMemoryDC2;
};

// The camera of this platform: UpdateView and Resize as the base; the projection
// operations have no device state to set here.
class CCameraSoft : public CCamera
{
public:
  ZRESULT ApplyPerspective() override { return ZP_OK; }
  ZRESULT ApplyOrtho() override { return ZP_OK; }
  ZRESULT ApplyGamma() override { return ZP_OK; }
  ZRESULT Refresh() override { return ZP_OK; }
  ZRESULT ResetModelView() override { return ZP_OK; }
};

// Grey of the background fill and of the text background.
constexpr uint32_t SOFT_BACKGROUND = zos::BitmapRGB(120, 120, 120);

class C3DEngineSoft : public C3DEngine
{
public:
  C3DEngineSoft();
  ~C3DEngineSoft() override; // 0

  // Null window: 5.  Client size, presentation, bitmaps, camera or depth buffer that
  // cannot be had: ZP_FAIL.
  ZRESULT Create(SEngineSettings* pSettings, zos::CWindow* hWnd) override;   // 1
  ZRESULT Destroy() override;                                                // 2
  ZRESULT ApplyFog() override;                                               // 3
  ZRESULT ApplyLights() override;                                            // 4
  ZRESULT BeginFrame() override;                                             // 5
  ZRESULT EndFrame() override;                                               // 6
  C3DObject* CreateObject(uint32_t dwKind, uint32_t dwRenderFlags) override; // 7
  CIndexBuffer* CreateIndexBuffer(uint32_t dwIgnored1, uint32_t dwIgnored2,
                                  uint32_t dwType) override;                  // 9
  CTexture* CreateTexture(uint32_t dwKind, uint32_t dwTextureFlags) override; // 11
  CShader* CreateShader(uint32_t dwKind, uint32_t dwIgnored) override;        // 13
  ZRESULT DestroyShader(CShader* pShader) override;                           // 14

  // Everything Create does except the window: the frames are drawn into the bitmaps
  // and EndFrame presents nothing.  For drawing without a display (tests, benchmarks).
  ZRESULT CreateOffscreen(SEngineSettings* pSettings, uint16_t wWidth, uint16_t wHeight);

  CSoftRaster* GetRaster() { return &m_Raster; }
  const SPlatformSoft& GetPlatform() const { return m_Platform; }
  zos::CBitmap* GetCurrentBitmap() const { return m_Platform.pCurrentDC; }
  // The bitmap presented by the last EndFrame (the other one is being drawn).
  zos::CBitmap* GetPresentedBitmap() const;

  // Scale of the built-in font for the frame-rate line.
  static int TextScale(uint32_t dwHeight) { return dwHeight >= 400 ? 2 : 1; }

private:
  ZRESULT CreateSurfaces(SEngineSettings* pSettings, zos::HWND hWnd, uint32_t dwWidth, uint32_t dwHeight);

  SPlatformSoft m_Platform;
  CSoftRaster m_Raster;
  zos::CBitmapPresenter m_WindowDC;
  zos::CBitmap m_Bitmap1;
  zos::CBitmap m_Bitmap2;
  uint32_t m_dwTextColor; // set by BeginFrame
  uint32_t m_dwTextBackground;
};
