#include "sdk/os/process_events.h"

#include <cstdarg>
#include <cstdio>

namespace zos
{

namespace
{

PFN_SYSTEM_NOTICE s_pfnNotice = nullptr;

} // namespace

void SetSystemNoticeHandler(PFN_SYSTEM_NOTICE pfnHandler) { s_pfnNotice = pfnHandler; }

void SystemNotice(const char* szFormat, ...)
{
  char szText[512];
  va_list args;
  va_start(args, szFormat);
  std::vsnprintf(szText, sizeof(szText), szFormat, args);
  va_end(args);
  if (s_pfnNotice)
    s_pfnNotice(szText);
  else
    std::fprintf(stderr, "# %s\n", szText);
}

} // namespace zos
