#pragma once

#include "app/scene/scene_element.h"

#include <cstdint>

class C3DObject;
class CTexture;

// Render flags of the sun's quads: the disc (light 0, blending with alpha test, colour
// material, own render states, one texture, depth test); halo and rays add 0x20000 so
// that the colour factor's alpha fades them.
constexpr uint32_t SUN_DISC_RENDER_FLAGS = 0x8C29;
constexpr uint32_t SUN_GLOW_RENDER_FLAGS = 0x28C29;
constexpr uint32_t SCENE_OBJECT_KIND = 0xC03; // mesh, shareable, normals, 16-bit indices

// The sun without occlusion measurement: a halo, a ray quad drawn twice with two spins
// and the disc drawn twice with two textures turning against each other, all facing
// the camera at camera position + sun offset.  The world dims halo and rays with
// SetIntensity every frame.
class CSunSimple : public CSceneElement
{
public:
  explicit CSunSimple(SEngineSettings* pSettings);
  ~CSunSimple() override;

  ZRESULT Load() override;
  ZRESULT Unload() override;
  void Update() override;
  void Draw() override;
  virtual void SetIntensity(uint8_t byIntensity);

  C3DObject* GetDiscObject() const { return m_pDisc; }
  C3DObject* GetHaloObject() const { return m_pHalo; }
  C3DObject* GetRayObject() const { return m_pRay; }
  CTexture* GetDiscTexture1() const { return m_pDiscTexture1; }
  CTexture* GetDiscTexture2() const { return m_pDiscTexture2; }
  float GetHaloHalfDiagonal() const { return m_fHaloHalfDiagonal; }
  float GetDiscHalfDiagonal() const { return m_fDiscHalfDiagonal; }
  float GetDiscSpeed() const { return m_fDiscSpeed; }
  float GetDiscAngle() const { return m_fDiscAngle; }
  float GetRaySpeed() const { return m_fRaySpeed; }
  float GetRayAngle() const { return m_fRayAngle; }
  void SetAngles(float fDisc, float fRay)
  {
    m_fDiscAngle = fDisc;
    m_fRayAngle = fRay;
  }

  // Keeps an angle within [-2 pi, 2 pi] by whole turns.
  static float WrapAngle(float fAngle);

protected:
  // What the masking sun changes: the objects' render flags, the disc images and the
  // class its glow messages name.
  struct SSunStyle
  {
    uint32_t dwDiscFlags, dwHaloFlags, dwRayFlags;
    const char* pszDiscKey1;
    const char* pszDiscDefault1;
    const char* pszDiscKey2;
    const char* pszDiscDefault2;
    const char* pszClass;
  };
  CSunSimple(SEngineSettings* pSettings, const SSunStyle& style);

  ZRESULT LoadDiscTexture(CTexture** ppTexture, const char* pszKey, const char* pszDefault);
  ZRESULT BuildGlow(C3DObject* pObject, float fHalfSize, const char* pszColorKey, const char* pszTextureKey,
                    const char* pszTextureDefault);

  SSunStyle m_style;

  CTexture* m_pDiscTexture1;
  CTexture* m_pDiscTexture2;
  C3DObject* m_pDisc;
  C3DObject* m_pHalo;
  C3DObject* m_pRay;
  float m_fHaloHalfDiagonal;
  float m_fDiscHalfDiagonal;
  float m_fDiscSpeed;
  float m_fDiscAngle;
  float m_fRaySpeed;
  float m_fRayAngle;
};
