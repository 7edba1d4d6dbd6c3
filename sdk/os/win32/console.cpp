#include <windows.h>

#include "sdk/os/console.h"

#include <cstdio>

namespace zos
{

namespace
{

bool Usable(DWORD dwStdHandle)
{
  HANDLE h = GetStdHandle(dwStdHandle);
  return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

} // namespace

void AttachParentConsole()
{
  const bool bOut = Usable(STD_OUTPUT_HANDLE);
  const bool bErr = Usable(STD_ERROR_HANDLE);
  if (bOut && bErr)
    return;
  // Started by Windows or Explorer there is no parent console, and none is made.
  if (!AttachConsole(ATTACH_PARENT_PROCESS))
    return;
  // cmd.exe does not wait for a GUI program: the text may follow its next prompt.
  if (!bOut)
    std::freopen("CONOUT$", "w", stdout);
  if (!bErr)
    std::freopen("CONOUT$", "w", stderr);
}

} // namespace zos
