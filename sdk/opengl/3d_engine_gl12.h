#pragma once

#include "sdk/core/3d_engine.h"
#include "sdk/core/platform.h"
#include "sdk/opengl/gl_context.h"
#include "sdk/opengl/platform_gl.h"
#include "sdk/opengl/state_gl.h"

class CShadowVolumesGL;
class CSunOcclusionGL;

// The OpenGL 1.2 device.  It draws into the window given to Create, which it owns
// from then on (Destroy destroys it); the context on it is a CGLContext.
class C3DEngineGL12 : public C3DEngine
{
public:
  C3DEngineGL12();
  ~C3DEngineGL12() override; // 0

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
  CShadowVolumeService* GetShadowVolumeService() override;                    // 15
  CSunOcclusionService* GetSunOcclusionService() override;                    // 16
  uint32_t GetMaxTextureSide() override;                                      // 18
  // The frame through OpenGL where CGLContext asks for it, else nothing (the window is read).
  bool ReadPresentedFrame(int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels) override; // 17

  SPlatformGL* GetPlatform() { return &m_platform; }

private:
  void LoadEntryPoints();
  // The optional services, made once the context is current; each is absent when the
  // context lacks what it needs.
  void CreateServices();
  void DestroyServices();

  SPlatformGL m_platform;
  CStateGL m_state; // what the device's objects, textures and camera set
  CGLContext m_context;
  CShadowVolumesGL* m_pShadowVolumes;
  CSunOcclusionGL* m_pSunOcclusion;
};

// The module's registration triple.
ZRESULT DescribeOpenGL12(SPlatformDesc* pDesc);
C3DEngine* CreateOpenGL12();
void DestroyOpenGL12(C3DEngine* pEngine);
