#include <windows.h>

#include "sdk/os/registry.h"
#include "sdk/os/win32/registry_win32.h"

#include <map>
#include <string>

// The system's registry.  The settings key sits directly below HKEY_LOCAL_MACHINE:
// Wine allows that, real Windows refuses it to users (and the root of that hive takes
// no new keys at all).  Where a key below HKEY_LOCAL_MACHINE cannot be created, the
// same key name below HKEY_CURRENT_USER takes the writes, and reads that find nothing
// below HKEY_LOCAL_MACHINE look there, so a choice made by the user is never lost.

namespace zos
{

namespace
{

bool s_bMachineWritesRefused = false;

// Open handles that have a second place to read from: the key of the same name
// below the other root.
std::map<HKEY, std::string> s_mapFallback;

bool IsMachine(HKEY hRoot) { return hRoot == HKEY_LOCAL_MACHINE; }

int32_t OpenForReading(HKEY hRoot, const char* pszSubKey, HKEY* phResult)
{
  return static_cast<int32_t>(::RegOpenKeyExA(hRoot, pszSubKey, 0, KEY_READ, phResult));
}

} // namespace

void SetMachineWritesRefused(bool bRefused) { s_bMachineWritesRefused = bRefused; }

std::string RegistryFilePath() { return std::string(); } // the system keeps it

int32_t RegOpenKey(HKEY hRoot, const char* pszSubKey, HKEY* phResult)
{
  if (!phResult || !pszSubKey)
    return ERROR_INVALID_PARAMETER;
  *phResult = nullptr;
  int32_t lResult = OpenForReading(hRoot, pszSubKey, phResult);
  if (!IsMachine(hRoot))
    return lResult;
  HKEY hUser = nullptr;
  if (OpenForReading(HKEY_CURRENT_USER, pszSubKey, &hUser) != ERROR_SUCCESS)
    return lResult;
  if (lResult != ERROR_SUCCESS)
  {
    // Only the user's copy exists.
    *phResult = hUser;
    return ERROR_SUCCESS;
  }
  ::RegCloseKey(hUser);
  s_mapFallback[*phResult] = pszSubKey;
  return ERROR_SUCCESS;
}

int32_t RegCreateKey(HKEY hRoot, const char* pszSubKey, HKEY* phResult)
{
  if (!phResult || !pszSubKey)
    return ERROR_INVALID_PARAMETER;
  *phResult = nullptr;
  LONG lResult = ERROR_ACCESS_DENIED;
  if (!IsMachine(hRoot) || !s_bMachineWritesRefused)
    lResult = ::RegCreateKeyExA(hRoot, pszSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                nullptr, phResult, nullptr);
  if (lResult == ERROR_SUCCESS || !IsMachine(hRoot) || lResult != ERROR_ACCESS_DENIED)
    return static_cast<int32_t>(lResult);
  return static_cast<int32_t>(::RegCreateKeyExA(HKEY_CURRENT_USER, pszSubKey, 0, nullptr,
                                                REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                                                phResult, nullptr));
}

int32_t RegQueryValue(HKEY hKey, const char* pszName, uint32_t* pdwType, void* pData, uint32_t* puSize)
{
  if (!hKey)
    return ERROR_INVALID_HANDLE;
  DWORD dwType = 0;
  DWORD dwSize = puSize ? *puSize : 0;
  LONG lResult = ::RegQueryValueExA(hKey, pszName, nullptr, &dwType, static_cast<BYTE*>(pData),
                                    puSize ? &dwSize : nullptr);
  auto it = s_mapFallback.find(hKey);
  if (lResult == ERROR_FILE_NOT_FOUND && it != s_mapFallback.end())
  {
    HKEY hUser = nullptr;
    if (OpenForReading(HKEY_CURRENT_USER, it->second.c_str(), &hUser) == ERROR_SUCCESS)
    {
      dwSize = puSize ? *puSize : 0;
      lResult = ::RegQueryValueExA(hUser, pszName, nullptr, &dwType, static_cast<BYTE*>(pData),
                                   puSize ? &dwSize : nullptr);
      ::RegCloseKey(hUser);
    }
  }
  if (lResult == ERROR_SUCCESS || lResult == ERROR_MORE_DATA)
  {
    if (pdwType)
      *pdwType = dwType;
    if (puSize)
      *puSize = dwSize;
  }
  return static_cast<int32_t>(lResult);
}

int32_t RegSetValue(HKEY hKey, const char* pszName, uint32_t dwType, const void* pData, uint32_t uSize)
{
  if (!hKey)
    return ERROR_INVALID_HANDLE;
  return static_cast<int32_t>(
      ::RegSetValueExA(hKey, pszName, 0, dwType, static_cast<const BYTE*>(pData), uSize));
}

int32_t RegDeleteValue(HKEY hKey, const char* pszName)
{
  if (!hKey)
    return ERROR_INVALID_HANDLE;
  return static_cast<int32_t>(::RegDeleteValueA(hKey, pszName));
}

int32_t RegCloseKey(HKEY hKey)
{
  if (!hKey)
    return ERROR_INVALID_HANDLE;
  s_mapFallback.erase(hKey);
  return static_cast<int32_t>(::RegCloseKey(hKey));
}

} // namespace zos
