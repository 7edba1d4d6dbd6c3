#pragma once

#include <cstddef>
#include <cstdint>

// The engine's tracked allocator: malloc/calloc/realloc/free semantics, with one
// process-wide 32-bit running total and peak of the blocks' usable sizes, for the
// memory report at the end of the run.  Null pointers count nothing; a failed
// reallocation leaves the total unchanged.
void* TrackedMalloc(size_t uSize);
void* TrackedCalloc(size_t uCount, size_t uSize);
void* TrackedRealloc(void* pBlock, size_t uSize);
void TrackedFree(void* pBlock);

uint32_t TrackedMemoryTotal();
uint32_t TrackedMemoryPeak();

// Formats a byte count for the report: divided by 1024 while it exceeds 1024, with the
// unit "o", "Ko", "Mo" or "Go"; at least 100 is written "%u %s" (integer part), less
// "%.01f %s".  E.g. 1536 -> "1.5 Ko", 150 -> "150 o", 1024 -> "1024 o".
void FormatMemorySize(char* pszOut, size_t uOutSize, uint32_t uBytes);

// Writes the two report lines to the log:
//   "# RAM size max = %s (%u %s)\n" and "# Stack depth max = %s (%u %s)\n"
// with the formatted size, the byte count and "o".
void LogMemoryReport(const char* pszLogPath, uint32_t uRamPeak, uint32_t uStackDepthMax);
