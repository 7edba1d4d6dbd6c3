#pragma once

// Some of our calls and methods share their names with Windows functions that
// <windows.h> turns into macros (RegOpenKey -> RegOpenKeyA ...).  Every header that
// declares such a name includes this first, so that declaration and call are spelled
// the same whichever header a file includes first.  Code that wants the system's own
// function calls its A-suffixed name.

#undef DefWindowProc
#undef GetClassName
#undef SetProp
#undef GetProp
#undef RemoveProp
#undef CreateWindow
#undef DrawText
#undef PostMessage
#undef SendMessage
#undef GetMessage
#undef PeekMessage
#undef DispatchMessage
#undef TranslateMessage
#undef RegOpenKey
#undef RegCreateKey
#undef RegQueryValue
#undef RegSetValue
#undef RegDeleteValue
#undef OutputDebugString
