#include "remove/file_system.h"

#include "support/platform_seam.h"
#include "support/windows_error.h"

namespace Windows {

void CheckPathLength(const std::string& path)
{
    if (path.size() >= MAX_PATH)
        throw Error(ERROR_FILENAME_EXCED_RANGE);
}

std::optional<DWORD> ReadFileAttributes(const std::string& path)
{
    CheckPathLength(path);
    if (DWORD injected = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::GetFileAttributesA, path)) {
        SetLastError(injected);
        return std::nullopt;
    }
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return attributes | WindowsPlatform::InjectedAttributes(path);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    size_t nameEnd = name.find_last_not_of("\\/");
    std::string trimmedName = nameEnd == std::string::npos ? std::string() : name.substr(0, nameEnd + 1);
    bool folderEnds = !folder.empty() && folder.back() == '\\';
    bool nameStarts = !trimmedName.empty() && trimmedName.front() == '\\';
    if (folderEnds && nameStarts)
        return folder + trimmedName.substr(1);
    if (folderEnds || nameStarts)
        return folder + trimmedName;
    return folder + "\\" + trimmedName;
}

} // namespace Windows
