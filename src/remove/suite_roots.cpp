#include "remove/suite_roots.h"

#include "remove/file_removal.h"
#include "remove/known_folders.h"
#include "remove/registry_removal.h"

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

void RemoveSuiteRoots(Log& log)
{
    RemoveSuiteRootFolders(log);
    RemoveSuiteRootKeys(log);
}

} // namespace Remove
