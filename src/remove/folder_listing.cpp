#include "remove/folder_listing.h"

#include "remove/file_system.h"
#include "support/platform_seam.h"

#include <cstddef>
#include <cstring>

static_assert(offsetof(FILE_ID_BOTH_DIR_INFO, FileName) == 104, "FILE_ID_BOTH_DIR_INFO.FileName");

namespace Windows {

FolderListing::FolderListing(const std::string& folder) : folder_(folder)
{
    std::string pattern = JoinPath(folder, "*.*");
    if (pattern.size() >= MAX_PATH || WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::FindFirstFileA, pattern))
        return;
    // The basic level skips the short names we never use; large fetch cuts
    // the round trips for big folders.
    find_.reset(FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data_, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH));
    // Systems before Windows 7 know neither option.
    if (!find_.valid() && GetLastError() == ERROR_INVALID_PARAMETER)
        find_.reset(FindFirstFileA(pattern.c_str(), &data_));
    pending_ = find_.valid();
}

bool FolderListing::Next(FolderEntry& entry, std::string& fullPath)
{
    for (;;) {
        if (!pending_) {
            if (!find_.valid() || !FindNextFileA(find_.get(), &data_)) {
                find_.reset();
                return false;
            }
        }
        pending_ = false;
        const char* name = data_.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        entry.name = name;
        fullPath = JoinPath(folder_, entry.name);
        entry.attributes = data_.dwFileAttributes | WindowsPlatform::InjectedAttributes(fullPath);
        return true;
    }
}

HandleListing::HandleListing(HANDLE folder, const std::string& path)
    : folder_(folder), next_(std::string::npos)
{
    ended_ = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::GetFileInformationByHandleEx_List, path) != 0;
}

// The next batch of entries; false at the end or on a failure.
bool HandleListing::Fetch()
{
    if (ended_)
        return false;
    if (buffer_.empty())
        buffer_.resize(16 * 1024 / sizeof(LONGLONG));
    FILE_INFO_BY_HANDLE_CLASS what = restart_ ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo;
    restart_ = false;
    if (!GetFileInformationByHandleEx(folder_, what, buffer_.data(), static_cast<DWORD>(buffer_.size() * sizeof(LONGLONG)))) {
        ended_ = true;
        return false;
    }
    next_ = 0;
    return true;
}

bool HandleListing::Next(std::wstring& name, DWORD& attributes)
{
    for (;;) {
        if (next_ == std::string::npos && !Fetch())
            return false;
        const auto* entry =
            reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<const char*>(buffer_.data()) + next_);
        next_ = entry->NextEntryOffset ? next_ + entry->NextEntryOffset : std::string::npos;
        name.assign(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
        if (name == L"." || name == L"..")
            continue;
        attributes = entry->FileAttributes;
        return true;
    }
}

} // namespace Windows
