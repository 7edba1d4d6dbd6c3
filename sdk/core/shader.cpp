#include "sdk/core/shader.h"

#include "sdk/core/texture.h"

#include <cstring>

namespace
{

void StoreBaseName(char* szOut, size_t uSize, const char* szName)
{
  strncpy(szOut, TextureBaseName(szName), uSize - 1);
  szOut[uSize - 1] = 0;
}

} // namespace

CShader::CShader() : m_pSettings(nullptr), m_dwKind(0), m_dwReserved(0), m_szName{} {}

CShader::~CShader() = default;

ZRESULT CShader::Attach(SEngineSettings* pSettings)
{
  m_pSettings = pSettings;
  return ZP_OK;
}

ZRESULT CShader::Release()
{
  m_szName[0] = 0;
  return ZP_OK;
}

void CShader::Reserved3() {}

void CShader::CopyFrameToTexture(CTexture*, uint32_t) {}

void CShader::Use(CTexture*, CTexture*, CTexture*) {}

void CShader::Unuse() {}

ZRESULT CShader::CreateFromText(uint32_t, uint32_t, const char*, uint32_t, const char* szName)
{
  StoreBaseName(m_szName, sizeof(m_szName), szName);
  return ZP_OK;
}

ZRESULT CShader::CreateFromFile(uint32_t, uint32_t, const char* szPath)
{
  StoreBaseName(m_szName, sizeof(m_szName), szPath);
  return ZP_OK;
}

ZRESULT CShader::Reserved9() { return ZP_OK; }
