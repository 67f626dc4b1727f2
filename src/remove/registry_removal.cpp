#include "remove/registry_removal.h"

#include "remove/registry_key.h"
#include "remove/security.h"
#include "support/exceptions.h"

namespace {

// Continues the caller's "Deleting registry key" line with the failure being
// handled and a line naming the key.
void LogFailure(Remove::Log& log, const char* what, HKEY root, const std::string& subkey)
{
    log << DescribeCurrentException() << Remove::LineEnd << what << Windows::RegistryDisplayPath(root, subkey)
        << "\"" << Remove::LineEnd;
}

bool DeleteOneKey(HKEY root, const std::string& subkey, Remove::Log& log)
{
    try {
        Windows::DeleteRegistrySubkey(root, subkey);
        return true;
    } catch (...) {
        LogFailure(log, "...error occured while trying to delete key \"", root, subkey);
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
    // A link is judged by its own access, not by its target's.
    if (Windows::CanOpenRegistryKey(root, subkey, DELETE, REG_OPTION_OPEN_LINK))
        return true;
    try {
        GrantObjectAccess(Windows::RegistrySecurityName(root, subkey), Windows::RegistrySecurityObjectType(), log);
        return true;
    } catch (...) {
        log << DescribeCurrentException() << "...error occured while granting access to key \""
            << Windows::RegistryDisplayPath(root, subkey) << "\"" << LineEnd;
        return false;
    }
}

bool DeleteRegistryTree(HKEY root, const std::string& subkey, Log& log)
{
    // Such a path names another key than meant: let the deletion refuse it
    // before anything is opened or granted.
    if (!Windows::IsDeletableSubkeyPath(subkey) || Windows::HasOverlongComponent(subkey))
        return DeleteOneKey(root, subkey, log);

    if (!GrantRegistryKeyAccess(root, subkey, log))
        return false;
    try {
        // Opened as a link when it is one: a link has no subkeys of its own,
        // so the walk never enters its target.
        Windows::RegistryKey key = Windows::OpenRegistryKey(root, subkey, KEY_READ, REG_OPTION_OPEN_LINK);
        Windows::SubkeyInformation child;
        // Always index 0: each child is gone before the next one is asked for.
        while (Windows::EnumRegistrySubkey(key.get(), 0, child)) {
            if (!DeleteRegistryTree(root, subkey + "\\" + child.name, log))
                return false;
        }
    } catch (...) {
        LogFailure(log, "...error occured while enumerating subkeys of \"", root, subkey);
        return false;
    }
    return DeleteOneKey(root, subkey, log);
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
