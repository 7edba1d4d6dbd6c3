#pragma once

#include "sdk/os/system_names.h"

#include <cstdint>
#include <string>

// A small registry: keys below a root hold typed values (REG_DWORD, REG_BINARY,
// REG_SZ, or any other type number as raw bytes).  Everything lives in one text file
// in the layout of a registry export:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE/Zephyro/Planeto/WORLD]
//   "WIDTH"=dword:00000320
//   "RATIO"=hex:00,00,80,3f
//   "NAME"="OpenGL 1.2"
//
// A key's name is the whole text after the root's backslash; slashes are part of the
// name, not a nesting.  Key and value names compare case-insensitively, as on
// Windows.  The file is $PLANETO_REGISTRY when set, else
// ${XDG_CONFIG_HOME:-$HOME/.config}/zephyro/registry.reg.  A damaged file never fails
// a read of the values that can still be parsed; every write re-reads the file,
// changes one thing and replaces the file atomically (temporary file, then rename),
// creating missing directories.
//
// On Windows the calls are the system registry's; where a key below
// HKEY_LOCAL_MACHINE cannot be written, the same key name below HKEY_CURRENT_USER
// takes the writes and the reads that find nothing below HKEY_LOCAL_MACHINE.

#ifdef _WIN32
// The system's key handle, so that its HKEY_* roots serve where <windows.h> is seen.
struct HKEY__;
#endif

namespace zos
{

// Value types and result codes: macros in <windows.h>, with the same values.
#ifndef REG_DWORD
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
#endif

// Result codes as the Windows calls give them.
#ifndef ERROR_SUCCESS
constexpr int32_t ERROR_SUCCESS = 0;
constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
constexpr int32_t ERROR_ACCESS_DENIED = 5;
constexpr int32_t ERROR_INVALID_HANDLE = 6;
constexpr int32_t ERROR_INVALID_PARAMETER = 87;
constexpr int32_t ERROR_MORE_DATA = 234;
#endif

#ifdef _WIN32
typedef ::HKEY__* HKEY;
#else
struct SRegistryKey;
typedef SRegistryKey* HKEY;
#endif

#ifndef HKEY_LOCAL_MACHINE
// The roots; only their names matter (they head the key lines of the file).
extern const HKEY HKEY_CURRENT_USER;
extern const HKEY HKEY_LOCAL_MACHINE;
#endif

// Opens an existing key for reading: its values are read from the file now.
// ERROR_FILE_NOT_FOUND when the file or the key does not exist.
int32_t RegOpenKey(HKEY hRoot, const char* pszSubKey, HKEY* phResult);
// Opens the key for writing, creating it (and the file) when missing.
// ERROR_ACCESS_DENIED when the file cannot be written.
int32_t RegCreateKey(HKEY hRoot, const char* pszSubKey, HKEY* phResult);
// Windows semantics: *puSize holds the buffer size on entry and the value's size on
// return; a null pData asks for the size only; a buffer too small gives
// ERROR_MORE_DATA.  pdwType and puSize may be null when not wanted.
int32_t RegQueryValue(HKEY hKey, const char* pszName, uint32_t* pdwType, void* pData, uint32_t* puSize);
// Stores the value (replacing one of the same name) and rewrites the file.
int32_t RegSetValue(HKEY hKey, const char* pszName, uint32_t dwType, const void* pData, uint32_t uSize);
// Removes a value; ERROR_FILE_NOT_FOUND when it does not exist.
int32_t RegDeleteValue(HKEY hKey, const char* pszName);
int32_t RegCloseKey(HKEY hKey);

// The file the calls use (resolved on every call, so tests may change the variables);
// empty on Windows.
std::string RegistryFilePath();

} // namespace zos
