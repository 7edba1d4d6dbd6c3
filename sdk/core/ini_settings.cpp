#include "sdk/core/ini_settings.h"

#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>

// Lines longer than LINE_MAX_BYTES: the built-in texts have none.  Such a line is
// matched as one whole line (it is never split into pieces that could pass for
// headers or keys of their own), and its value is copied only as far as the caller's
// buffer allows; numbers are converted from its first LINE_MAX_BYTES - 1 bytes.
// Nothing is copied into a fixed buffer without a bound.

namespace
{
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One line of the text: [pBegin, pBegin + uLength), LF included when present.
struct SLine
{
  const char* pBegin;
  uint32_t uLength; // LF included
  uint32_t uScan;   // bytes before the LF
};

bool NextLine(const char* pText, uint32_t uTextLength, uint32_t* puOffset, SLine* pLine)
{
  if (*puOffset >= uTextLength)
    return false;
  const char* pBegin = pText + *puOffset;
  uint32_t uLeft = uTextLength - *puOffset;
  const void* pLf = std::memchr(pBegin, '\n', uLeft);
  uint32_t uLength = pLf ? static_cast<uint32_t>(static_cast<const char*>(pLf) - pBegin) + 1 : uLeft;
  pLine->pBegin = pBegin;
  pLine->uLength = uLength;
  pLine->uScan = pLf ? uLength - 1 : uLength;
  *puOffset += uLength;
  return true;
}

bool IsSectionHeader(const SLine& line, const char* pszSection, size_t uNameLength)
{
  if (line.uLength < uNameLength || line.uLength <= 2)
    return false;
  bool bOpened = false;
  size_t uMatched = 0;
  for (uint32_t i = 0; i < line.uScan; ++i)
  {
    char c = line.pBegin[i];
    if (IsBlank(c))
      continue;
    if (c == '[')
    {
      bOpened = true;
      continue;
    }
    if (c == ']')
      return uMatched == uNameLength;
    if (!bOpened || uMatched >= uNameLength || c != pszSection[uMatched])
      return false;
    ++uMatched;
  }
  return false; // no closing bracket
}

// On a match, *ppValue points after the "=".
bool IsKeyLine(const SLine& line, const char* pszKey, size_t uKeyLength, const char** ppValue)
{
  if (line.uLength < uKeyLength || line.uLength <= 1)
    return false;
  size_t uMatched = 0;
  for (uint32_t i = 0; i < line.uScan; ++i)
  {
    char c = line.pBegin[i];
    if (IsBlank(c))
      continue;
    if (c == '/' || c == ';')
      return false;
    if (c == '=')
    {
      if (uMatched != uKeyLength)
        return false;
      *ppValue = line.pBegin + i + 1;
      return true;
    }
    if (uMatched >= uKeyLength || c != pszKey[uMatched])
      return false;
    ++uMatched;
  }
  return false; // no "="
}

// 32-bit long conversion as the original runtime did it: saturating at the 32-bit range.
long ToLong32(const char* psz)
{
  long long ll = std::strtoll(psz, nullptr, 10);
  if (ll > INT32_MAX)
    return INT32_MAX;
  if (ll < INT32_MIN)
    return INT32_MIN;
  return static_cast<long>(ll);
}

// Floating conversion independent of the process locale (a GUI toolkit may set one
// with a decimal comma).
double ToDouble(const char* psz)
{
#ifdef _WIN32
  // The C runtime names its locale objects differently.
  static _locale_t s_cLocale = _create_locale(LC_ALL, "C");
  if (s_cLocale)
    return _strtod_l(psz, nullptr, s_cLocale);
#else
  static locale_t s_cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  if (s_cLocale)
    return strtod_l(psz, nullptr, s_cLocale);
#endif
  return std::strtod(psz, nullptr);
}

// Bounded copy: at most uSize - 1 bytes, always terminated.  Returns bytes written.
uint32_t CopyBounded(char* pszOut, uint32_t uSize, const char* pSrc, size_t uSrcLength)
{
  if (uSize == 0)
    return 0;
  size_t n = uSrcLength < uSize - 1 ? uSrcLength : uSize - 1;
  std::memcpy(pszOut, pSrc, n);
  pszOut[n] = 0;
  return static_cast<uint32_t>(n);
}

} // namespace

CIniSettings::CIniSettings(const char* pText, uint32_t uLength) : m_pText(pText), m_uLength(uLength) {}

CIniSettings::~CIniSettings() = default;

bool CIniSettings::LocateValue(const char* pszSection, const char* pszKey, uint32_t* pOffset,
                               uint32_t* pLength, uint32_t* pSectionEnd) const
{
  if (!m_pText || !pszSection || !pszKey)
    return false;
  size_t uSectionLength = std::strlen(pszSection);
  size_t uKeyLength = std::strlen(pszKey);
  if (uSectionLength == 0 || uKeyLength == 0)
    return false;

  uint32_t uOffset = 0;
  SLine line;
  bool bInSection = false;
  while (!bInSection && NextLine(m_pText, m_uLength, &uOffset, &line))
    bInSection = IsSectionHeader(line, pszSection, uSectionLength);
  if (!bInSection)
    return false;
  if (pSectionEnd)
    *pSectionEnd = uOffset;

  // The key is searched to the end of the text: a later header does not stop it.
  const char* pValue = nullptr;
  while (NextLine(m_pText, m_uLength, &uOffset, &line))
  {
    if (!IsKeyLine(line, pszKey, uKeyLength, &pValue))
      continue;
    const char* pEnd = line.pBegin + line.uLength;
    while (pValue < pEnd && IsBlank(*pValue))
      ++pValue;
    const char* pStop = pValue;
    while (pStop < pEnd && *pStop != '\r' && *pStop != '\n' && *pStop != 0)
      ++pStop;
    if (pOffset)
      *pOffset = static_cast<uint32_t>(pValue - m_pText);
    if (pLength)
      *pLength = static_cast<uint32_t>(pStop - pValue);
    return true;
  }
  if (pOffset)
    *pOffset = UINT32_MAX;
  return true;
}

std::vector<CIniSettings::SKeyName> CIniSettings::ListKeys() const
{
  // The bytes IsSectionHeader and IsKeyLine accept, collected instead of compared.
  auto header = [](const SLine& line, std::string& strName)
  {
    bool bOpened = false;
    for (uint32_t i = 0; i < line.uScan; ++i)
    {
      const char c = line.pBegin[i];
      if (c == '[')
        bOpened = true;
      else if (c == ']')
        return bOpened && !strName.empty();
      else if (!IsBlank(c) && !bOpened)
        return false;
      else if (!IsBlank(c))
        strName += c;
    }
    return false;
  };
  auto key = [](const SLine& line, std::string& strName)
  {
    for (uint32_t i = 0; i < line.uScan; ++i)
    {
      const char c = line.pBegin[i];
      if (c == '/' || c == ';')
        return false;
      if (c == '=')
        return !strName.empty();
      if (!IsBlank(c))
        strName += c;
    }
    return false;
  };
  std::vector<SKeyName> keys;
  std::string strSection;
  uint32_t uOffset = 0;
  SLine line;
  while (m_pText && NextLine(m_pText, m_uLength, &uOffset, &line))
  {
    std::string strName;
    if (header(line, strName))
      strSection = strName;
    else if (strName.clear(), key(line, strName))
      keys.push_back({ strSection, strName });
  }
  return keys;
}

bool CIniSettings::FindValue(const char* pszSection, const char* pszKey, char* pszValue, uint32_t uSize) const
{
  if (!pszValue || uSize == 0)
    return false;
  uint32_t uOffset = UINT32_MAX, uLength = 0;
  if (!LocateValue(pszSection, pszKey, &uOffset, &uLength, nullptr) || uOffset == UINT32_MAX)
    return false;
  CopyBounded(pszValue, uSize, m_pText + uOffset, uLength);
  return true;
}

bool CIniSettings::GetBool(const char* pszSection, const char* pszKey, bool bDefault)
{
  char szValue[LINE_MAX_BYTES];
  if (!FindValue(pszSection, pszKey, szValue, sizeof(szValue)))
    return bDefault;
  return ToLong32(szValue) != 0;
}

uint8_t CIniSettings::GetByte(const char* pszSection, const char* pszKey, uint8_t byDefault)
{
  char szValue[LINE_MAX_BYTES];
  if (!FindValue(pszSection, pszKey, szValue, sizeof(szValue)))
    return byDefault;
  return static_cast<uint8_t>(static_cast<uint32_t>(ToLong32(szValue)) & 0xFF);
}

uint16_t CIniSettings::GetShort(const char* pszSection, const char* pszKey, uint16_t wDefault)
{
  char szValue[LINE_MAX_BYTES];
  if (!FindValue(pszSection, pszKey, szValue, sizeof(szValue)))
    return wDefault;
  return static_cast<uint16_t>(static_cast<uint32_t>(ToLong32(szValue)) & 0xFFFF);
}

int32_t CIniSettings::GetInt(const char* pszSection, const char* pszKey, int32_t iDefault)
{
  char szValue[LINE_MAX_BYTES];
  if (!FindValue(pszSection, pszKey, szValue, sizeof(szValue)))
    return iDefault;
  return static_cast<int32_t>(ToLong32(szValue));
}

float CIniSettings::GetFloat(const char* pszSection, const char* pszKey, float fDefault)
{
  char szValue[LINE_MAX_BYTES];
  if (!FindValue(pszSection, pszKey, szValue, sizeof(szValue)))
    return fDefault;
  return static_cast<float>(
      FiniteOr("CIniSettings", "GetFloat", pszSection, pszKey, ToDouble(szValue), fDefault, true));
}

double CIniSettings::GetDouble(const char* pszSection, const char* pszKey, double dDefault)
{
  char szValue[LINE_MAX_BYTES];
  if (!FindValue(pszSection, pszKey, szValue, sizeof(szValue)))
    return dDefault;
  return FiniteOr("CIniSettings", "GetDouble", pszSection, pszKey, ToDouble(szValue), dDefault, false);
}

ZRESULT CIniSettings::GetString(const char* pszSection, const char* pszKey, const char* pszDefault,
                                char* pszOut, uint32_t uSize)
{
  return GetStringWithPrefix(pszSection, pszKey, pszDefault, pszOut, uSize, nullptr);
}

ZRESULT CIniSettings::GetStringWithPrefix(const char* pszSection, const char* pszKey, const char* pszDefault,
                                          char* pszOut, uint32_t uSize, const char* pszPrefix)
{
  if (!pszOut || uSize == 0)
    return ZP_FAIL;
  uint32_t uPrefix = pszPrefix ? CopyBounded(pszOut, uSize, pszPrefix, std::strlen(pszPrefix)) : 0;
  char* pszRest = pszOut + uPrefix;
  uint32_t uRest = uSize - uPrefix;
  if (FindValue(pszSection, pszKey, pszRest, uRest))
    return ZP_OK;
  // Absent: the buffer holds prefix and default, as the registry store leaves it.
  CopyBounded(pszRest, uRest, pszDefault ? pszDefault : "", pszDefault ? std::strlen(pszDefault) : 0);
  return ZP_FAIL;
}
