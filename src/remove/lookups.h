// Looking components up where setups register themselves: the Uninstall key
// and the installer's product registrations. Each look-up writes one line
// saying what it looked for and what it found; none throws.
#pragma once

#include "remove/log.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace Remove {

// HKEY_LOCAL_MACHINE paths of the two registration stores.
extern const char* const UninstallKeyPath;
extern const char* const InstallerProductsKeyPath;

// A value of a key the recipe names.
std::optional<std::string> FindInstallLocationInKey(HKEY root, const std::string& subkey,
                                                    const std::string& valueName, Log& log);
std::optional<std::string> FindUninstallStringInKey(HKEY root, const std::string& subkey,
                                                    const std::string& valueName, const std::string& productName,
                                                    Log& log);

// A value of the first Uninstall entry whose "DisplayName" is exactly
// `displayName` and that has the value.
std::optional<std::string> FindDisplayVersion(const std::string& displayName, Log& log);
std::optional<std::string> FindInstallLocation(const std::string& displayName, Log& log);
std::optional<std::string> FindUninstallString(const std::string& displayName, Log& log);

bool IsUninstallEntryPresent(const std::string& displayName, Log& log);
bool IsInstallerProductPresent(const std::string& productName, Log& log);

// Deletes every matching registration; true when all are gone (or none was there).
bool DeleteUninstallEntries(const std::string& displayName, Log& log);
bool DeleteInstallerProductEntries(const std::string& productName, Log& log);

// The first candidate that is registered anywhere; writes no log.
std::optional<std::string> FindInstalledName(const std::vector<std::string>& candidates);

} // namespace Remove
