#pragma once

// The seven textures of the planets and their halos, made from the built-in images
// whose names the settings give.

#include "sdk/core/result.h"

class CTexture;
class CWorldBase;

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
};
