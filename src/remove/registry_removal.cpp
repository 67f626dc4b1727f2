#include "remove/registry_removal.h"

#include "remove/registry_key.h"
#include "remove/security.h"
#include "support/exceptions.h"

#include <functional>

namespace {

// Continues the caller's "Deleting registry key" line with the failure being
// handled and a line naming the key.
void LogFailure(Remove::Log& log, const char* what, const Windows::RegistryLocation& key)
{
    log << DescribeCurrentException() << Remove::LineEnd << what << Windows::RegistryDisplayPath(key.root, key.subkey)
        << "\"" << Remove::LineEnd;
}

bool DeleteOneKey(const Windows::RegistryLocation& key, Remove::Log& log)
{
    try {
        Windows::DeleteRegistrySubkey(key);
        return true;
    } catch (...) {
        LogFailure(log, "...error occured while trying to delete key \"", key);
        return false;
    }
}

// The key's owner and access list are changed through handles to the key
// itself, opened as a link when it is one, from its open parent.
Remove::SecurableObject SecurableOf(const Windows::RegistryLocation& key)
{
    return {Windows::RegistrySecurityName(key.root, key.subkey), SE_REGISTRY_KEY,
            [&key](ACCESS_MASK access, const std::function<DWORD(HANDLE)>& use) -> DWORD {
                Windows::RegistryKey opened;
                if (LONG code = Windows::TryOpenRegistryKey(key, access, REG_OPTION_OPEN_LINK, opened))
                    return static_cast<DWORD>(code);
                return use(opened.get());
            }};
}

bool GrantAccess(const Windows::RegistryLocation& key, Remove::Log& log)
{
    // A link is judged by its own access, not by its target's.
    if (Windows::CanOpenRegistryKey(key, DELETE, REG_OPTION_OPEN_LINK))
        return true;
    // A link is never granted to. It goes as itself, or its deletion reports
    // why not.
    if (Windows::IsRegistryLink(key))
        return true;
    try {
        Remove::GrantObjectAccess(SecurableOf(key), log);
        return true;
    } catch (...) {
        log << DescribeCurrentException() << "...error occured while granting access to key \""
            << Windows::RegistryDisplayPath(key.root, key.subkey) << "\"" << Remove::LineEnd;
        return false;
    }
}

// Access is granted first when the key does not open for deletion; each of
// the steps then opens the key on its own.
bool PrepareSlowly(const Windows::RegistryLocation& key, Windows::RegistryKey& self, Remove::Log& log)
{
    if (!GrantAccess(key, log))
        return false;
    try {
        self = Windows::OpenRegistryKey(key, KEY_READ, REG_OPTION_OPEN_LINK);
        return true;
    } catch (...) {
        LogFailure(log, "...error occured while enumerating subkeys of \"", key);
        return false;
    }
}

bool DeleteTree(const Windows::RegistryLocation& key, Remove::Log& log)
{
    // Such a path names another key than meant: let the deletion refuse it
    // before anything is opened or granted.
    if (!Windows::IsDeletableSubkeyPath(key.subkey) || Windows::HasOverlongComponent(key.subkey))
        return DeleteOneKey(key, log);

    // Mostly one open serves every step: the key, opened as a link when it is
    // one (a link has no subkeys of its own, so the walk never enters its
    // target), is listed and deleted through the one handle.
    Windows::RegistryKey self;
    bool oneHandle =
        Windows::TryOpenRegistryKey(key, KEY_READ | DELETE, REG_OPTION_OPEN_LINK, self) == ERROR_SUCCESS;
    if (!oneHandle && !PrepareSlowly(key, self, log))
        return false;
    try {
        std::wstring child;
        // Always the first: each child is gone before the next one is asked for.
        while (Windows::FirstSubkeyName(self.get(), child)) {
            if (!DeleteTree(key.Child(self.get(), child), log))
                return false;
        }
    } catch (...) {
        LogFailure(log, "...error occured while enumerating subkeys of \"", key);
        return false;
    }
    if (!oneHandle) {
        self.reset();
        return DeleteOneKey(key, log);
    }
    try {
        Windows::DeleteOpenRegistryKey(self.get(), key.subkey);
        return true;
    } catch (...) {
        LogFailure(log, "...error occured while trying to delete key \"", key);
        return false;
    }
}

} // namespace

namespace Remove {

bool CheckRegistryKey(HKEY root, const std::string& subkey, Log& log)
{
    log << "Checking for registry key \"" << Windows::RegistryDisplayPath(root, subkey) << "\"...";
    bool found = Windows::CanOpenRegistryKey(root, subkey, READ_CONTROL);
    log << (found ? "found" : "not found") << LineEnd;
    return found;
}

bool CheckRegistryValue(HKEY root, const std::string& subkey, const std::string& valueName, Log& log)
{
    log << "Checking for registry key value \"" << Windows::RegistryDisplayPath(root, subkey) << ":[" << valueName
        << "]\"...";
    bool found = Windows::RegistryValueExists(root, subkey, valueName);
    log << (found ? "found" : "not found") << LineEnd;
    return found;
}

bool GrantRegistryKeyAccess(HKEY root, const std::string& subkey, Log& log)
{
    return GrantAccess(Windows::RegistryLocation::Of(root, subkey), log);
}

bool DeleteRegistryTree(HKEY root, const std::string& subkey, Log& log)
{
    return DeleteTree(Windows::RegistryLocation::Of(root, subkey), log);
}

bool DeleteRegistryKey(HKEY root, const std::string& subkey, Log& log)
{
    if (!Windows::IsDeletableSubkeyPath(subkey)) {
        log << "...refused to delete registry key \"" << Windows::RegistryDisplayPath(root, subkey)
            << "\": the path is empty or has an empty component" << LineEnd;
        return false;
    }
    // An overlong name cannot be opened, so the existence test would call it
    // absent; it is reported as the failed deletion it is.
    Log silent;
    if (!Windows::HasOverlongComponent(subkey) && !CheckRegistryKey(root, subkey, silent))
        return true;

    log << "Deleting registry key \"" << Windows::RegistryDisplayPath(root, subkey) << "\"...";
    bool deleted = DeleteRegistryTree(root, subkey, log);
    if (deleted)
        log << "done" << LineEnd;
    return deleted;
}

bool DeleteRegistryKeyInEveryUserHive(const std::string& subkey, Log& log)
{
    bool allDeleted = true;
    try {
        Windows::SubkeyInformation hive;
        for (DWORD index = 0; Windows::EnumRegistrySubkey(HKEY_USERS, index, hive); ++index) {
            if (!DeleteRegistryKey(HKEY_USERS, hive.name + "\\" + subkey, log))
                allDeleted = false;
        }
    } catch (...) {
        log << "error enumerating keys in HKEY_USERS: " << DescribeCurrentException() << LineEnd;
        return false;
    }
    return allDeleted;
}

} // namespace Remove
