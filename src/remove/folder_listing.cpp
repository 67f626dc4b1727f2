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

HandleListing::HandleListing(HANDLE folder, const std::string& path) : folder_(folder)
{
    error_ = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::GetFileInformationByHandleEx_List, path);
    ended_ = error_ != 0;
}

// The next batch of entries, copied out of the buffer; false at the end or
// on a failure.
bool HandleListing::Fetch(ListingBuffer& buffer)
{
    if (ended_)
        return false;
    std::vector<LONGLONG>& bytes = buffer.bytes;
    if (bytes.empty())
        bytes.resize(16 * 1024 / sizeof(LONGLONG));
    FILE_INFO_BY_HANDLE_CLASS what = restart_ ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo;
    restart_ = false;
    if (!GetFileInformationByHandleEx(folder_, what, bytes.data(), static_cast<DWORD>(bytes.size() * sizeof(LONGLONG)))) {
        // An empty listing may also answer "no such file".
        DWORD code = GetLastError();
        if (code != ERROR_NO_MORE_FILES && code != ERROR_FILE_NOT_FOUND)
            error_ = code;
        ended_ = true;
        return false;
    }
    names_.clear();
    pending_.clear();
    next_ = nameAt_ = 0;
    const char* start = reinterpret_cast<const char*>(bytes.data());
    const char* at = start;
    for (;;) {
        const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
        const wchar_t* name = entry->FileName;
        DWORD length = entry->FileNameLength / sizeof(wchar_t);
        bool dots = (length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.');
        if (!dots) {
            names_.append(name, length);
            pending_.push_back({entry->FileId.QuadPart, entry->FileAttributes, length});
        }
        if (!entry->NextEntryOffset) {
            // Room left for an entry of the longest name: the system stopped
            // for want of entries, not of room.
            const size_t used = (at - start) + offsetof(FILE_ID_BOTH_DIR_INFO, FileName) + entry->FileNameLength;
            const size_t longest = offsetof(FILE_ID_BOTH_DIR_INFO, FileName) + MAX_PATH * sizeof(wchar_t) + 8;
            lastBatchShort_ = used + longest <= bytes.size() * sizeof(LONGLONG);
            return true;
        }
        at += entry->NextEntryOffset;
    }
}

bool HandleListing::Next(std::wstring& name, DWORD& attributes, ListingBuffer& buffer, LONGLONG* fileId,
                         bool stopAtLikelyEnd)
{
    while (next_ == pending_.size()) {
        if (stopAtLikelyEnd && AtLikelyEnd())
            return false;
        if (!Fetch(buffer))
            return false;
    }
    const Pending& entry = pending_[next_++];
    name.assign(names_, nameAt_, entry.nameLength);
    nameAt_ += entry.nameLength;
    attributes = entry.attributes;
    if (fileId)
        *fileId = entry.fileId;
    return true;
}

} // namespace Windows
