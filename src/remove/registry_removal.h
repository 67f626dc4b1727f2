// Logged registry operations: check a key, check a value, delete a key tree.
// They write their own lines, never throw, and answer a flag.
#pragma once

#include "remove/log.h"

#include <windows.h>

#include <string>

namespace Remove {

// "Checking for registry key \"HKLM\\…\"...found|not found". A key that exists
// but refuses READ_CONTROL counts as not found.
bool CheckRegistryKey(HKEY root, const std::string& subkey, Log& log);
// "Checking for registry key value \"HKLM\\…:[name]\"...found|not found".
bool CheckRegistryValue(HKEY root, const std::string& subkey, const std::string& valueName, Log& log);

// True when the key may now be deleted; grants the current user full access
// when DELETE is refused. Silent on success.
bool GrantRegistryKeyAccess(HKEY root, const std::string& subkey, Log& log);
// Deletes the key and everything below it, children first. A subkey that is a
// registry link is removed as a link; its target is never entered. Writes only
// the continuation of the caller's line when something fails.
bool DeleteRegistryTree(HKEY root, const std::string& subkey, Log& log);
// The operation recipes call: true when the key is gone or was never there.
// Refuses, with a line of its own, a path that is empty or has an empty
// component: that would name a whole hive or a parent key.
bool DeleteRegistryKey(HKEY root, const std::string& subkey, Log& log);

// DeleteRegistryKey on HKEY_USERS\<hive>\<subkey> for every hive loaded at
// the moment; a failed enumeration writes "error enumerating keys in
// HKEY_USERS: " and its description and ends the sweep. True when every
// deletion succeeded and the enumeration did not fail.
bool DeleteRegistryKeyInEveryUserHive(const std::string& subkey, Log& log);

} // namespace Remove
