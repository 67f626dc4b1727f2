#include "remove/lookups.h"

#include "remove/registry_key.h"
#include "remove/registry_removal.h"
#include "remove/registry_values.h"

#include <map>

namespace Remove {

const char* const UninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const InstallerProductsKeyPath = "SOFTWARE\\Classes\\Installer\\Products";

// What the open scope has read: each store's subkeys with their name value.
struct RegistrationReadScope::Reads {
    std::map<std::string, std::vector<Windows::SubkeyValue>> stores;
};

namespace {

const char* const DisplayNameValue = "DisplayName";
const char* const ProductNameValue = "ProductName";

thread_local RegistrationReadScope::Reads* openScope = nullptr;

// The registrations of `name` as they are now, or as the open scope read them.
std::vector<std::string> FindRegistrations(const char* basePath, const char* nameValue, const std::string& name)
{
    if (!openScope)
        return Windows::FindSubkeysWithValue(HKEY_LOCAL_MACHINE, basePath, nameValue, name);
    std::string store = std::string(basePath) + ":" + nameValue;
    auto read = openScope->stores.find(store);
    if (read == openScope->stores.end())
        read = openScope->stores
                   .emplace(store, Windows::ReadSubkeyValues(HKEY_LOCAL_MACHINE, basePath, nameValue))
                   .first;
    return Windows::SubkeysWithValue(read->second, name);
}

// The first Uninstall entry named `displayName` that holds `valueName`.
std::optional<std::string> ReadFromUninstallEntries(const std::string& displayName, const char* valueName)
{
    for (const std::string& entry : FindRegistrations(UninstallKeyPath, DisplayNameValue, displayName)) {
        std::optional<std::string> value =
            Windows::TryReadRegistryString(HKEY_LOCAL_MACHINE, std::string(UninstallKeyPath) + "\\" + entry, valueName);
        if (value)
            return value;
    }
    return std::nullopt;
}

bool IsRegistered(const char* basePath, const char* nameValue, const std::string& name, Log& log)
{
    log << "Looking for product \"" << name << "\" in \"" << basePath << "\"...";
    std::vector<std::string> matches = FindRegistrations(basePath, nameValue, name);
    if (matches.empty())
        log << "not found";
    for (const std::string& match : matches)
        log << LineEnd << "...found key \"" << match << "\"";
    log << LineEnd;
    return !matches.empty();
}

bool DeleteRegistrations(const char* basePath, const char* nameValue, const std::string& name, Log& log)
{
    bool allDeleted = true;
    for (const std::string& match : Windows::FindSubkeysWithValue(HKEY_LOCAL_MACHINE, basePath, nameValue, name)) {
        if (!DeleteRegistryKey(HKEY_LOCAL_MACHINE, std::string(basePath) + "\\" + match, log))
            allDeleted = false;
    }
    return allDeleted;
}

void LogFoundCommand(const std::optional<std::string>& command, Log& log)
{
    if (command)
        log << LineEnd << "...found command " << *command << LineEnd;
    else
        log << "not found" << LineEnd;
}

} // namespace

RegistrationReadScope::RegistrationReadScope()
{
    if (openScope)
        return;
    reads_.reset(new Reads);
    openScope = reads_.get();
}

RegistrationReadScope::~RegistrationReadScope()
{
    if (reads_)
        openScope = nullptr;
}

std::optional<std::string> FindInstallLocationInKey(HKEY root, const std::string& subkey,
                                                    const std::string& valueName, Log& log)
{
    log << "Looking for the install location in \"" << Windows::RegistryDisplayPath(root, subkey) << ":["
        << valueName << "]\"...";
    std::optional<std::string> path = Windows::TryReadRegistryString(root, subkey, valueName);
    if (path)
        log << "found path \"" << *path << "\"";
    else
        log << "not found";
    log << LineEnd;
    return path;
}

std::optional<std::string> FindUninstallStringInKey(HKEY root, const std::string& subkey,
                                                    const std::string& valueName, const std::string& productName,
                                                    Log& log)
{
    log << "Looking for an uninstall string for \"" << productName << "\" in key \""
        << Windows::RegistryDisplayPath(root, subkey) << ":[" << valueName << "]\"...";
    std::optional<std::string> command = Windows::TryReadRegistryString(root, subkey, valueName);
    LogFoundCommand(command, log);
    return command;
}

std::optional<std::string> FindDisplayVersion(const std::string& displayName, Log& log)
{
    log << "Looking for the display version of \"" << displayName << "\" in \"HKLM\\" << UninstallKeyPath << "\"...";
    std::optional<std::string> version = ReadFromUninstallEntries(displayName, "DisplayVersion");
    if (version)
        log << "found version " << *version << LineEnd;
    else
        log << "not found" << LineEnd;
    return version;
}

std::optional<std::string> FindInstallLocation(const std::string& displayName, Log& log)
{
    log << "Looking for the install location of \"" << displayName << "\" in \"HKLM\\" << UninstallKeyPath
        << "\"...";
    std::optional<std::string> path = ReadFromUninstallEntries(displayName, "InstallLocation");
    if (path)
        log << "found path \"" << *path << "\"" << LineEnd;
    else
        log << "not found" << LineEnd;
    return path;
}

std::optional<std::string> FindUninstallString(const std::string& displayName, Log& log)
{
    log << "Looking for an uninstall string for \"" << displayName << "\"...";
    std::optional<std::string> command = ReadFromUninstallEntries(displayName, "UninstallString");
    LogFoundCommand(command, log);
    return command;
}

bool IsUninstallEntryPresent(const std::string& displayName, Log& log)
{
    return IsRegistered(UninstallKeyPath, DisplayNameValue, displayName, log);
}

bool IsInstallerProductPresent(const std::string& productName, Log& log)
{
    return IsRegistered(InstallerProductsKeyPath, ProductNameValue, productName, log);
}

bool DeleteUninstallEntries(const std::string& displayName, Log& log)
{
    return DeleteRegistrations(UninstallKeyPath, DisplayNameValue, displayName, log);
}

bool DeleteInstallerProductEntries(const std::string& productName, Log& log)
{
    return DeleteRegistrations(InstallerProductsKeyPath, ProductNameValue, productName, log);
}

std::optional<std::string> FindInstalledName(const std::vector<std::string>& candidates)
{
    // The probe must leave no lines in the pane.
    Log silent;
    RegistrationReadScope oneRead;
    for (const std::string& candidate : candidates) {
        if (IsUninstallEntryPresent(candidate, silent) || IsInstallerProductPresent(candidate, silent) ||
            FindInstallLocation(candidate, silent) || FindDisplayVersion(candidate, silent))
            return candidate;
    }
    return std::nullopt;
}

} // namespace Remove
