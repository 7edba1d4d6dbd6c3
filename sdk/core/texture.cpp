#include "sdk/core/texture.h"

#include <cstring>

const char* TextureBaseName(const char* szName)
{
  if (!szName)
    return "";
  const char* p = strrchr(szName, '\\');
  if (!p)
    p = strrchr(szName, '/');
  return p ? p + 1 : szName;
}

CTexture::CTexture()
    : m_pSettings(nullptr), m_dwKind(0), m_dwFlags(0), m_szName{}, m_wBitsPerPixel(0), m_wWidth(0),
      m_wHeight(0)
{
}

CTexture::~CTexture() = default;

ZRESULT CTexture::Attach(SEngineSettings* pSettings)
{
  m_pSettings = pSettings;
  return ZP_OK;
}

ZRESULT CTexture::Release()
{
  m_szName[0] = 0;
  return ZP_OK;
}

void CTexture::Reserved3() {}

void CTexture::Apply(uint32_t, uint32_t) {}

void CTexture::Bind(uint32_t) {}

void CTexture::SetName(const char* szName)
{
  // At most 255 characters; a longer base name is cut.
  strncpy(m_szName, TextureBaseName(szName), sizeof(m_szName) - 1);
  m_szName[sizeof(m_szName) - 1] = 0;
}

ZRESULT CTexture::LoadFromMemory(const void*, uint32_t, uint32_t, const char* szName)
{
  SetName(szName);
  return ZP_OK;
}

ZRESULT CTexture::LoadFromFile(const char* szPath, uint32_t)
{
  SetName(szPath);
  return ZP_OK;
}

ZRESULT CTexture::Reserved8() { return ZP_OK; }

ZRESULT CTexture::LoadFromImage(const SImage* pImage, const char* szName)
{
  if (!pImage)
    return ZP_FAIL;
  SetName(szName);
  return ZP_OK;
}

ZRESULT CTexture::BeginStaged(std::vector<SImage>*, const char*) { return ZP_FAIL; }

bool CTexture::StepStaged(uint32_t) { return true; }
