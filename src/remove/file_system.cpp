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
    std::string path = folder;
    AppendToPath(path, name);
    return path;
}

void AppendToPath(std::string& path, const std::string& name)
{
    size_t nameEnd = name.find_last_not_of("\\/");
    size_t length = nameEnd == std::string::npos ? 0 : nameEnd + 1;
    size_t start = 0;
    bool folderEnds = !path.empty() && path.back() == '\\';
    bool nameStarts = length > 0 && name.front() == '\\';
    if (folderEnds && nameStarts)
        start = 1;
    else if (!folderEnds && !nameStarts)
        path += '\\';
    path.append(name, start, length - start);
}

} // namespace Windows
