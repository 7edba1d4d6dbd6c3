#pragma once

#include <cstdarg>
#include <cstdint>

// The program's log: a plain text file addressed by its path.  No file stays open
// between messages, so the log is complete up to the last message even if the
// program is killed.  Every failure is silent.

// Leaves an empty file at pszPath (truncates it).  Null or uncreatable paths are ignored.
void LogReset(const char* pszPath);

// Formats one message (printf rules, at most 1023 characters, a longer one is cut),
// passes it to the debugger output (standard error) and appends it unchanged to the
// file.  Nothing happens when pszPath is null or bEnabled is 0; a file that cannot be
// opened drops the message from the file only.
void LogMessage(const char* pszPath, uint8_t bEnabled, const char* pszFormat, ...)
    __attribute__((format(printf, 3, 4)));

void LogMessageV(const char* pszPath, uint8_t bEnabled, const char* pszFormat, va_list args)
    __attribute__((format(printf, 3, 0)));

// Size of the formatting buffer, terminating NUL included.
constexpr int LOG_MESSAGE_MAX = 1024;
