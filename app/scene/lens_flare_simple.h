#pragma once

#include "app/scene/scene_element.h"
#include "sdk/core/3d_math.h"

#include <cstdint>

class C3DMath;
class C3DObject;

constexpr int LENS_FLARE_COUNT = 6;
// Lights, lighting, fog, blending, specular, colour material, own render states, one
// texture, depth test and write, vertex alpha from the colour factor.
constexpr uint32_t LENS_FLARE_RENDER_FLAGS = 0x38C3F;

// One flare: its quad, its half-size in world units and its place on the line from
// the sun through the screen centre (0 on the sun, 0.5 the centre, 1 the mirror point).
struct SLensFlare
{
  C3DObject* pObject;
  float fSize;
  float fPosition;
};

// Where the flares go this frame: the sun's screen point, the offset to the screen
// centre and the shift along each flare's facing axis.
struct SFlarePlacement
{
  SVector3 vSunScreen;
  float fDx;
  float fDy;
  float fShift;
};

// The placement both flare elements share: the screen point of camera position + sun
// offset (through the record's view and projection), its offset to the screen centre
// (integer halves of the viewport) and the shift, -0.03 x (|dx| + |dy|).
void ComputeFlarePlacement(C3DMath* pMath, const SEngineSettings* pSettings, SFlarePlacement* pOut);
// The screen point of a flare at the given position, on the near plane (depth 0).
SVector3 FlareScreenPoint(const SFlarePlacement& placement, float fPosition);
// The way the camera of the record looks, in world space.
SVector3 CameraViewDirection(C3DMath* pMath, const SEngineSettings* pSettings);
// Whether the sun lies in front of the camera, on the side it looks to.  A lens flares
// only from a light ahead of it; the masking sun measures nothing otherwise.
bool IsSunAhead(C3DMath* pMath, const SEngineSettings* pSettings);
// The world point on the near plane that the camera sees at the screen point (x, y
// from the top-left corner): where a flare starts before it is pushed back.
SVector3 FlareNearPoint(C3DMath* pMath, const SEngineSettings* pSettings, const SVector3& vScreen);

// Six camera-facing quads strung along the line from the sun's screen position through
// the screen centre, dimmed by the world's sun intensity.
class CLensFlareSimple : public CSceneElement
{
public:
  explicit CLensFlareSimple(SEngineSettings* pSettings)
      : CLensFlareSimple(pSettings, LENS_FLARE_RENDER_FLAGS, "CLensFlareSimple")
  {
  }
  ~CLensFlareSimple() override;

  ZRESULT Load() override;
  ZRESULT Unload() override;
  void Update() override {}
  void Draw() override;
  virtual void SetIntensity(uint8_t byIntensity);

  const SLensFlare& GetFlare(int i) const { return m_aFlares[i]; }
  uint32_t GetFlareColor(int i) const { return m_adwColors[i]; }

  // Places the six flares for the current camera (the first step of Draw).
  void Place();

protected:
  // The masking flares share everything but their render flags and their log name.
  CLensFlareSimple(SEngineSettings* pSettings, uint32_t dwRenderFlags, const char* pszClass);

private:
  uint32_t m_dwRenderFlags;
  const char* m_pszClass;
  SLensFlare m_aFlares[LENS_FLARE_COUNT];
  uint32_t m_adwColors[LENS_FLARE_COUNT]; // kept for inspection; the quads hold them
};
