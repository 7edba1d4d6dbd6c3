#include "sdk/os/user_paths.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zos
{

std::string XdgDirectory(const char* szVariable, const char* szUnderHome)
{
  // A relative value is invalid by the XDG rules and is ignored.
  const char* szXdg = szVariable ? std::getenv(szVariable) : nullptr;
  if (szXdg && *szXdg == '/')
    return szXdg;
  const char* szHome = std::getenv("HOME");
  if (!szHome || !*szHome)
  {
    struct passwd* pw = getpwuid(getuid());
    szHome = pw ? pw->pw_dir : nullptr;
  }
  if (!szHome || !*szHome)
    return std::string();
  return std::string(szHome) + "/" + szUnderHome;
}

bool MakeDirectories(const std::string& strDir)
{
  if (strDir.empty())
    return true;
  struct stat st;
  if (stat(strDir.c_str(), &st) == 0)
    return S_ISDIR(st.st_mode);
  size_t uSlash = strDir.find_last_of('/');
  if (uSlash != std::string::npos && uSlash > 0 && !MakeDirectories(strDir.substr(0, uSlash)))
    return false;
  return mkdir(strDir.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string UserStateFile(const char* szApp, const char* szFile)
{
  std::string strBase = XdgDirectory("XDG_STATE_HOME", ".local/state");
  if (strBase.empty())
    return strBase;
  const std::string strDir = strBase + "/" + szApp;
  MakeDirectories(strDir);
  return strDir + "/" + szFile;
}

} // namespace zos
