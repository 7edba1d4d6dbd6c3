#include <windows.h>

#include "sdk/os/debug_output.h"

#include <cstdio>

namespace zos
{

// To an attached debugger and to standard error, where a console or a test run reads it.
void OutputDebugString(const char* pszText)
{
  if (!pszText)
    return;
  ::OutputDebugStringA(pszText);
  std::fputs(pszText, stderr);
  std::fflush(stderr);
}

} // namespace zos
