#include "remove/suite_roots.h"

#include "remove/file_removal.h"
#include "remove/known_folders.h"
#include "remove/registry_key.h"
#include "remove/registry_removal.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace Remove {

namespace {

// The suite's roots, named once for their removal and for the question
// whether any is left.
const char* const kMachineKeys[] = {"SOFTWARE\\Varnek", "SOFTWARE\\Varnek, Inc."};
const char kUserKey[] = "Software\\Varnek";

std::vector<std::string> RootFolders()
{
    std::vector<std::string> folders;
    if (const std::optional<std::string>& localAppData = Windows::LocalAppDataFolder())
        folders.push_back(*localAppData + "\\Varnek");
    if (const std::optional<std::string>& programFiles = Windows::ProgramFilesFolder())
        folders.push_back(*programFiles + "\\Varnek Enterprise");
    return folders;
}

} // namespace

void RemoveSuiteRootFolders(Log& log)
{
    for (const std::string& folder : RootFolders())
        DeleteDirectory(folder, log);
}

void RemoveSuiteRootKeys(Log& log)
{
    for (const char* key : kMachineKeys)
        DeleteRegistryKey(HKEY_LOCAL_MACHINE, key, log);
    // Every hive loaded now; users who are not logged on keep their key.
    DeleteRegistryKeyInEveryUserHive(kUserKey, log);
}

bool SuiteRootsRemain()
{
    for (const std::string& folder : RootFolders()) {
        if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    }
    Log silent;
    for (const char* key : kMachineKeys) {
        if (CheckRegistryKey(HKEY_LOCAL_MACHINE, key, silent))
            return true;
    }
    try {
        Windows::SubkeyInformation hive;
        for (DWORD index = 0; Windows::EnumRegistrySubkey(HKEY_USERS, index, hive); ++index) {
            if (CheckRegistryKey(HKEY_USERS, hive.name + "\\" + kUserKey, silent))
                return true;
        }
    } catch (...) {
        // Hives that cannot be listed promise nothing.
    }
    return false;
}

void RemoveSuiteRoots(Log& log)
{
    RemoveSuiteRootFolders(log);
    RemoveSuiteRootKeys(log);
}

} // namespace Remove
