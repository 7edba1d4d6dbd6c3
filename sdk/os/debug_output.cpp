#include "sdk/os/debug_output.h"

#include <cstdio>

void OutputDebugString(const char* pszText)
{
  if (!pszText)
    return;
  std::fputs(pszText, stderr);
  std::fflush(stderr);
}
