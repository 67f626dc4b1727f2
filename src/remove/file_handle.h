// Files and folders reached by handle. A walk opens each child relative to
// its parent's handle without following a link, judges it by what its own
// handle answers, and changes it only through handles to that same object,
// so that nothing swapped in on the way can steer it elsewhere. No call here
// limits the length of a path.
#pragma once

#include "remove/file_system.h"
#include "support/owned_handle.h"

#include <windows.h>

#include <atomic>
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
    DWORD reparseTag = 0;    // the same, for a reparse point

    bool Has(ACCESS_MASK wanted) const { return (access & wanted) == wanted; }
    bool IsLink() const { return Windows::IsLink(attributes, reparseTag); }
};

// The Win32 code for an object another process has marked for deletion: it
// goes when the last handle to it closes, and no new handle opens it.
const DWORD DeletePendingCode = 303; // ERROR_DELETE_PENDING

// Gone, or going as soon as whoever still holds it lets go: as good as removed.
inline bool IsGone(DWORD code)
{
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == DeletePendingCode;
}

// How one volume takes deletes by handle. Learned from its first answers and
// kept for the rest of the run: one volume (FAT, a share) may refuse what
// another allows.
class VolumeDeletes {
public:
    enum Level {
        Classic,               // the name goes when the last handle closes
        Posix,                 // the name goes when this handle closes
        PosixIgnoringReadOnly, // the same, read-only or not (Windows 10 1809)
    };
    Level Current() const { return static_cast<Level>(level_.load(std::memory_order_relaxed)); }
    // Only ever downwards: the volume refused `from`.
    void Refused(Level from);

private:
    std::atomic<int> level_{PosixIgnoringReadOnly};
};

// The one for the volume with serial number `volume` (0 for one unknown).
VolumeDeletes& DeletesOn(ULONGLONG volume);

// Opens `path` by name (a link as its last name is not followed) for
// `wanted`, or, when that is refused for another reason than absence, for
// JudgeAccess alone; then reads the attributes. Answers 0 or the Windows code
// of the open that failed (DeletePendingCode for an object being deleted).
// Seam: CreateFileA for the open that asks DELETE.
DWORD OpenItem(const std::string& path, ACCESS_MASK wanted, FileItem& item);

// The same for `name` in the folder open as `parent`, opened relative to
// that handle; `path` names the child. Seam: NtCreateFile_Delete.
DWORD OpenChildItem(HANDLE parent, const std::wstring& name, const std::string& path, ACCESS_MASK wanted,
                    FileItem& item);

// Deletes `name` in the folder open as `parent` the way the system deletes a
// file by name: whatever is there as long as it is no folder, a link as
// itself, a read-only file only where `volume` ignores the attribute. False,
// with nothing changed, when that does not work out at once (a folder, a
// read-only file, one in use, refused); the caller then takes the full way.
// Seam: NtCreateFile_Delete and SetFileInformationByHandle_Disposition send
// it there.
bool DeleteChildFileAtOnce(HANDLE parent, const std::wstring& name, const std::string& path, bool listedReadOnly,
                           VolumeDeletes& volume);

// Whether `name` (at `path`) in the folder open as `parent` is gone or only
// waits for other handles to close before it goes. Seam: NtCreateFile_Delete
// answering DeletePendingCode for `path`.
bool IsGoingAway(HANDLE parent, const std::wstring& name, const std::string& path);

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

// Deletes the object `handle` refers to, with POSIX semantics and ignoring
// the read-only attribute where `volume` has them (the name goes at once),
// else as the system deletes at the last close. A folder must be empty.
// Answers 0 or the Windows code. Seam: SetFileInformationByHandle_Disposition
// fails the whole delete, SetFileInformationByHandle_DispositionEx the POSIX
// one (87 plays a volume that does not know it).
DWORD TryDeleteByHandle(HANDLE handle, const std::string& path, VolumeDeletes& volume);

// The same; throws Windows::Error.
void DeleteByHandle(HANDLE handle, const std::string& path, VolumeDeletes& volume);

// `path` opened by name for judging only, the last name's link followed or
// not; an empty holder when it does not open.
UniqueFileHandle OpenToJudge(const std::string& path, bool followLastName);

// Where the handle's object is, as a drive or share path; no value when the
// system cannot say.
std::optional<std::string> FinalPathOf(HANDLE handle);

// The same for an object the removal opened at `path`.
// Seam: GetFinalPathNameByHandleA answers for `path`.
std::optional<std::string> ReachedPathOf(HANDLE handle, const std::string& path);

} // namespace Windows
