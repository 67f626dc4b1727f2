#include "remove/file_system.h"

#include "support/owned_handle.h"
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

bool CanOpenForDelete(const std::string& path)
{
    CheckPathLength(path);
    if (WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::CreateFileA, path))
        return false;
    UniqueFileHandle handle(CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle.valid();
}

void ChangeFileAttributes(const std::string& path, DWORD attributes)
{
    CheckPathLength(path);
    if (DWORD injected = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::SetFileAttributesA, path))
        ThrowWindowsError(injected);
    // Zero would mean "leave them as they are", not "none".
    if (attributes == 0)
        attributes = FILE_ATTRIBUTE_NORMAL;
    CheckWindowsResult(SetFileAttributesA(path.c_str(), attributes));
}

bool TryDeleteOneFile(const std::string& path)
{
    if (path.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (DWORD injected = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::DeleteFileA, path)) {
        SetLastError(injected);
        return false;
    }
    return DeleteFileA(path.c_str()) != FALSE;
}

void DeleteOneFile(const std::string& path)
{
    if (!TryDeleteOneFile(path))
        ThrowLastWindowsError();
}

void RemoveEmptyFolder(const std::string& path)
{
    CheckPathLength(path);
    if (DWORD injected = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::RemoveDirectoryA, path))
        ThrowWindowsError(injected);
    CheckWindowsResult(RemoveDirectoryA(path.c_str()));
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
