#pragma once

// The seven textures of the planets and their halos, made from the built-in images
// whose names the settings give.

#include "sdk/core/result.h"

#include <cstdint>
#include <vector>

class CTexture;
class CWorldBase;
struct SImage;

class CTextureTable
{
public:
  enum ETexture
  {
    EARTH_DAY,
    EARTH_NIGHT,
    CLOUDS,
    MOON,
    ATMOSPHERE,
    EARTH_DIFRACTION,
    MOON_DIFRACTION,
    COUNT
  };

  // All seven, in this order, whether or not their feature is on.  A name that matches
  // no built-in image leaves its texture empty; an image that does not decode is
  // logged and fails.
  ZRESULT Load(CWorldBase* pApp);
  // Puts a decoded image (a map of the user's) in place of one texture, in a texture of
  // its own with the same flags: the old one goes only once the new one is loaded.
  ZRESULT LoadImage(CWorldBase* pApp, ETexture e, const SImage& image, const char* szName);
  // The same over several frames, for a map read again while the scene runs: BeginImage
  // takes the image's levels (MipLevels; *pLevels is left empty) into a new texture,
  // each StepImage hands the device about dwBytes more of them, and once all are in
  // the new texture takes the old one's place (StepImage answers true then).  A
  // platform that cannot stage loads level 0 at once.  A later BeginImage drops one
  // still under way.
  ZRESULT BeginImage(CWorldBase* pApp, ETexture e, std::vector<SImage>* pLevels, const char* szName);
  bool StepImage(CWorldBase* pApp, uint32_t dwBytes);
  bool IsStaging() const { return m_pStaged != nullptr; }
  // Releases every texture made, even after a failure; answers the first failure.
  ZRESULT Release(CWorldBase* pApp);

  CTexture* Get(ETexture e) const { return m_apTextures[e]; }
  CTexture* GetEarthDayTexture() const { return m_apTextures[EARTH_DAY]; }
  CTexture* GetEarthNightTexture() const { return m_apTextures[EARTH_NIGHT]; }
  CTexture* GetCloudsTexture() const { return m_apTextures[CLOUDS]; }
  CTexture* GetMoonTexture() const { return m_apTextures[MOON]; }
  CTexture* GetAtmosphereTexture() const { return m_apTextures[ATMOSPHERE]; }
  CTexture* GetEarthDifractionTexture() const { return m_apTextures[EARTH_DIFRACTION]; }
  CTexture* GetMoonDifractionTexture() const { return m_apTextures[MOON_DIFRACTION]; }

private:
  CTexture* m_apTextures[COUNT] = {};
  CTexture* m_pStaged = nullptr; // under way to m_apTextures[m_eStaged]
  ETexture m_eStaged = EARTH_DAY;
};
