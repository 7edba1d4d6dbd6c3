#pragma once

#include <string>

namespace zos
{

// Per-user folders after the XDG base directory rules.  On Windows an absolute
// $szVariable still wins; otherwise the shell's application-data folders stand in for
// the home's (the roaming one for ".config", the local one for the rest).

// $szVariable when it holds an absolute path, else $HOME/szUnderHome (the password
// entry's home when $HOME is unset); empty when no home can be found.
std::string XdgDirectory(const char* szVariable, const char* szUnderHome);

// Makes a folder and the folders above it; true when it exists afterwards.
bool MakeDirectories(const std::string& strDir);

// ${XDG_STATE_HOME:-$HOME/.local/state}/szApp/szFile, its folders made; empty when
// there is no home to put it in.
std::string UserStateFile(const char* szApp, const char* szFile);

} // namespace zos
