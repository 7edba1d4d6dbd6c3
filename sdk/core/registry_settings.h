#pragma once

#include "sdk/core/settings_store.h"

#include <cstdint>

// Read/write store over the registry file (sdk/os/registry.h).  Every call opens the
// key "<base>/<section>" below HKEY_LOCAL_MACHINE (one key name, slashes included),
// reads or writes one value and closes it.  Types: REG_DWORD for bool, byte, short
// and int; REG_BINARY of 4 or 8 bytes for float and double; REG_SZ for strings.  A
// numeric read that finds another type or size answers the default.
class CRegistrySettings : public CSettingsStore
{
public:
  // Base key "SOFTWARE/Zephyro/<application>".
  explicit CRegistrySettings(const char* pszApplication);
  ~CRegistrySettings() override;

  bool GetBool(const char* pszSection, const char* pszKey, bool bDefault) override;
  ZRESULT SetBool(const char* pszSection, const char* pszKey, bool bValue) override;
  uint8_t GetByte(const char* pszSection, const char* pszKey, uint8_t byDefault) override;
  ZRESULT SetByte(const char* pszSection, const char* pszKey, uint8_t byValue) override;
  uint16_t GetShort(const char* pszSection, const char* pszKey, uint16_t wDefault) override;
  ZRESULT SetShort(const char* pszSection, const char* pszKey, uint16_t wValue) override;
  int32_t GetInt(const char* pszSection, const char* pszKey, int32_t iDefault) override;
  ZRESULT SetInt(const char* pszSection, const char* pszKey, int32_t iValue) override;
  float GetFloat(const char* pszSection, const char* pszKey, float fDefault) override;
  ZRESULT SetFloat(const char* pszSection, const char* pszKey, float fValue) override;
  double GetDouble(const char* pszSection, const char* pszKey, double dDefault) override;
  ZRESULT SetDouble(const char* pszSection, const char* pszKey, double dValue) override;
  ZRESULT GetString(const char* pszSection, const char* pszKey, const char* pszDefault, char* pszOut,
                    uint32_t uSize) override;
  ZRESULT GetStringWithPrefix(const char* pszSection, const char* pszKey, const char* pszDefault,
                              char* pszOut, uint32_t uSize, const char* pszPrefix) override;
  ZRESULT SetString(const char* pszSection, const char* pszKey, const char* pszText) override;

  const char* GetBaseKey() const { return m_szBaseKey; }

private:
  void MakeKeyName(char* pszOut, uint32_t uSize, const char* pszSection) const;
  // True when the value exists with this exact type and size.
  bool ReadExact(const char* pszSection, const char* pszKey, uint32_t dwType, void* pData,
                 uint32_t uSize) const;
  ZRESULT Write(const char* pszSection, const char* pszKey, uint32_t dwType, const void* pData,
                uint32_t uSize);

  char m_szBaseKey[256];
};
