// The one place where a test can change what a Win32 call answers.
//
// Wine grants every access and cannot create reparse points, so a test that
// needs "access denied", "ownership refused" or a folder entry that is a link
// arms this seam. The operations consult it right before the real call:
//
//     if (DWORD injected = WindowsPlatform::InjectedFailure(SeamCall::GetFileAttributesA, path)) {
//         SetLastError(injected);
//         return FALSE-like result;
//     }
//
// With nothing armed the check is one atomic load, so production code pays
// nothing measurable for it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace WindowsPlatform {

// The calls that consult the seam, one line each. A call consulted in two
// roles carries the role after an underscore.
#define ZEM_SEAM_CALLS(X)        \
    X(GetFileAttributesA)        \
    X(CreateFileA)               \
    X(NtCreateFile_Delete)       \
    X(GetFinalPathNameByHandleA) \
    X(GetFileInformationByHandleEx_List) \
    X(SetFileInformationByHandle_Basic) \
    X(SetFileInformationByHandle_Disposition) \
    X(SetFileInformationByHandle_DispositionEx) \
    X(GetFileInformationByHandle_Volume) \
    X(FindFirstFileA)            \
    X(RegOpenKeyExA)             \
    X(RegOpenKeyExA_Delete)      \
    X(RegEnumKeyExA)             \
    X(RegEnumKeyExW)             \
    X(RegDeleteKeyA)             \
    X(OpenProcessToken)          \
    X(AdjustTokenPrivileges)     \
    X(SetEntriesInAclA)          \
    X(SetKernelObjectSecurity_Owner) \
    X(SetKernelObjectSecurity_Dacl) \
    X(AssignProcessToJobObject)  \
    X(GetQueuedCompletionStatus) \
    X(ControlService)            \
    X(SHGetFolderPathA)          \
    X(GetUserObjectInformationA) \
    X(ProcessIdToSessionId)      \
    X(LoadLibraryExA)            \
    X(GetProcAddress)            \
    X(_beginthreadex)

enum class SeamCall {
#define ZEM_SEAM_ENUMERATOR(name) name,
    ZEM_SEAM_CALLS(ZEM_SEAM_ENUMERATOR)
#undef ZEM_SEAM_ENUMERATOR
};

// The call's name as written above, for messages.
const char* SeamCallName(SeamCall call);

// The error code a test asked `call` to fail with for `object` (a path, key or
// service name), or 0 to make the real call.
DWORD InjectedFailure(SeamCall call, const std::string& object = std::string());

// Attribute bits a test wants the folder entry at `path` to report in
// addition to its real ones (FILE_ATTRIBUTE_REPARSE_POINT, say), with the
// reparse tag that goes with them; 0 when nothing is armed for the path.
DWORD InjectedAttributes(const std::string& path, DWORD* reparseTag = nullptr);

// The answer a test wants `call` to give for `object` (compared exactly)
// instead of the system's, or no value to make the real call.
std::optional<std::string> InjectedAnswer(SeamCall call, const std::string& object);

// Whether any answer is armed. Lookups that keep their first answer for the
// rest of the run look afresh while one is, and keep nothing they saw then.
bool AnswersArmed();

// Makes `call` answer `answer` for `object` while it lives: a known folder of
// another account (SeamCall::SHGetFolderPathA, object the CSIDL in decimal),
// the window station's flags (SeamCall::GetUserObjectInformationA, object
// "UOI_FLAGS", the flags in decimal), the process's session
// (SeamCall::ProcessIdToSessionId, object "session"), the volume a walk's top
// lies on (SeamCall::GetFileInformationByHandle_Volume, object its path, the
// serial number in decimal).
class ScopedAnswer {
public:
    ScopedAnswer(SeamCall call, const std::string& object, const std::string& answer);
    ~ScopedAnswer();
    ScopedAnswer(const ScopedAnswer&) = delete;
    ScopedAnswer& operator=(const ScopedAnswer&) = delete;

    // How many calls this answer has replaced so far.
    int Hits() const;

private:
    int id_;
};

// The user name a test wants GetUserNameA to answer; false when nothing is
// armed and the system is to be asked.
bool InjectedUserName(std::string& name);

// Makes GetUserNameA answer `name` (for instance "SYSTEM") while it lives.
class ScopedUserName {
public:
    explicit ScopedUserName(const std::string& name);
    ~ScopedUserName();
    ScopedUserName(const ScopedUserName&) = delete;
    ScopedUserName& operator=(const ScopedUserName&) = delete;

private:
    int id_;
};

// Told of every rule that was armed to fire and was let go without firing:
// such a rule tested nothing. The test kit fails the running test here.
using UnfiredFailureHandler = void (*)(const std::string& description);
void SetUnfiredFailureHandler(UnfiredFailureHandler handler);

// Whether a rule must fire at least once before it is let go.
enum class Firing { Required, Optional };

// Makes `call` fail with `code` while it lives, for every object whose text
// contains `objectPart` (all objects when it is empty). `times` limits how many
// calls fail (negative: every call). A rule that must fire and never did is
// reported to the unfired-failure handler when it is let go; guards that must
// stay untouched are armed with Firing::Optional and checked with Hits().
class ScopedFailure {
public:
    ScopedFailure(SeamCall call, DWORD code, const std::string& objectPart = std::string(), int times = -1,
                  Firing firing = Firing::Required);
    ~ScopedFailure();
    ScopedFailure(const ScopedFailure&) = delete;
    ScopedFailure& operator=(const ScopedFailure&) = delete;

    // How many calls this rule has failed so far.
    int Hits() const;

private:
    int id_;
};

// Makes the object whose full path ends with `pathSuffix` (compared without
// regard to case) report `attributes` in addition to its own when its own
// handle is asked (FileAttributeTagInfo) or its path (GetFileAttributesA, a
// listing by path); a listing by handle still reports what is there, as when
// a link is swapped in after the listing was read.
class ScopedEntryAttributes {
public:
    ScopedEntryAttributes(const std::string& pathSuffix, DWORD attributes,
                          DWORD reparseTag = IO_REPARSE_TAG_MOUNT_POINT);
    ~ScopedEntryAttributes();
    ScopedEntryAttributes(const ScopedEntryAttributes&) = delete;
    ScopedEntryAttributes& operator=(const ScopedEntryAttributes&) = delete;

private:
    int id_;
};

} // namespace WindowsPlatform
