#pragma once

// The debugger output: text written as is to standard error.  Null is ignored.
void OutputDebugString(const char* pszText);
