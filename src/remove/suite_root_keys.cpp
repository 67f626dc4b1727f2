#include "remove/suite_roots.h"

namespace Remove {

// TO COMPLETE WHEN THE REGISTRY REMOVAL IS MERGED (it needs
// Remove::DeleteRegistryKey and Windows::EnumRegistrySubkey):
//   1. Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek", log), then
//      Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek, Inc.", log).
//   2. Enumerate the subkeys of HKEY_USERS itself with Windows::EnumRegistrySubkey
//      at index 0, 1, 2, ... until the end; for every name N,
//      Remove::DeleteRegistryKey(HKEY_USERS, N + "\\Software\\Varnek", log).
//      No hive is skipped; a hive without the key writes nothing.
//   3. A failing enumeration writes "error enumerating keys in HKEY_USERS: ",
//      DescribeCurrentException(), LineEnd, and ends the sweep.
//   Each step runs whatever the earlier ones answered.
void RemoveSuiteRootKeys(Log&)
{
}

} // namespace Remove
