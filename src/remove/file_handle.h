// Files and folders reached by handle. A walk opens each child relative to
// its parent's handle without following a link, judges it by what its own
// handle answers, and changes it only through handles to that same object,
// so that nothing swapped in on the way can steer it elsewhere. No call here
// limits the length of a path.
#pragma once

#include "support/owned_handle.h"

#include <windows.h>

#include <optional>
#include <string>

namespace Windows {

// What every handle of a walk carries: enough to judge its object, and
// granted to whoever may list the folder it lies in.
const ACCESS_MASK JudgeAccess = FILE_READ_ATTRIBUTES;
// What listing a folder by handle takes: the listing waits for its answer.
const ACCESS_MASK ListAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE;

// One object reached by a walk. Its path, how the log names it, is the
// walk's to keep: a deep walk holds one text for all its levels.
struct FileItem {
    UniqueFileHandle handle; // to the object itself: a link is never followed
    ACCESS_MASK access = 0;  // what `handle` was opened for
    DWORD attributes = 0;    // its own handle's answer, with any bits the test seam adds

    bool Has(ACCESS_MASK wanted) const { return (access & wanted) == wanted; }
};

// Opens `path` by name (a link as its last name is not followed) for
// `wanted`, or, when that is refused for another reason than absence, for
// JudgeAccess alone; then reads the attributes. Answers 0 or the Windows code
// of the open that failed. Seam: CreateFileA for the open that asks DELETE.
DWORD OpenItem(const std::string& path, ACCESS_MASK wanted, FileItem& item);

// The same for `name` in the folder open as `parent`, opened relative to
// that handle; `path` names the child. Seam: NtCreateFile_Delete.
DWORD OpenChildItem(HANDLE parent, const std::wstring& name, const std::string& path, ACCESS_MASK wanted,
                    FileItem& item);

// Deletes `name` in the folder open as `parent` the way the system deletes a
// file by name, in one open: whatever is there as long as it is no folder, a
// link as itself. False, with nothing changed, when that does not work out
// at once (a folder, a read-only file, one in use, refused); the caller then
// takes the full way. Seam: NtCreateFile_Delete and
// SetFileInformationByHandle_Disposition send it there.
bool DeleteChildFileAtOnce(HANDLE parent, const std::wstring& name, const std::string& path);

// A second handle for exactly `access` to the very object `item` holds,
// opened from its handle, never by name. Seam: NtCreateFile_Delete when it
// asks DELETE, for `path`, the item's.
DWORD ReopenItem(const FileItem& item, const std::string& path, ACCESS_MASK access, UniqueFileHandle& handle);

// `item`'s handle when it carries `access`, else a new one in `extra`; throws
// Windows::Error when that cannot be opened.
HANDLE HandleFor(const FileItem& item, const std::string& path, ACCESS_MASK access, UniqueFileHandle& extra);

// Clears FILE_ATTRIBUTE_READONLY through a handle opened with
// FILE_WRITE_ATTRIBUTES. Throws Windows::Error. Seam: SetFileInformationByHandle_Basic.
void ClearReadOnly(HANDLE handle, DWORD attributes, const std::string& path);

// Deletes the object `handle` refers to, with POSIX semantics where the system
// has them (the name goes at once), else as the system deletes at the last
// close. A folder must be empty. Throws Windows::Error.
// Seam: SetFileInformationByHandle_Disposition.
void DeleteByHandle(HANDLE handle, const std::string& path);

// Where the handle's object is, as a drive or share path; no value when the
// system cannot say.
std::optional<std::string> FinalPathOf(HANDLE handle);

// The same for an object the removal opened at `path`.
// Seam: GetFinalPathNameByHandleA answers for `path`.
std::optional<std::string> ReachedPathOf(HANDLE handle, const std::string& path);

} // namespace Windows
