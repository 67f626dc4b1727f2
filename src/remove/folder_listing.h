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

// Where handle listings fetch their batches. One serves a whole walk: a
// listing copies out what it has not handed out yet before another fetches.
struct ListingBuffer {
    std::vector<LONGLONG> bytes; // 8-byte aligned, as the entries want
};

// Lists the folder open as `folder` (with FILE_LIST_DIRECTORY) through that
// handle, without "." and "..". Names come as the system keeps them (UTF-16);
// attributes are what the listing says, a hint only: an entry is judged by
// its own handle. A listing that fails ends there and keeps why. Between batches it holds
// only the names it has not handed out, so that a walk can keep one listing
// per level of any depth; the handle keeps the place, and the listing goes
// on from there, never restarting (a restart would list again names that are
// still going). Seam: GetFileInformationByHandleEx_List, for `path`.
class HandleListing {
public:
    // Lists nothing.
    HandleListing() = default;
    HandleListing(HANDLE folder, const std::string& path);
    HandleListing(HandleListing&&) = default;
    HandleListing& operator=(HandleListing&&) = default;

    // The next entry, fetching through `buffer` when the batch is used up;
    // false at the end. `fileId`, when asked, gets the entry's ID on its volume.
    // With `stopAtLikelyEnd` it also answers false at a likely end, without
    // the fetch that would tell.
    bool Next(std::wstring& name, DWORD& attributes, ListingBuffer& buffer, LONGLONG* fileId = nullptr,
              bool stopAtLikelyEnd = false);

    // Whether every entry of a batch that left room for more has been handed
    // out: the folder's end, as good as certain, though only another fetch
    // would prove it. Deleting the folder proves it as well, and saves the
    // fetch where the folder is then empty.
    bool AtLikelyEnd() const { return !ended_ && lastBatchShort_ && next_ == pending_.size(); }

    // Why the listing ended early; 0 when it listed everything.
    DWORD Error() const { return error_; }

private:
    bool Fetch(ListingBuffer& buffer);

    struct Pending {
        LONGLONG fileId;
        DWORD attributes;
        DWORD nameLength;
    };

    HANDLE folder_ = nullptr;
    bool restart_ = true;
    bool ended_ = true;
    bool lastBatchShort_ = false;
    DWORD error_ = 0;
    std::wstring names_;            // the batch's names back to back
    std::vector<Pending> pending_;  // and what else each of them needs
    size_t next_ = 0;               // the next of them to hand out
    size_t nameAt_ = 0;             // where its name starts
};

} // namespace Windows
