#include "remove/file_removal.h"

#include "remove/file_system.h"
#include "remove/folder_listing.h"
#include "remove/protected_folders.h"
#include "remove/security.h"
#include "support/exceptions.h"
#include "support/windows_error.h"

#include <new>
#include <optional>

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

bool RemoveFolderEntry(const std::string& folder, Log& log)
{
    return Attempt(log, kRemoveFolderFailed, folder, [&] { Windows::RemoveEmptyFolder(folder); });
}

// A link goes as itself: granting access or clearing attributes would reach
// through it to its target, so neither is tried.
bool RemoveLink(const std::string& path, DWORD attributes, Log& log)
{
    if (Windows::IsFolder(attributes))
        return RemoveFolderEntry(path, log);
    return Attempt(log, kDeleteFailed, path, [&] { Windows::DeleteOneFile(path); });
}

// A file the listing found. Most files simply go with one call; only when that
// fails (or the file is read-only) does it take the full way of granting
// access and clearing the attribute, which writes the same lines and answers
// the same as taking that way from the start.
bool DeleteListedFile(const std::string& path, DWORD attributes, Log& log)
{
    if (!(attributes & FILE_ATTRIBUTE_READONLY) && Windows::TryDeleteOneFile(path))
        return true;
    return DeleteFileItem(path, log);
}

bool DeleteTreeBelow(const std::string& folder, Log& log)
{
    if (!GrantFileAccess(folder, log))
        return false;
    {
        Windows::FolderListing listing(folder);
        Windows::FolderEntry entry;
        std::string path;
        while (listing.Next(entry, path)) {
            bool removed;
            if (Windows::IsLink(entry.attributes))
                removed = RemoveLink(path, entry.attributes, log);
            else if (Windows::IsFolder(entry.attributes))
                removed = DeleteTreeBelow(path, log);
            else
                removed = DeleteListedFile(path, entry.attributes, log);
            if (!removed)
                return false;
        }
    }
    return RemoveFolderEntry(folder, log);
}

// `attributes` are the folder's own, when known.
bool DeleteTreeAt(const std::string& folder, std::optional<DWORD> attributes, Log& log)
{
    if (attributes && Windows::IsLink(*attributes))
        return RemoveLink(folder, *attributes, log);
    return DeleteTreeBelow(folder, log);
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

bool IsAbsence(DWORD code)
{
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// The object's attributes; no value only when it is known to be absent. An
// object whose attributes cannot be read for another reason counts as present
// with none, so that the step that follows reports the failure.
std::optional<DWORD> KnownAttributes(const std::string& path)
{
    try {
        std::optional<DWORD> attributes = Windows::ReadFileAttributes(path);
        if (attributes || IsAbsence(GetLastError()))
            return attributes;
    } catch (const Windows::Error&) {
        // Too long for the ANSI calls: the next step says so.
    }
    return DWORD(0);
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
    return Attempt(log, kGrantFailed, path, [&] {
        if (!Windows::CanOpenForDelete(path))
            GrantObjectAccess(path, SE_FILE_OBJECT, log);
    });
}

bool DeleteFileItem(const std::string& path, Log& log)
{
    if (!GrantFileAccess(path, log))
        return false;

    // Gone already is fine; when the attributes cannot be read for another
    // reason the delete below tells what is wrong.
    std::optional<DWORD> attributes = KnownAttributes(path);
    if (!attributes)
        return true;

    if ((*attributes & FILE_ATTRIBUTE_READONLY) &&
        !Attempt(log, kReadOnlyFailed, path,
                 [&] { Windows::ChangeFileAttributes(path, *attributes & ~FILE_ATTRIBUTE_READONLY); }))
        return false;
    return Attempt(log, kDeleteFailed, path, [&] { Windows::DeleteOneFile(path); });
}

bool DeleteDirectoryTree(const std::string& folder, Log& log)
{
    if (Refused(folder, log))
        return false;
    return DeleteTreeAt(folder, KnownAttributes(folder), log);
}

bool DeleteDirectory(const std::string& folder, Log& log)
{
    if (folder.empty())
        return true;
    if (Refused(folder, log))
        return false;

    std::optional<DWORD> attributes = KnownAttributes(folder);
    if (!attributes)
        return true;

    log << "Deleting directory \"" << folder << "\"...";
    bool deleted = DeleteTreeAt(folder, attributes, log);
    if (deleted)
        log << "done" << LineEnd;
    return deleted;
}

} // namespace Remove
