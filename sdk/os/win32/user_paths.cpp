#include <windows.h>
#include <shlobj.h>

#include "sdk/os/user_paths.h"

#include <cstdlib>

namespace zos
{

namespace
{

bool IsAbsolute(const char* sz) { return sz && ((sz[0] && sz[1] == ':') || sz[0] == '\\' || sz[0] == '/'); }

// The per-user folder of the shell (CSIDL_APPDATA or CSIDL_LOCAL_APPDATA), else the
// environment's; empty when neither is known.
std::string ShellFolder(int iCsidl, const char* szVariable)
{
  char szPath[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetFolderPathA(nullptr, iCsidl, nullptr, SHGFP_TYPE_CURRENT, szPath)) && szPath[0])
    return szPath;
  const char* szEnv = std::getenv(szVariable);
  return IsAbsolute(szEnv) ? std::string(szEnv) : std::string();
}

} // namespace

// Windows has no XDG folders: an absolute $szVariable still wins (tests and users who
// set one), otherwise settings (".config") go to the roaming application data and the
// rest (state, caches) to the local one.  szUnderHome is not appended: those folders
// are already the per-user places.
std::string XdgDirectory(const char* szVariable, const char* szUnderHome)
{
  const char* szXdg = szVariable ? std::getenv(szVariable) : nullptr;
  if (IsAbsolute(szXdg))
    return szXdg;
  const bool bConfig = szUnderHome && std::string(szUnderHome) == ".config";
  return bConfig ? ShellFolder(CSIDL_APPDATA, "APPDATA") : ShellFolder(CSIDL_LOCAL_APPDATA, "LOCALAPPDATA");
}

bool MakeDirectories(const std::string& strDir)
{
  if (strDir.empty())
    return true;
  const DWORD dwAttrs = ::GetFileAttributesA(strDir.c_str());
  if (dwAttrs != INVALID_FILE_ATTRIBUTES)
    return (dwAttrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const size_t uSep = strDir.find_last_of("/\\");
  // Stop at a drive ("C:") or a root.
  if (uSep != std::string::npos && uSep > 0 && strDir[uSep - 1] != ':' &&
      !MakeDirectories(strDir.substr(0, uSep)))
    return false;
  return ::CreateDirectoryA(strDir.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string UserStateFile(const char* szApp, const char* szFile)
{
  std::string strBase = XdgDirectory("XDG_STATE_HOME", ".local/state");
  if (strBase.empty())
    return strBase;
  const std::string strDir = strBase + "\\" + szApp;
  MakeDirectories(strDir);
  return strDir + "\\" + szFile;
}

} // namespace zos
