#include "remove/suite_roots.h"

#include "remove/file_removal.h"
#include "remove/known_folders.h"
#include "remove/registry_removal.h"
#include "support/owned_handle.h"

#include <windows.h>

namespace Remove {

void RemoveSuiteRootFolders(Log& log)
{
    if (const std::optional<std::string>& localAppData = Windows::LocalAppDataFolder())
        DeleteDirectory(*localAppData + "\\Varnek", log);
    if (const std::optional<std::string>& programFiles = Windows::ProgramFilesFolder())
        DeleteDirectory(*programFiles + "\\Varnek Enterprise", log);
}

void RemoveSuiteRootKeys(Log& log)
{
    DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek", log);
    DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek, Inc.", log);
    // Every hive loaded now; users who are not logged on keep their key.
    DeleteRegistryKeyInEveryUserHive("Software\\Varnek", log);
}

namespace {

bool KeyExists(HKEY root, const std::string& subkey)
{
    Windows::UniqueRegistryKey key;
    return RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.put()) == ERROR_SUCCESS;
}

bool FolderExists(const std::optional<std::string>& folder, const char* name)
{
    return folder && GetFileAttributesA((*folder + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool SuiteRootsRemain()
{
    if (FolderExists(Windows::LocalAppDataFolder(), "\\Varnek") ||
        FolderExists(Windows::ProgramFilesFolder(), "\\Varnek Enterprise") ||
        KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek") || KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek, Inc."))
        return true;
    char hive[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof hive;
        if (RegEnumKeyExA(HKEY_USERS, index, hive, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        if (KeyExists(HKEY_USERS, std::string(hive, length) + "\\Software\\Varnek"))
            return true;
    }
}

void RemoveSuiteRoots(Log& log)
{
    RemoveSuiteRootFolders(log);
    RemoveSuiteRootKeys(log);
}

} // namespace Remove
