#pragma once

#include "sdk/core/3d_engine.h"
#include "sdk/d3d8/platform_d3d8.h"

#include <vector>

class CShadowVolumesD3D8;
class CSunOcclusionD3D8;

// The Direct3D 8 device.  It draws into the window given to Create, which it owns from
// then on (Destroy destroys it).  d3d8.dll is loaded at run time.  The device is made
// windowed, or full screen at 32 bits, with a 24-bit depth and 8-bit stencil buffer:
// the hardware device first, then the reference device, each tried with pure hardware,
// hardware, mixed and software vertex processing until one is created.  A lost device
// skips its frames until Reset brings it back.  It offers the shadow volumes where the
// depth buffer has stencil bits, and the sun's occlusion where two texture stages and
// render-target textures are there.
class C3DEngineD3D8 : public C3DEngine
{
public:
  // Asked before each device type and vertex-processing mode is tried; false skips
  // it.  Null (the default) tries them all.  For tests that refuse the hardware device.
  typedef bool (*PFN_ACCEPT_DEVICE)(D3DDEVTYPE eType, DWORD dwBehavior);
  static void SetDeviceFilter(PFN_ACCEPT_DEVICE pfnAccept);

  C3DEngineD3D8();
  ~C3DEngineD3D8() override; // 0

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
  CShader* CreateShader(uint32_t dwKind, uint32_t dwIgnored) override;        // 13: none yet
  CShadowVolumeService* GetShadowVolumeService() override;                    // 15
  CSunOcclusionService* GetSunOcclusionService() override;                    // 16
  // The back buffer, which keeps the frame presented last: Present may return before
  // the picture reaches the window, and reading the window may not see it at all.
  bool ReadPresentedFrame(int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels) override; // 17
  uint32_t GetMaxTextureSide() override;                                                       // 18

  SPlatformD3D8* GetPlatform() { return &m_platform; }

  // Ends the open scene and reads the back buffer as 0xAARRGGBB words, top row first
  // (the back buffer is lockable).  EndFrame then only presents.  False when there is
  // nothing to read.
  bool ReadBackBuffer(std::vector<uint32_t>* pPixels, uint32_t* pWidth, uint32_t* pHeight);

private:
  bool CreateDevice(bool bFullscreen);
  // The state every frame relies on, after creation and after each Reset.
  void SetInitialStates();
  // Whether the device can draw now, resetting it when it can be reset.
  bool Restore();
  void DestroyServices();

  SPlatformD3D8 m_platform;
  bool m_bStencil; // the depth buffer has stencil bits
  CShadowVolumesD3D8* m_pShadowVolumes;
  CSunOcclusionD3D8* m_pSunOcclusion;
};
