#pragma once

#include "sdk/core/device_services.h"

#include "sdk/d3d8/d3d8_headers.h"

struct SEngineSettings;

// Shadow volumes in the stencil bits of the device's depth buffer.  MarkVolume leaves
// the stencil test on and colour writes off for DarkenMarked, which puts both back: the
// scene calls them as a pair.
class CShadowVolumesD3D8 : public CShadowVolumeService
{
public:
  // Null when the depth buffer has no stencil or colour writes cannot be masked.
  static CShadowVolumesD3D8* Create(SEngineSettings* pSettings);
  ~CShadowVolumesD3D8() override;

  void MarkVolume(const SVector3* pSides, uint32_t dwSideCount, const SVector3* pCaps,
                  uint32_t dwCapCount) override;
  void DarkenMarked(uint32_t dwColor) override;
  void DrawWireFrame(const SVector3* pPositions, uint32_t dwCount) override;

private:
  explicit CShadowVolumesD3D8(SEngineSettings* pSettings);
  // The quad over the frame, (re)written when the frame's size is not the one it has.
  bool WriteScreenQuad();

  SEngineSettings* m_pSettings;
  IDirect3DVertexBuffer8* m_pScreenQuad; // 4 pre-transformed vertices, managed pool
  uint16_t m_wQuadWidth, m_wQuadHeight;
};

// The sun's occlusion measured in a 16 x 16 render target; 256 points, one per texel,
// add the mask into the first texel of a second 16 x 16 target: the coverage that the
// fading draws read on stage 1.  Both targets are in the default pool: the device lets
// them go before a Reset and makes them again after it.
class CSunOcclusionD3D8 : public CSunOcclusionService
{
public:
  // Null with fewer than two texture stages, or when the targets are refused.
  static CSunOcclusionD3D8* Create(SEngineSettings* pSettings);
  ~CSunOcclusionD3D8() override;

  ZRESULT Reset() override;
  bool Measure(const SMatrix* pView, float fFov, float fNear, float fFar, C3DObject* pDisc, CTexture* pMask,
               const SOccluder* pOccluders, uint32_t dwOccluderCount) override;
  void DrawOverlays() override;
  void DrawAdditive(C3DObject* pObject, const SAdditiveDraw& how) override;

  // Around the device's Reset.  After it the coverage is full visibility again.
  void ReleaseTargets();
  bool RecreateTargets();

private:
  explicit CSunOcclusionD3D8(SEngineSettings* pSettings);
  bool CreateVertices(IDirect3DDevice8* pDevice);
  // Remembers the frame's target and renders into the mask target; false (with
  // nothing taken) when a surface cannot be had.
  bool BeginTargets(IDirect3DDevice8* pDevice);
  void EndTargets(IDirect3DDevice8* pDevice);
  void SumCoverage(IDirect3DDevice8* pDevice);
  // Stage 0 back to texture x diffuse with linear filters, blending to its usual factors.
  void ResetStage0(IDirect3DDevice8* pDevice);

  SEngineSettings* m_pSettings;
  IDirect3DTexture8* m_pMaskTarget;
  IDirect3DTexture8* m_pCoverageTarget;
  IDirect3DVertexBuffer8* m_pVertices; // the two overlays and the summing points
  // The frame's surfaces and viewport while a target is drawn into.
  IDirect3DSurface8* m_pFrameTarget;
  IDirect3DSurface8* m_pFrameDepth;
  IDirect3DSurface8* m_pMaskSurface;
  IDirect3DSurface8* m_pCoverageSurface;
  D3DVIEWPORT8 m_frameViewport;
};
