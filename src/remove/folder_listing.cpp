#include "remove/folder_listing.h"

#include "remove/file_system.h"
#include "support/platform_seam.h"

#include <cstring>

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

} // namespace Windows
