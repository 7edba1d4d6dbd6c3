#pragma once

// Windows: the program is a GUI program (no console window of its own, which a screen
// saver started by Windows must not open), so when it is run from a console its
// standard streams lead nowhere.  This connects stdout and stderr to the console of
// the process that started it, unless they already lead somewhere (a pipe, a file).
// Elsewhere the streams are always there: nothing to do.
namespace zos
{
#ifdef _WIN32
void AttachParentConsole();
#else
inline void AttachParentConsole() {}
#endif
} // namespace zos
