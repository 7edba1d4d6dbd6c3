// The roots for callers that do not see <windows.h> (where they are macros): the
// system's predefined handles, sign-extended as the system spells them.  Kept apart
// from registry.cpp, which sees the macros.

#include "sdk/os/registry.h"

namespace zos
{

const HKEY HKEY_CURRENT_USER =
    reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(0x80000001u)));
const HKEY HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(0x80000002u)));

} // namespace zos
