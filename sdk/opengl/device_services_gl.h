#pragma once

#include "sdk/core/device_services.h"

#include "sdk/opengl/gl_headers.h"

struct SEngineSettings;

// Shadow volumes in the stencil buffer of the window's frame buffer (the device asks
// for 8 bits of stencil).
class CShadowVolumesGL : public CShadowVolumeService
{
public:
  // Null when the frame buffer has no stencil.
  static CShadowVolumesGL* Create(SEngineSettings* pSettings);

  void MarkVolume(const SVector3* pSides, uint32_t dwSideCount, const SVector3* pCaps,
                  uint32_t dwCapCount) override;
  void DarkenMarked(uint32_t dwColor) override;
  void DrawWireFrame(const SVector3* pPositions, uint32_t dwCount) override;

private:
  explicit CShadowVolumesGL(SEngineSettings* pSettings) : m_pSettings(pSettings) {}
  // The scene camera's projection and an identity model-view: volumes are in world space.
  void ApplyWorldTransforms();

  SEngineSettings* m_pSettings;
};

// The sun's occlusion measured in a 16 x 16 texture rendered through a frame-buffer
// object.  Its mipmap chain, rebuilt on the card after each measurement, ends in a
// 1 x 1 level holding the mask's mean: the coverage that the fading draws sample.
class CSunOcclusionGL : public CSunOcclusionService
{
public:
  // Null without frame-buffer objects or multitexture, or when the target is refused.
  static CSunOcclusionGL* Create(SEngineSettings* pSettings);
  ~CSunOcclusionGL() override;

  ZRESULT Reset() override;
  bool Measure(const SMatrix* pView, float fFov, float fNear, float fFar, C3DObject* pDisc, CTexture* pMask,
               const SOccluder* pOccluders, uint32_t dwOccluderCount) override;
  void DrawOverlays() override;
  void DrawAdditive(C3DObject* pObject, const SAdditiveDraw& how) override;

  GLuint GetMaskTexture() const { return m_uMask; }

private:
  explicit CSunOcclusionGL(SEngineSettings* pSettings);
  // Binds the mask at level 0 (the mask itself) or at its last level (the coverage).
  void BindMask(bool bCoverage);
  bool BeginTarget();
  void EndTarget();

  SEngineSettings* m_pSettings;
  GLuint m_uMask;
  GLuint m_uFramebuffer;
  GLint m_iLastLevel;
};
