#pragma once

#include "app/scene/sun_simple.h"
#include "sdk/core/device_services.h"

class CLensFlareMasking;

// Render flags of the masking sun's quads: blending, one texture, depth test (the halo
// without it).  Their states are set by the device's occlusion service when drawn.
constexpr uint32_t SUN_MASKING_DISC_RENDER_FLAGS = 0x8808;
constexpr uint32_t SUN_MASKING_HALO_RENDER_FLAGS = 0x808;
constexpr uint32_t SUN_MASKING_RAY_RENDER_FLAGS = 0x8808;

// The sun that measures, on the card, how much of its disc the Earth and the Moon hide
// and fades its halo, its rays and its lens flares by that share.  It draws through the
// device's occlusion service and owns the masked lens flares.
class CSunMasking : public CSunSimple
{
public:
  static constexpr int OCCLUDER_COUNT = 2;

  explicit CSunMasking(SEngineSettings* pSettings);
  ~CSunMasking() override;

  ZRESULT Load() override;
  ZRESULT Unload() override;
  void Draw() override;
  // The flares, after the planets: only when enabled and the latest measurement succeeded.
  void DrawFlares();

  // Set by the world before Load: the bodies that may hide the sun.
  void SetOccluder(int i, C3DObject* pObject, SMatrix* pMatrix);

  // The measurement of this frame: false (nothing of the sun drawn) with the sun behind
  // the viewer or when the card could not measure.
  bool OcclusionPass();

  bool IsVisible() const { return m_bVisible != 0; }
  bool AreFlaresEnabled() const { return m_bFlares != 0; }
  bool IsOverlayEnabled() const { return m_bOverlay != 0; }
  float GetViewRatio() const { return m_fViewRatio; }
  CTexture* GetMaskTexture() const { return m_pMaskTexture; }
  CLensFlareMasking* GetLensFlare() const { return m_pLensFlare; }
  const SOccluder& GetOccluder(int i) const { return m_aOccluders[i]; }

private:
  CSunOcclusionService* Service() const;

  CTexture* m_pMaskTexture;
  CLensFlareMasking* m_pLensFlare;
  uint8_t m_bOverlay;
  uint8_t m_bFlares;
  uint8_t m_bVisible;
  float m_fViewRatio;
  SOccluder m_aOccluders[OCCLUDER_COUNT];
};
