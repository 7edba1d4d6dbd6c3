#pragma once

#include "sdk/core/result.h"

#include <cstdint>
#include <set>
#include <string>

// Typed key/value settings addressed by section and key (zero-terminated, case
// sensitive).  The virtual operations keep their fixed slot order.  The base answers
// every Get with its default and every Set, GetString and GetStringWithPrefix with
// ZP_FAIL, touching nothing.
//
// A floating value that is not a finite number (NaN, an infinity, or beyond the range
// of a float for GetFloat) is never handed out: the stores answer the default instead,
// and write one line to the log given by SetLogPath the first time a key is refused.
class CSettingsStore
{
public:
  CSettingsStore() = default;
  virtual ~CSettingsStore(); // 0

  virtual bool GetBool(const char* pszSection, const char* pszKey, bool bDefault);          // 1
  virtual ZRESULT SetBool(const char* pszSection, const char* pszKey, bool bValue);         // 2
  virtual uint8_t GetByte(const char* pszSection, const char* pszKey, uint8_t byDefault);   // 3
  virtual ZRESULT SetByte(const char* pszSection, const char* pszKey, uint8_t byValue);     // 4
  virtual uint16_t GetShort(const char* pszSection, const char* pszKey, uint16_t wDefault); // 5
  virtual ZRESULT SetShort(const char* pszSection, const char* pszKey, uint16_t wValue);    // 6
  virtual int32_t GetInt(const char* pszSection, const char* pszKey, int32_t iDefault);     // 7
  virtual ZRESULT SetInt(const char* pszSection, const char* pszKey, int32_t iValue);       // 8
  virtual float GetFloat(const char* pszSection, const char* pszKey, float fDefault);       // 9
  virtual ZRESULT SetFloat(const char* pszSection, const char* pszKey, float fValue);       // 10
  virtual double GetDouble(const char* pszSection, const char* pszKey, double dDefault);    // 11
  virtual ZRESULT SetDouble(const char* pszSection, const char* pszKey, double dValue);     // 12
  // Copies the value into pszOut (at most uSize - 1 characters, always terminated).
  virtual ZRESULT GetString(const char* pszSection, const char* pszKey, const char* pszDefault, char* pszOut,
                            uint32_t uSize); // 13
  // As GetString, with pszPrefix (may be null) written before the value.
  virtual ZRESULT GetStringWithPrefix(const char* pszSection, const char* pszKey, const char* pszDefault,
                                      char* pszOut, uint32_t uSize,
                                      const char* pszPrefix);                                 // 14
  virtual ZRESULT SetString(const char* pszSection, const char* pszKey, const char* pszText); // 15

  // The log for refused values (copied; null or empty: none).
  void SetLogPath(const char* pszLogPath) { m_strLogPath = pszLogPath ? pszLogPath : ""; }

protected:
  // dValue when it is finite (and, with bFloat, within the range of a float); else the
  // default, logged once per key as "# <pszClass>::<pszOperation> failed! (...)".
  double FiniteOr(const char* pszClass, const char* pszOperation, const char* pszSection, const char* pszKey,
                  double dValue, double dDefault, bool bFloat);

private:
  std::string m_strLogPath;
  std::set<std::string> m_refused; // "section/key" already logged
};
