#pragma once

// The Windows registry as the store of settings: what only Windows code and its tests
// need besides sdk/os/registry.h.

namespace zos
{

// Makes every open of a key below HKEY_LOCAL_MACHINE for writing fail with
// ERROR_ACCESS_DENIED, as real Windows answers a user without administrator rights
// (Wine lets anyone write there).  For tests of the fallback to HKEY_CURRENT_USER.
void SetMachineWritesRefused(bool bRefused);

} // namespace zos
