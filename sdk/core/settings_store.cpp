#include "sdk/core/settings_store.h"

#include "sdk/core/log.h"

#include <cfloat>
#include <cmath>

// The base store knows no values: every Get answers its default, everything else fails.

CSettingsStore::~CSettingsStore() = default;

bool CSettingsStore::GetBool(const char*, const char*, bool bDefault) { return bDefault; }
ZRESULT CSettingsStore::SetBool(const char*, const char*, bool) { return ZP_FAIL; }
uint8_t CSettingsStore::GetByte(const char*, const char*, uint8_t byDefault) { return byDefault; }
ZRESULT CSettingsStore::SetByte(const char*, const char*, uint8_t) { return ZP_FAIL; }
uint16_t CSettingsStore::GetShort(const char*, const char*, uint16_t wDefault) { return wDefault; }
ZRESULT CSettingsStore::SetShort(const char*, const char*, uint16_t) { return ZP_FAIL; }
int32_t CSettingsStore::GetInt(const char*, const char*, int32_t iDefault) { return iDefault; }
ZRESULT CSettingsStore::SetInt(const char*, const char*, int32_t) { return ZP_FAIL; }
float CSettingsStore::GetFloat(const char*, const char*, float fDefault) { return fDefault; }
ZRESULT CSettingsStore::SetFloat(const char*, const char*, float) { return ZP_FAIL; }
double CSettingsStore::GetDouble(const char*, const char*, double dDefault) { return dDefault; }
ZRESULT CSettingsStore::SetDouble(const char*, const char*, double) { return ZP_FAIL; }

ZRESULT CSettingsStore::GetString(const char*, const char*, const char*, char*, uint32_t) { return ZP_FAIL; }

ZRESULT CSettingsStore::GetStringWithPrefix(const char*, const char*, const char*, char*, uint32_t,
                                            const char*)
{
  return ZP_FAIL;
}

ZRESULT CSettingsStore::SetString(const char*, const char*, const char*) { return ZP_FAIL; }

double CSettingsStore::FiniteOr(const char* pszClass, const char* pszOperation, const char* pszSection,
                                const char* pszKey, double dValue, double dDefault, bool bFloat)
{
  if (std::isfinite(dValue) && (!bFloat || std::fabs(dValue) <= FLT_MAX))
    return dValue;
  const std::string strName = std::string(pszSection ? pszSection : "") + "/" + (pszKey ? pszKey : "");
  if (!m_strLogPath.empty() && m_refused.insert(strName).second)
    LogMessage(m_strLogPath.c_str(), 1, "# %s::%s failed! (\"%s\" = %g is not a finite number, %g used)\n",
               pszClass, pszOperation, strName.c_str(), dValue, dDefault);
  return dDefault;
}
