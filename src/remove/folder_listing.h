// A forward-only walk over the entries of one folder.
#pragma once

#include "support/owned_handle.h"

#include <windows.h>

#include <string>

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

} // namespace Windows
