#include "app/scene/texture_table.h"

#include "app/scene/scene_images.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/log.h"
#include "sdk/core/texture.h"
#include "sdk/core/world_base.h"
#include "sdk/image/image_readers.h"

namespace
{

struct STextureSource
{
  uint32_t dwFlags;
  const char* pszSection;
  const char* pszKey;
  const char* pszDefault;
};

// In the order they are made.
const STextureSource kSources[CTextureTable::COUNT] = {
  { 11, "EARTH", "EARTH_DAY_TEXTURE", "EarthDay.tga" },
  { 19, "EARTH", "EARTH_NIGHT_TEXTURE", "EarthNight.tga" },
  { 3, "CLOUDS", "CLOUDS_TEXTURE", "EarthClouds.tga" },
  { 3, "MOON", "MOON_TEXTURE", "Moon.tga" },
  { 3, "EARTH_ATMOSPHERE", "EARTH_ATMOSPHERE_TEXTURE", "Atmosphere.tga" },
  { 3, "EARTH_DIFRACTION", "EARTH_DIFRACTION_TEXTURE", "Difraction.tga" },
  { 3, "MOON_DIFRACTION", "MOON_DIFRACTION_TEXTURE", "Difraction2.tga.tga" },
};

// The order they are released in.
const CTextureTable::ETexture kReleaseOrder[CTextureTable::COUNT] = {
  CTextureTable::EARTH_DAY,       CTextureTable::CLOUDS,
  CTextureTable::EARTH_NIGHT,     CTextureTable::MOON,
  CTextureTable::ATMOSPHERE,      CTextureTable::EARTH_DIFRACTION,
  CTextureTable::MOON_DIFRACTION,
};

} // namespace

ZRESULT CTextureTable::Load(CWorldBase* pApp)
{
  SEngineSettings* pSet = pApp->GetSettings();
  for (int i = 0; i < COUNT; ++i)
  {
    const STextureSource& src = kSources[i];
    CTexture* pTexture = m_apTextures[i] = pApp->CreateTexture(1, src.dwFlags);
    if (!pTexture)
      return ZP_FAIL;
    const SEmbeddedFile* pImage = ReadImageName(pSet, src.pszSection, src.pszKey, src.pszDefault);
    if (pImage && ZP_FAILED(pTexture->LoadFromMemory(pImage->data, pImage->size, 0, pSet->szName)))
    {
      LogMessage(pSet->szLogPath, 1, "# CPlanetoWorld::LoadTextureFromFile failed! (\"%s\")\n", pSet->szName);
      return ZP_FAIL;
    }
  }
  return ZP_OK;
}

ZRESULT CTextureTable::LoadImage(CWorldBase* pApp, ETexture e, const SImage& image, const char* szName)
{
  CTexture* pTexture = pApp->CreateTexture(1, kSources[e].dwFlags);
  if (!pTexture)
    return ZP_FAIL;
  if (ZP_FAILED(pTexture->LoadFromImage(&image, szName)))
  {
    pApp->DestroyTexture(pTexture);
    return ZP_FAIL;
  }
  pApp->DestroyTexture(m_apTextures[e]);
  m_apTextures[e] = pTexture;
  return ZP_OK;
}

ZRESULT CTextureTable::BeginImage(CWorldBase* pApp, ETexture e, std::vector<SImage>* pLevels,
                                  const char* szName)
{
  pApp->DestroyTexture(m_pStaged);
  m_pStaged = nullptr;
  if (!pLevels || pLevels->empty())
    return ZP_FAIL;
  CTexture* pTexture = pApp->CreateTexture(1, kSources[e].dwFlags);
  if (!pTexture)
    return ZP_FAIL;
  if (ZP_FAILED(pTexture->BeginStaged(pLevels, szName)))
  {
    pApp->DestroyTexture(pTexture);
    return LoadImage(pApp, e, pLevels->front(), szName);
  }
  m_pStaged = pTexture;
  m_eStaged = e;
  return ZP_OK;
}

bool CTextureTable::StepImage(CWorldBase* pApp, uint32_t dwBytes)
{
  if (!m_pStaged || !m_pStaged->StepStaged(dwBytes))
    return false;
  pApp->DestroyTexture(m_apTextures[m_eStaged]);
  m_apTextures[m_eStaged] = m_pStaged;
  m_pStaged = nullptr;
  return true;
}

ZRESULT CTextureTable::Release(CWorldBase* pApp)
{
  ZRESULT rFirst = ZP_OK;
  pApp->DestroyTexture(m_pStaged);
  m_pStaged = nullptr;
  for (ETexture e : kReleaseOrder)
  {
    const ZRESULT r = pApp->DestroyTexture(m_apTextures[e]);
    m_apTextures[e] = nullptr;
    if (ZP_FAILED(r) && !ZP_FAILED(rFirst))
      rFirst = r;
  }
  return rFirst;
}
