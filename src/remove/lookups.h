// Looking components up where setups register themselves: the Uninstall key
// and the installer's product registrations. Each look-up writes one line
// saying what it looked for and what it found; none throws.
#pragma once

#include "remove/log.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Remove {

// HKEY_LOCAL_MACHINE paths of the two registration stores.
extern const char* const UninstallKeyPath;
extern const char* const InstallerProductsKeyPath;

// While one lives, the look-ups on this thread read each registration store
// once and answer from what they read: a detection asks the same stores many
// times (every edition candidate, then every step) and changes nothing in
// them. Only a detection opens one, and it ends with the detection, so the
// next detection reads again and sees what an uninstaller changed. A scope
// opened while another is open joins it. Deletions never read through it.
class RegistrationReadScope {
public:
    RegistrationReadScope();
    ~RegistrationReadScope();
    RegistrationReadScope(const RegistrationReadScope&) = delete;
    RegistrationReadScope& operator=(const RegistrationReadScope&) = delete;

    struct Reads;

private:
    // Null when this scope joined one already open.
    std::unique_ptr<Reads> reads_;
};

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
