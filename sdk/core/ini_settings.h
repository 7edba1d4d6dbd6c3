#pragma once

#include "sdk/core/settings_store.h"

#include <cstdint>
#include <string>
#include <vector>

// Read-only store over an INI text held in memory.  The text is borrowed (neither
// copied nor freed) and re-scanned from its start on every Get; every Set answers
// ZP_FAIL.  Lookup: the first line after the matching "[SECTION]" header whose name
// before "=" is the key wins, even past later headers; blanks (space, TAB) inside
// names are skipped, names compare case-sensitively, lines starting with "/" or ";"
// are comments, the value runs from the first non-blank after "=" to CR, LF or NUL.
class CIniSettings : public CSettingsStore
{
public:
  CIniSettings(const char* pText, uint32_t uLength);
  ~CIniSettings() override;

  bool GetBool(const char* pszSection, const char* pszKey, bool bDefault) override;
  uint8_t GetByte(const char* pszSection, const char* pszKey, uint8_t byDefault) override;
  uint16_t GetShort(const char* pszSection, const char* pszKey, uint16_t wDefault) override;
  int32_t GetInt(const char* pszSection, const char* pszKey, int32_t iDefault) override;
  float GetFloat(const char* pszSection, const char* pszKey, float fDefault) override;
  double GetDouble(const char* pszSection, const char* pszKey, double dDefault) override;
  // An absent key answers ZP_FAIL and leaves the default in the buffer.
  ZRESULT GetString(const char* pszSection, const char* pszKey, const char* pszDefault, char* pszOut,
                    uint32_t uSize) override;
  ZRESULT GetStringWithPrefix(const char* pszSection, const char* pszKey, const char* pszDefault,
                              char* pszOut, uint32_t uSize, const char* pszPrefix) override;

  // Longest line the lookup reads, LF included; see ini_settings.cpp for longer ones.
  static constexpr uint32_t LINE_MAX_BYTES = 259;

  // Where the lookup finds section/key: false when the section header is missing.
  // Otherwise *pSectionEnd is the offset just past the header line, and *pOffset and
  // *pLength delimit the value text, or *pOffset is UINT32_MAX when the key is missing.
  bool LocateValue(const char* pszSection, const char* pszKey, uint32_t* pOffset, uint32_t* pLength,
                   uint32_t* pSectionEnd) const;

  // Every key line of the text with the section header above it, in text order, the
  // names as the lookup compares them (blanks dropped).  Keys above the first header
  // have an empty section.
  struct SKeyName
  {
    std::string strSection;
    std::string strKey;
  };
  std::vector<SKeyName> ListKeys() const;

private:
  // The value of section/key copied (at most LINE_MAX_BYTES bytes) into pszValue;
  // false when the section header or the key is missing.
  bool FindValue(const char* pszSection, const char* pszKey, char* pszValue, uint32_t uSize) const;

  const char* m_pText;
  uint32_t m_uLength;
};
