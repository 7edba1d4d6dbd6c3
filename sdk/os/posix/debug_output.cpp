#include "sdk/os/debug_output.h"

#include <cstdio>

namespace zos
{

void OutputDebugString(const char* pszText)
{
  if (!pszText)
    return;
  std::fputs(pszText, stderr);
  std::fflush(stderr);
}

} // namespace zos
