#include "sdk/core/registry_settings.h"

#include "sdk/os/registry.h"

#include <cstdio>
#include <cstring>

using namespace zos;

CRegistrySettings::CRegistrySettings(const char* pszApplication)
{
  std::snprintf(m_szBaseKey, sizeof(m_szBaseKey), "%s/%s", "SOFTWARE/Zephyro",
                pszApplication ? pszApplication : "");
}

CRegistrySettings::~CRegistrySettings() = default;

void CRegistrySettings::MakeKeyName(char* pszOut, uint32_t uSize, const char* pszSection) const
{
  std::snprintf(pszOut, uSize, "%s/%s", m_szBaseKey, pszSection ? pszSection : "");
}

bool CRegistrySettings::ReadExact(const char* pszSection, const char* pszKey, uint32_t dwType, void* pData,
                                  uint32_t uSize) const
{
  if (!pszSection || !pszKey)
    return false;
  char szKey[512];
  MakeKeyName(szKey, sizeof(szKey), pszSection);
  HKEY hKey = nullptr;
  if (RegOpenKey(HKEY_LOCAL_MACHINE, szKey, &hKey) != ERROR_SUCCESS)
    return false;
  // Query into a buffer one byte larger, so a longer value is seen as a size mismatch.
  uint8_t buffer[16];
  uint32_t dwFoundType = 0;
  uint32_t uFoundSize = sizeof(buffer);
  int32_t lResult = RegQueryValue(hKey, pszKey, &dwFoundType, buffer, &uFoundSize);
  RegCloseKey(hKey);
  if (lResult != ERROR_SUCCESS || dwFoundType != dwType || uFoundSize != uSize)
    return false;
  std::memcpy(pData, buffer, uSize);
  return true;
}

ZRESULT CRegistrySettings::Write(const char* pszSection, const char* pszKey, uint32_t dwType,
                                 const void* pData, uint32_t uSize)
{
  if (!pszSection || !pszKey)
    return ZP_FAIL;
  char szKey[512];
  MakeKeyName(szKey, sizeof(szKey), pszSection);
  HKEY hKey = nullptr;
  if (RegCreateKey(HKEY_LOCAL_MACHINE, szKey, &hKey) != ERROR_SUCCESS)
    return ZP_FAIL;
  int32_t lResult = RegSetValue(hKey, pszKey, dwType, pData, uSize);
  RegCloseKey(hKey);
  return lResult == ERROR_SUCCESS ? ZP_OK : ZP_FAIL;
}

bool CRegistrySettings::GetBool(const char* pszSection, const char* pszKey, bool bDefault)
{
  uint32_t dw = 0;
  return ReadExact(pszSection, pszKey, REG_DWORD, &dw, 4) ? dw != 0 : bDefault;
}

ZRESULT CRegistrySettings::SetBool(const char* pszSection, const char* pszKey, bool bValue)
{
  uint32_t dw = bValue ? 1 : 0;
  return Write(pszSection, pszKey, REG_DWORD, &dw, 4);
}

uint8_t CRegistrySettings::GetByte(const char* pszSection, const char* pszKey, uint8_t byDefault)
{
  uint32_t dw = 0;
  return ReadExact(pszSection, pszKey, REG_DWORD, &dw, 4) ? static_cast<uint8_t>(dw & 0xFF) : byDefault;
}

ZRESULT CRegistrySettings::SetByte(const char* pszSection, const char* pszKey, uint8_t byValue)
{
  uint32_t dw = byValue;
  return Write(pszSection, pszKey, REG_DWORD, &dw, 4);
}

uint16_t CRegistrySettings::GetShort(const char* pszSection, const char* pszKey, uint16_t wDefault)
{
  uint32_t dw = 0;
  return ReadExact(pszSection, pszKey, REG_DWORD, &dw, 4) ? static_cast<uint16_t>(dw & 0xFFFF) : wDefault;
}

ZRESULT CRegistrySettings::SetShort(const char* pszSection, const char* pszKey, uint16_t wValue)
{
  uint32_t dw = wValue;
  return Write(pszSection, pszKey, REG_DWORD, &dw, 4);
}

int32_t CRegistrySettings::GetInt(const char* pszSection, const char* pszKey, int32_t iDefault)
{
  int32_t i = 0;
  return ReadExact(pszSection, pszKey, REG_DWORD, &i, 4) ? i : iDefault;
}

ZRESULT CRegistrySettings::SetInt(const char* pszSection, const char* pszKey, int32_t iValue)
{
  return Write(pszSection, pszKey, REG_DWORD, &iValue, 4);
}

float CRegistrySettings::GetFloat(const char* pszSection, const char* pszKey, float fDefault)
{
  float f = 0.0f;
  if (!ReadExact(pszSection, pszKey, REG_BINARY, &f, sizeof(f)))
    return fDefault;
  return static_cast<float>(FiniteOr("CRegistrySettings", "GetFloat", pszSection, pszKey, f, fDefault, true));
}

ZRESULT CRegistrySettings::SetFloat(const char* pszSection, const char* pszKey, float fValue)
{
  return Write(pszSection, pszKey, REG_BINARY, &fValue, sizeof(fValue));
}

double CRegistrySettings::GetDouble(const char* pszSection, const char* pszKey, double dDefault)
{
  double d = 0.0;
  if (!ReadExact(pszSection, pszKey, REG_BINARY, &d, sizeof(d)))
    return dDefault;
  return FiniteOr("CRegistrySettings", "GetDouble", pszSection, pszKey, d, dDefault, false);
}

ZRESULT CRegistrySettings::SetDouble(const char* pszSection, const char* pszKey, double dValue)
{
  return Write(pszSection, pszKey, REG_BINARY, &dValue, sizeof(dValue));
}

ZRESULT CRegistrySettings::GetString(const char* pszSection, const char* pszKey, const char* pszDefault,
                                     char* pszOut, uint32_t uSize)
{
  return GetStringWithPrefix(pszSection, pszKey, pszDefault, pszOut, uSize, nullptr);
}

ZRESULT CRegistrySettings::GetStringWithPrefix(const char* pszSection, const char* pszKey,
                                               const char* pszDefault, char* pszOut, uint32_t uSize,
                                               const char* pszPrefix)
{
  if (!pszOut || uSize == 0)
    return ZP_FAIL;
  // Prefix and default first; the value, when it can be read, goes over the default.
  std::snprintf(pszOut, uSize, "%s%s", pszPrefix ? pszPrefix : "", pszDefault ? pszDefault : "");
  uint32_t uPrefix = pszPrefix ? static_cast<uint32_t>(std::strlen(pszPrefix)) : 0;
  if (uPrefix >= uSize || !pszSection || !pszKey)
    return ZP_FAIL;
  char* pszRest = pszOut + uPrefix;
  uint32_t uRest = uSize - uPrefix;

  char szKey[512];
  MakeKeyName(szKey, sizeof(szKey), pszSection);
  HKEY hKey = nullptr;
  if (RegOpenKey(HKEY_LOCAL_MACHINE, szKey, &hKey) != ERROR_SUCCESS)
    return ZP_FAIL;
  uint32_t dwType = 0;
  uint32_t uFound = 0;
  int32_t lResult = RegQueryValue(hKey, pszKey, &dwType, nullptr, &uFound);
  ZRESULT zr = ZP_FAIL;
  if (lResult == ERROR_SUCCESS && dwType == REG_SZ && uFound <= uRest)
  {
    // Read aside first: a failing read must leave the default in the buffer.
    char szValue[4096];
    char* pValue = uFound <= sizeof(szValue) ? szValue : new char[uFound];
    uint32_t uRead = uFound;
    if (RegQueryValue(hKey, pszKey, &dwType, pValue, &uRead) == ERROR_SUCCESS && dwType == REG_SZ &&
        uRead <= uRest)
    {
      // The stored data may lack its NUL; the buffer is always terminated.
      std::memcpy(pszRest, pValue, uRead);
      pszRest[uRead < uRest ? uRead : uRest - 1] = 0;
      zr = ZP_OK;
    }
    if (pValue != szValue)
      delete[] pValue;
  }
  RegCloseKey(hKey);
  return zr;
}

ZRESULT CRegistrySettings::SetString(const char* pszSection, const char* pszKey, const char* pszText)
{
  if (!pszText)
    return ZP_FAIL;
  return Write(pszSection, pszKey, REG_SZ, pszText, static_cast<uint32_t>(std::strlen(pszText) + 1));
}
