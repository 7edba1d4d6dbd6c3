#pragma once

#include "sdk/os/system_names.h"

namespace zos
{

// The debugger output: text written as is to standard error (on Windows also to an
// attached debugger).  Null is ignored.
void OutputDebugString(const char* pszText);

} // namespace zos
