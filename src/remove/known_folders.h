// Shell folders of the user running the removal.
#pragma once

#include <optional>
#include <string>

namespace Windows {

// SHGetFolderPathA from shell32.dll, found at run time, for the current path
// of `csidl`; no value when the library, the function or the folder is missing.
std::optional<std::string> GetKnownFolder(int csidl);

// The 32-bit Program Files folder, looked up at first use; that answer (a
// failure included) holds for the rest of the run.
const std::optional<std::string>& ProgramFilesFolder();
// The user's local application-data folder, looked up once like the above.
// While a test arms answers through the seam, both look afresh every time.
const std::optional<std::string>& LocalAppDataFolder();

} // namespace Windows
