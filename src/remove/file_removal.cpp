#include "remove/file_removal.h"

#include "remove/file_handle.h"
#include "remove/file_identity.h"
#include "remove/file_system.h"
#include "remove/folder_listing.h"
#include "remove/protected_folders.h"
#include "remove/security.h"
#include "support/ansi_text.h"
#include "support/exceptions.h"
#include "support/windows_error.h"

#include <algorithm>
#include <functional>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace Remove {

namespace {

const char kGrantFailed[] = "...error occured while granting access to file \"";
const char kReadOnlyFailed[] = "...error occured while trying to remove read only attribute of file \"";
const char kDeleteFailed[] = "...error occured while trying to delete file \"";
const char kRemoveFolderFailed[] = "...in call to RemoveDirectory for \"";
const char kCheckFailed[] = "...error occured while checking for file \"";

// Runs one step; a failure ends the current line with its description and the
// continuation naming the path. Memory exhaustion is the caller's to handle.
template <typename Step>
bool Attempt(Log& log, const char* continuation, const std::string& path, Step step)
{
    try {
        step();
        return true;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        log << DescribeCurrentException() << continuation << path << "\"" << LineEnd;
        return false;
    }
}

// How long a folder that is not empty only because its entries are still
// being deleted (a scanner or an indexer holds one) is tried again.
const DWORD kPendingEntriesWait = 5000;

// What a walk asks when it opens an entry, from what the listing says of it;
// the entry is judged by its own handle all the same.
ACCESS_MASK WantedFor(DWORD listedAttributes)
{
    if (Windows::IsFolder(listedAttributes))
        return DELETE | Windows::ListAccess;
    if (listedAttributes & FILE_ATTRIBUTE_READONLY)
        return DELETE | FILE_WRITE_ATTRIBUTES;
    return DELETE;
}

// An object that cannot be reached cannot be granted access either.
bool Unreachable(DWORD code, const std::string& path, Log& log)
{
    return Attempt(log, kGrantFailed, path, [&] { ThrowWindowsError(code); });
}

Remove::SecurableObject SecurableOf(const Windows::FileItem& item, const std::string& path)
{
    return {path, SE_FILE_OBJECT,
            [&item, &path](ACCESS_MASK access, const std::function<DWORD(HANDLE)>& use) -> DWORD {
                Windows::UniqueFileHandle handle;
                if (DWORD code = Windows::ReopenItem(item, path, access, handle))
                    return code;
                return use(handle.get());
            }};
}

// The first step for every object: it opens for deletion, or the current user
// is given full access to it. The handle then carries DELETE when it can.
bool GrantItemAccess(Windows::FileItem& item, const std::string& path, Log& log)
{
    return Attempt(log, kGrantFailed, path, [&] {
        if (item.Has(DELETE))
            return;
        Windows::UniqueFileHandle deleting;
        if (Windows::ReopenItem(item, path, item.access | DELETE, deleting) == ERROR_SUCCESS) {
            item.handle = std::move(deleting);
            item.access |= DELETE;
            return;
        }
        GrantObjectAccess(SecurableOf(item, path), log);
    });
}

// How the volume the object lies on takes deletes: a walk never leaves the
// volume of its top, since links to others are never entered.
Windows::VolumeDeletes& DeletesFor(const Windows::FileItem& item, const std::string& path)
{
    std::optional<Windows::FileIdentity> identity = Windows::IdentityOf(item.handle.get(), path);
    return Windows::DeletesOn(identity ? identity->volume : 0);
}

void DeleteThroughHandle(const Windows::FileItem& item, const std::string& path, Windows::VolumeDeletes& volume)
{
    Windows::UniqueFileHandle extra;
    Windows::DeleteByHandle(Windows::HandleFor(item, path, DELETE, extra), path, volume);
}

// A link goes as itself: granting access or clearing attributes are never
// tried on it, and what it leads to is never listed.
bool RemoveLink(const Windows::FileItem& item, const std::string& path, Windows::VolumeDeletes& volume, Log& log)
{
    const char* continuation = Windows::IsFolder(item.attributes) ? kRemoveFolderFailed : kDeleteFailed;
    return Attempt(log, continuation, path, [&] { DeleteThroughHandle(item, path, volume); });
}

// Whether every entry still in the folder is only waiting for others'
// handles to close before it goes: the system says so, or it is one the walk
// itself deleted (`taken`, sorted), whose name stays while a scanner holds it
// where deletes are not POSIX ones.
bool OnlyEntriesGoingAway(const Windows::FileItem& folder, const std::string& path, const std::vector<LONGLONG>& taken)
{
    // Listed through a handle of its own, from the start: the folder's own
    // handle has listed to its end and keeps that place.
    Windows::UniqueFileHandle own;
    if (Windows::ReopenItem(folder, path, Windows::ListAccess, own) != ERROR_SUCCESS)
        return false;
    HANDLE listed = own.get();
    Windows::HandleListing listing(listed, path);
    Windows::ListingBuffer buffer;
    std::wstring name;
    DWORD attributes = 0;
    LONGLONG fileId = 0;
    while (listing.Next(name, attributes, buffer, &fileId)) {
        if (!std::binary_search(taken.begin(), taken.end(), fileId) &&
            !Windows::IsGoingAway(listed, name, Windows::JoinPath(path, NarrowText(name.data(), name.size()))))
            return false;
    }
    return listing.Error() == 0;
}

// Each attempt to delete a folder on a handle of its own: Wine takes a second
// disposition on a handle whose first was refused without looking, and then
// leaves the folder where it is.
bool RemoveEmptyFolder(const Windows::FileItem& folder, const std::string& path, Windows::VolumeDeletes& volume,
                       std::vector<LONGLONG> taken, bool refusedBefore, Log& log)
{
    return Attempt(log, kRemoveFolderFailed, path, [&] {
        // A file named as a folder is not one to remove.
        if (!Windows::IsFolder(folder.attributes))
            ThrowWindowsError(ERROR_DIRECTORY);
        Windows::UniqueFileHandle extra;
        HANDLE handle = refusedBefore ? nullptr : Windows::HandleFor(folder, path, DELETE, extra);
        std::sort(taken.begin(), taken.end());
        const DWORD start = GetTickCount();
        DWORD pause = 10;
        for (;;) {
            if (!handle) {
                ThrowWindowsError(Windows::ReopenItem(folder, path, DELETE, extra));
                handle = extra.get();
            }
            DWORD code = Windows::TryDeleteByHandle(handle, path, volume);
            if (code != ERROR_DIR_NOT_EMPTY || GetTickCount() - start >= kPendingEntriesWait ||
                !OnlyEntriesGoingAway(folder, path, taken)) {
                if (code != ERROR_SUCCESS)
                    ThrowWindowsError(code);
                return;
            }
            Sleep(pause);
            pause = pause < 160 ? pause * 2 : 250;
            handle = nullptr;
        }
    });
}

bool DeleteOpenedFile(Windows::FileItem& file, const std::string& path, Windows::VolumeDeletes& volume, Log& log)
{
    // Owner, attributes and access list belong to the file, not to this
    // name: a file with other names elsewhere loses only this one, as it is.
    const bool otherNames = !Windows::IsFolder(file.attributes) && Windows::LinkCountOf(file.handle.get()) != 1;
    if (!otherNames && !GrantItemAccess(file, path, log))
        return false;
    if (!otherNames && (file.attributes & FILE_ATTRIBUTE_READONLY) && !Attempt(log, kReadOnlyFailed, path, [&] {
            Windows::UniqueFileHandle extra;
            Windows::ClearReadOnly(Windows::HandleFor(file, path, FILE_WRITE_ATTRIBUTES, extra), file.attributes,
                                   path);
        }))
        return false;
    return Attempt(log, kDeleteFailed, path, [&] {
        // What deleting a file by name would answer for a folder.
        if (Windows::IsFolder(file.attributes))
            ThrowWindowsError(ERROR_ACCESS_DENIED);
        DeleteThroughHandle(file, path, volume);
    });
}

// Empties and removes a folder tree depth first, each folder granted access
// first and removed once empty, stopping at the first failure. It loops
// instead of recursing, so that no depth a tree can be built to (children
// are created relative to their parent, at any depth) exhausts the stack:
// each open folder costs a small frame, and all of them share one path text
// that grows on the way down and is cut back on the way up.
class TreeWalk {
public:
    // The tree lies on one volume: links to others are never entered.
    TreeWalk(const std::string& top, Windows::VolumeDeletes& volume, Log& log) : path_(top), volume_(volume), log_(log)
    {
    }
    TreeWalk(const TreeWalk&) = delete;
    TreeWalk& operator=(const TreeWalk&) = delete;
    // Handles close innermost first, as the folders were opened.
    ~TreeWalk()
    {
        while (!frames_.empty())
            frames_.pop_back();
    }

    // `top`, a folder open at the walk's path, is emptied and removed.
    bool Run(Windows::FileItem top)
    {
        if (!Enter(std::move(top)))
            return false;
        std::wstring name;
        DWORD listedAttributes = 0;
        LONGLONG fileId = 0;
        while (!frames_.empty()) {
            Frame& frame = frames_.back();
            path_.resize(frame.pathLength);
            const bool stopAtLikelyEnd = frame.MayGoBeforeItsEnd();
            if (!frame.listing.Next(name, listedAttributes, buffer_, &fileId, stopAtLikelyEnd)) {
                // Stopped before the fetch that would most likely find the
                // end: the folder goes now, or the listing goes on.
                if (stopAtLikelyEnd && frame.listing.AtLikelyEnd()) {
                    if (RemovedAtLikelyEnd(frame))
                        frames_.pop_back();
                    continue;
                }
                if (!Leave())
                    return false;
                continue;
            }
            // Taken before it is: a failure ends the walk anyway.
            frame.taken.push_back(fileId);
            Windows::AppendToPath(path_, NarrowText(name.data(), name.size()));
            if (!TakeEntry(frame.Listed(), name, listedAttributes))
                return false;
        }
        return true;
    }

private:
    // A folder being emptied; its path is the walk's text cut to pathLength.
    struct Frame {
        Windows::FileItem folder;
        Windows::UniqueFileHandle listingHandle; // when the folder's own handle cannot list
        Windows::HandleListing listing;
        DWORD listingError = 0; // why the folder could not be listed at all
        std::vector<LONGLONG> taken; // the IDs of the entries taken so far
        size_t pathLength = 0;
        bool deleteRefused = false; // a delete tried before the listing's end was refused

        HANDLE Listed() const { return listingHandle ? listingHandle.get() : folder.handle.get(); }
        // Whether the folder is deleted at its listing's likely end: once,
        // through its own handle.
        bool MayGoBeforeItsEnd() const
        {
            return !deleteRefused && folder.Has(DELETE) && Windows::IsFolder(folder.attributes);
        }
    };

    // The folder at the walk's path: access granted, then listed.
    bool Enter(Windows::FileItem folder)
    {
        if (!GrantItemAccess(folder, path_, log_))
            return false;
        Frame frame;
        frame.folder = std::move(folder);
        frame.pathLength = path_.size();
        // A folder that cannot be listed lists nothing; its removal says why.
        if (frame.folder.Has(Windows::ListAccess))
            frame.listing = Windows::HandleListing(frame.Listed(), path_);
        else if (!(frame.listingError = Windows::ReopenItem(frame.folder, path_, Windows::ListAccess, frame.listingHandle)))
            frame.listing = Windows::HandleListing(frame.Listed(), path_);
        frames_.push_back(std::move(frame));
        return true;
    }

    // The innermost folder, its listing stopped at a likely end, is deleted
    // without asking the listing for its end: a folder with entries left
    // refuses, and is then listed on. A refusal writes nothing; the folder's
    // removal at the listing's true end reports what still stands in its way.
    bool RemovedAtLikelyEnd(Frame& frame)
    {
        if (Windows::TryDeleteByHandle(frame.folder.handle.get(), path_, volume_) == ERROR_SUCCESS)
            return true;
        frame.deleteRefused = true;
        return false;
    }

    // The innermost folder, listed to the end, goes; the walk goes on in its parent.
    bool Leave()
    {
        Frame& frame = frames_.back();
        frame.listingHandle.reset();
        // A listing cut short is no empty folder: its own error says why.
        const DWORD listingError = frame.listingError ? frame.listingError : frame.listing.Error();
        if (listingError)
            return Attempt(log_, kRemoveFolderFailed, path_, [&] { ThrowWindowsError(listingError); });
        if (!RemoveEmptyFolder(frame.folder, path_, volume_, std::move(frame.taken), frame.deleteRefused, log_))
            return false;
        frames_.pop_back();
        return true;
    }

    // The entry at the walk's path, named `name` in the folder listed as
    // `listed`: removed, or entered when it is a folder. Every entry is opened
    // relative to its folder's handle, never by its path, so that no length
    // limits the walk and no link swapped in on the way is followed.
    bool TakeEntry(HANDLE listed, const std::wstring& name, DWORD listedAttributes)
    {
        // Most files go with one call; the rest take the full way, which
        // writes the same lines and answers the same as taking it from the start.
        if (!Windows::IsFolder(listedAttributes) &&
            Windows::DeleteChildFileAtOnce(listed, name, path_, (listedAttributes & FILE_ATTRIBUTE_READONLY) != 0,
                                           volume_))
            return true;
        Windows::FileItem entry;
        DWORD code = Windows::OpenChildItem(listed, name, path_, WantedFor(listedAttributes), entry);
        // One gone since the listing was read is as good as removed.
        if (code != ERROR_SUCCESS)
            return Windows::IsGone(code) || Unreachable(code, path_, log_);
        if (entry.IsLink())
            return RemoveLink(entry, path_, volume_, log_);
        if (Windows::IsFolder(entry.attributes))
            return Enter(std::move(entry));
        return DeleteOpenedFile(entry, path_, volume_, log_);
    }

    std::string path_;
    std::vector<Frame> frames_;
    Windows::ListingBuffer buffer_;
    Windows::VolumeDeletes& volume_;
    Log& log_;
};

// A folder handed in is emptied and removed; one that is itself a link goes
// as itself.
bool DeleteTreeAt(Windows::FileItem& top, const std::string& path, Log& log)
{
    Windows::VolumeDeletes& volume = DeletesFor(top, path);
    if (top.IsLink())
        return RemoveLink(top, path, volume, log);
    return TreeWalk(path, volume, log).Run(std::move(top));
}

// Writes the refusal line for a folder that must not go. Over-long paths are
// not judged: no call takes them, and the walk's first step reports that.
bool Refused(const std::string& folder, Log& log)
{
    if (folder.size() >= MAX_PATH)
        return false;
    std::optional<std::string> refusal = FolderRefusal(folder);
    if (!refusal)
        return false;
    log << "Refusing to delete directory \"" << folder << "\": " << *refusal << LineEnd;
    return true;
}

// The object's attributes; no value only when it is known to be absent. An
// object whose attributes cannot be read for another reason counts as present
// with none, so that the step that follows reports the failure.
std::optional<DWORD> KnownAttributes(const std::string& path)
{
    try {
        std::optional<DWORD> attributes = Windows::ReadFileAttributes(path);
        if (attributes || Windows::IsGone(GetLastError()))
            return attributes;
    } catch (const Windows::Error&) {
        // Too long for the ANSI calls: the next step says so.
    }
    return DWORD(0);
}

// Opens what a caller names; answers the code of the open.
DWORD OpenNamed(const std::string& path, ACCESS_MASK wanted, Windows::FileItem& item)
{
    if (path.size() >= MAX_PATH)
        return ERROR_FILENAME_EXCED_RANGE;
    return Windows::OpenItem(path, wanted, item);
}

// The folder is judged again by the place its handle reached, and by what it
// is: a link swapped in on the way after the path was judged must not take
// the walk elsewhere, and a protected folder under another name (a drive
// letter, a junction, a mount point) is still that folder.
bool ReachedRefused(const Windows::FileItem& top, const std::string& path, Log& log)
{
    std::optional<std::string> reached = Windows::ReachedPathOf(top.handle.get(), path);
    std::optional<std::string> refusal =
        reached ? ReachedFolderRefusal(*reached) : std::optional<std::string>("the path cannot be resolved");
    if (!refusal)
        refusal = IdentityRefusal(path, top.handle.get(), top.IsLink());
    if (!refusal)
        return false;
    log << "Refusing to delete directory \"" << path << "\": " << *refusal << LineEnd;
    return true;
}

} // namespace

bool CheckFile(const std::string& path, Log& log)
{
    log << "Checking for file \"" << path << "\"...";
    bool found = false;
    if (Attempt(log, kCheckFailed, path, [&] { found = Windows::ReadFileAttributes(path).has_value(); }))
        log << (found ? "found" : "not found") << LineEnd;
    return found;
}

bool GrantFileAccess(const std::string& path, Log& log)
{
    Windows::FileItem item;
    if (DWORD code = OpenNamed(path, DELETE, item))
        return Unreachable(code, path, log);
    return GrantItemAccess(item, path, log);
}

bool DeleteFileItem(const std::string& path, Log& log)
{
    Windows::FileItem item;
    DWORD code = OpenNamed(path, DELETE, item);
    // Gone already is fine.
    if (Windows::IsGone(code))
        return true;
    if (code != ERROR_SUCCESS)
        return Unreachable(code, path, log);
    Windows::VolumeDeletes& volume = DeletesFor(item, path);
    if (item.IsLink())
        return RemoveLink(item, path, volume, log);
    return DeleteOpenedFile(item, path, volume, log);
}

bool DeleteDirectoryTree(const std::string& folder, Log& log)
{
    if (Refused(folder, log))
        return false;
    Windows::FileItem top;
    if (DWORD code = OpenNamed(folder, DELETE | Windows::ListAccess, top))
        return Unreachable(code, folder, log);
    if (ReachedRefused(top, folder, log))
        return false;
    return DeleteTreeAt(top, folder, log);
}

bool DeleteDirectory(const std::string& folder, Log& log)
{
    if (folder.empty())
        return true;
    if (Refused(folder, log))
        return false;
    if (!KnownAttributes(folder))
        return true;

    Windows::FileItem top;
    DWORD code = OpenNamed(folder, DELETE | Windows::ListAccess, top);
    // Gone since it was seen.
    if (Windows::IsGone(code))
        return true;
    if (code == ERROR_SUCCESS && ReachedRefused(top, folder, log))
        return false;

    log << "Deleting directory \"" << folder << "\"...";
    bool deleted = code == ERROR_SUCCESS ? DeleteTreeAt(top, folder, log) : Unreachable(code, folder, log);
    if (deleted)
        log << "done" << LineEnd;
    return deleted;
}

} // namespace Remove
