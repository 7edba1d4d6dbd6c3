#include "sdk/core/log.h"

#include "sdk/os/debug_output.h"

#include <cstdio>

using namespace zos;

void LogReset(const char* pszPath)
{
  if (!pszPath)
    return;
  if (FILE* pFile = std::fopen(pszPath, "w"))
    std::fclose(pFile);
}

void LogMessageV(const char* pszPath, uint8_t bEnabled, const char* pszFormat, va_list args)
{
  if (!pszPath || !bEnabled || !pszFormat)
    return;

  // Bounded: a message longer than the buffer is cut, never overflows.
  char szText[LOG_MESSAGE_MAX];
  if (std::vsnprintf(szText, sizeof(szText), pszFormat, args) < 0)
    szText[0] = 0;

  // The debugger output gets the message even when the file cannot be written, so a
  // write-protected log does not hide the run's messages.
  OutputDebugString(szText);

  FILE* pFile = std::fopen(pszPath, "a");
  if (!pFile)
    return;
  std::fputs(szText, pFile);
  std::fflush(pFile);
  std::fclose(pFile);
}

void LogMessage(const char* pszPath, uint8_t bEnabled, const char* pszFormat, ...)
{
  va_list args;
  va_start(args, pszFormat);
  LogMessageV(pszPath, bEnabled, pszFormat, args);
  va_end(args);
}
