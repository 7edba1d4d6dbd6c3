#pragma once

#include "app/scene/scene_element.h"
#include "sdk/core/3d_math.h"

#include <cstdint>
#include <vector>

class C3DObject;
class CShadowVolumeService;

// One body that casts a shadow: its mesh, the matrix it is seen through from the sun,
// the box its volume is clamped to, and the volume's last build (world positions,
// three to a triangle).
struct SShadowCaster
{
  C3DObject* pObject;
  SMatrix* pMatrix;
  SVector3 vMax;
  SVector3 vMin;
  SVector3* pSides;
  uint32_t dwCapacity;
  uint32_t dwSideCount;
  SVector3* pCaps;
  uint32_t dwCapCount;
};

// The shadows of the Earth on the Moon and of the Moon on the Earth: each frame the
// silhouette of every caster as the sun sees it is extruded away from the sun into a
// closed volume, which the device's shadow service counts into the stencil buffer and
// darkens.
class CStencilShadow : public CSceneElement
{
public:
  static constexpr int CASTER_COUNT = 4;

  explicit CStencilShadow(SEngineSettings* pSettings);
  ~CStencilShadow() override;

  ZRESULT Load() override;
  ZRESULT Unload() override;
  void Update() override {}
  void Draw() override {}
  // Rebuilds the caster's volume from its silhouette; the caster object's Commit result.
  virtual ZRESULT BuildShadowVolume(int iCaster);
  // Counts the caster's volume into the stencil buffer and darkens what it marks.
  virtual void DrawShadowVolume(int iCaster);

  // Set by the world before Load; only the x components of the bounds are limited.
  void SetCaster(int iCaster, C3DObject* pObject, SMatrix* pMatrix, float fMaxX, float fMinX);

  const SShadowCaster& GetCaster(int iCaster) const { return m_aCasters[iCaster]; }
  uint32_t GetShadowColor() const { return m_dwShadowColor; }
  bool IsShowConstruct() const { return m_bShowConstruct != 0; }

private:
  CShadowVolumeService* Service() const;
  static void ResetCaster(SShadowCaster* pCaster);
  static void FreeArrays(SShadowCaster* pCaster);

  struct SEdge
  {
    uint16_t a, b;
  };
  void ToggleEdge(uint16_t a, uint16_t b);
  void ExtrudePart(SShadowCaster* pCaster, const SVector3& vLight);

  uint32_t m_dwShadowColor;
  SMatrix m_matIdentity;
  uint8_t m_bShowConstruct;
  SShadowCaster m_aCasters[CASTER_COUNT];
  std::vector<SEdge> m_edges; // the silhouette of the part being built
};
