#pragma once

#include "app/scene/lens_flare_simple.h"

class CSunOcclusionService;

// Alpha blending, one texture, no depth test.
constexpr uint32_t LENS_FLARE_MASKING_RENDER_FLAGS = 0x808;

// The flares of the masking sun: placed as the simple ones, added to the frame and
// faded by the measured sun coverage.  Loaded, drawn and unloaded by CSunMasking.
class CLensFlareMasking : public CLensFlareSimple
{
public:
  explicit CLensFlareMasking(SEngineSettings* pSettings)
      : CLensFlareSimple(pSettings, LENS_FLARE_MASKING_RENDER_FLAGS, "CLensFlareMasking"),
        m_pModulation(nullptr)
  {
  }

  void Draw() override;

  // The measurement whose coverage fades the flares (not owned).
  void SetModulation(CSunOcclusionService* pService) { m_pModulation = pService; }
  CSunOcclusionService* GetModulation() const { return m_pModulation; }

private:
  CSunOcclusionService* m_pModulation;
};
