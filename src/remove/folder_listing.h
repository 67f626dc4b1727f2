// Forward-only walks over the entries of one folder: by its path, or by its
// open handle.
#pragma once

#include "support/owned_handle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace Windows {

struct FolderEntry {
    std::string name;
    // As the listing reported them, plus any bits the test seam adds for the
    // entry's full path; the listing's own answer saves a call per entry.
    DWORD attributes = 0;
};

// Lists `folder` + "\\*.*" without "." and "..". A folder that cannot be
// listed (missing, refused, a path too long for the ANSI calls) lists nothing.
class FolderListing {
public:
    explicit FolderListing(const std::string& folder);
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // The next entry with its full path; false at the end.
    bool Next(FolderEntry& entry, std::string& fullPath);
    void Close() { find_.reset(); }

private:
    std::string folder_;
    UniqueFindHandle find_;
    WIN32_FIND_DATAA data_;
    bool pending_ = false;
};

// Lists the folder open as `folder` (with FILE_LIST_DIRECTORY) through that
// handle, without "." and "..". Names come as the system keeps them (UTF-16);
// attributes are what the listing says, a hint only: an entry is judged by
// its own handle. A listing that fails ends there. Seam:
// GetFileInformationByHandleEx_List, for `path`.
class HandleListing {
public:
    HandleListing(HANDLE folder, const std::string& path);
    HandleListing(const HandleListing&) = delete;
    HandleListing& operator=(const HandleListing&) = delete;

    // The next entry; false at the end.
    bool Next(std::wstring& name, DWORD& attributes);

private:
    bool Fetch();

    HANDLE folder_;
    bool restart_ = true;
    bool ended_ = false;
    std::vector<LONGLONG> buffer_; // 8-byte aligned, as the entries want
    size_t next_ = 0;              // byte offset of the next entry; npos: fetch
};

} // namespace Windows
