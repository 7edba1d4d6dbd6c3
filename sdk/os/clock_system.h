#pragma once

// What each system's clock file gives the portable clock (clock.cpp), which adds the
// test hooks in front of it.

#include <cstdint>

namespace zos
{

bool SystemCounter(int64_t* pNanoseconds); // monotonic, in nanoseconds
bool SystemCounterWorks();                 // whether the counter can be read at all
uint32_t SystemTickCount();                // milliseconds
void SystemSleep(uint32_t uMilliseconds);
bool SystemProcessorTime(int64_t* pNanoseconds);

} // namespace zos
