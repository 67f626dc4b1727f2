#include "remove/suite_roots.h"

#include "remove/file_removal.h"
#include "remove/known_folders.h"

namespace Remove {

void RemoveSuiteRootFolders(Log& log)
{
    if (const std::optional<std::string>& localAppData = Windows::LocalAppDataFolder())
        DeleteDirectory(*localAppData + "\\Varnek", log);
    if (const std::optional<std::string>& programFiles = Windows::ProgramFilesFolder())
        DeleteDirectory(*programFiles + "\\Varnek Enterprise", log);
}

void RemoveSuiteRoots(Log& log)
{
    RemoveSuiteRootFolders(log);
    RemoveSuiteRootKeys(log);
}

} // namespace Remove
