#include "remove/file_handle.h"

#include "support/ntdll_calls.h"
#include "support/platform_seam.h"
#include "support/windows_error.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

static_assert(sizeof(FILE_ATTRIBUTE_TAG_INFO) == 8, "FILE_ATTRIBUTE_TAG_INFO");
static_assert(sizeof(FILE_BASIC_INFO) == 40, "FILE_BASIC_INFO");

namespace Windows {

namespace {

using WindowsPlatform::SeamCall;

// Newer than the headers this program is built with (Windows 10 1607).
const FILE_INFO_BY_HANDLE_CLASS DispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
const DWORD DispositionDelete = 0x1;
const DWORD DispositionPosixSemantics = 0x2;
const DWORD DispositionIgnoreReadOnly = 0x10;

const NTSTATUS StatusDeletePending = static_cast<NTSTATUS>(0xC0000056);

const ULONG ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The code of a failed open, from its Win32 code and the status behind it.
// Being deleted reads as "access denied" in Win32 terms; the walk needs to
// tell it apart.
DWORD OpenFailureCode(DWORD code, NTSTATUS status)
{
    return code == ERROR_ACCESS_DENIED && status == StatusDeletePending ? DeletePendingCode : code;
}

// `name` relative to `root`; an empty name re-opens the object `root` refers to.
DWORD OpenRelative(HANDLE root, const std::wstring& name, ACCESS_MASK access, UniqueFileHandle& handle,
                   ULONG extraOptions = 0)
{
    const WindowsPlatform::NtdllCalls& nt = WindowsPlatform::Ntdll();
    if (!nt.createFile)
        return ERROR_PROC_NOT_FOUND;
    UNICODE_STRING objectName;
    objectName.Buffer = const_cast<PWSTR>(name.c_str());
    objectName.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    objectName.MaximumLength = objectName.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, root, nullptr);
    IO_STATUS_BLOCK status = {};
    HANDLE opened = nullptr;
    // Asked for no more than needed: an owner change, say, must not fail for
    // want of a right the object's list does not grant.
    ULONG options = FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | extraOptions;
    if (access & SYNCHRONIZE)
        options |= FILE_SYNCHRONOUS_IO_NONALERT;
    NTSTATUS result =
        nt.createFile(&opened, access, &attributes, &status, nullptr, 0, ShareAll, FILE_OPEN, options, nullptr, 0);
    if (result < 0)
        return OpenFailureCode(WindowsPlatform::Win32CodeOf(result), result);
    handle.reset(opened);
    return ERROR_SUCCESS;
}

DWORD InjectedForDelete(SeamCall call, ACCESS_MASK access, const std::string& path)
{
    return (access & DELETE) ? WindowsPlatform::InjectedFailure(call, path) : 0;
}

DWORD ReadAttributes(FileItem& item, const std::string& path)
{
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!GetFileInformationByHandleEx(item.handle.get(), FileAttributeTagInfo, &tag, sizeof tag))
        return GetLastError();
    DWORD injectedTag = 0;
    DWORD injected = WindowsPlatform::InjectedAttributes(path, &injectedTag);
    item.attributes = tag.FileAttributes | injected;
    item.reparseTag = injected & FILE_ATTRIBUTE_REPARSE_POINT ? injectedTag : tag.ReparseTag;
    return ERROR_SUCCESS;
}

// Opens for `wanted`, else for judging only; absence is not retried.
template <typename Open>
DWORD OpenJudged(FileItem& item, const std::string& path, ACCESS_MASK wanted, Open open)
{
    wanted |= JudgeAccess | SYNCHRONIZE;
    DWORD code = open(wanted);
    if (code == ERROR_SUCCESS) {
        item.access = wanted;
    } else {
        if (IsGone(code))
            return code;
        code = open(JudgeAccess);
        if (code != ERROR_SUCCESS)
            return code;
        item.access = JudgeAccess;
    }
    return ReadAttributes(item, path);
}

} // namespace

DWORD OpenItem(const std::string& path, ACCESS_MASK wanted, FileItem& item)
{
    return OpenJudged(item, path, wanted, [&](ACCESS_MASK access) -> DWORD {
        if (DWORD injected = InjectedForDelete(SeamCall::CreateFileA, access, path))
            return injected;
        item.handle.reset(CreateFileA(path.c_str(), access, ShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (item.handle.valid())
            return ERROR_SUCCESS;
        return OpenFailureCode(GetLastError(), WindowsPlatform::LastNtStatus());
    });
}

DWORD OpenChildItem(HANDLE parent, const std::wstring& name, const std::string& path, ACCESS_MASK wanted,
                    FileItem& item)
{
    return OpenJudged(item, path, wanted, [&](ACCESS_MASK access) -> DWORD {
        if (DWORD injected = InjectedForDelete(SeamCall::NtCreateFile_Delete, access, path))
            return injected;
        return OpenRelative(parent, name, access, item.handle);
    });
}

bool DeleteChildFileAtOnce(HANDLE parent, const std::wstring& name, const std::string& path, bool listedReadOnly,
                           VolumeDeletes& volume)
{
    if (WindowsPlatform::InjectedFailure(SeamCall::NtCreateFile_Delete, path) ||
        WindowsPlatform::InjectedFailure(SeamCall::SetFileInformationByHandle_Disposition, path))
        return false;
    const VolumeDeletes::Level level = volume.Current();
    if (listedReadOnly && level != VolumeDeletes::PosixIgnoringReadOnly)
        return false;
    // A folder (a junction too) does not open as a file; one in use does not
    // open for deletion.
    UniqueFileHandle handle;
    if (level == VolumeDeletes::Classic)
        return OpenRelative(parent, name, DELETE, handle, FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE) ==
               ERROR_SUCCESS;
    return OpenRelative(parent, name, DELETE, handle, FILE_NON_DIRECTORY_FILE) == ERROR_SUCCESS &&
           TryDeleteByHandle(handle.get(), path, volume) == ERROR_SUCCESS;
}

bool IsGoingAway(HANDLE parent, const std::wstring& name, const std::string& path)
{
    if (WindowsPlatform::InjectedFailure(SeamCall::NtCreateFile_Delete, path) == DeletePendingCode)
        return true;
    UniqueFileHandle handle;
    DWORD code = OpenRelative(parent, name, FILE_READ_ATTRIBUTES, handle);
    if (IsGone(code))
        return true;
    FILE_STANDARD_INFO standard = {};
    return code == ERROR_SUCCESS &&
           GetFileInformationByHandleEx(handle.get(), FileStandardInfo, &standard, sizeof standard) &&
           standard.DeletePending;
}

DWORD ReopenItem(const FileItem& item, const std::string& path, ACCESS_MASK access, UniqueFileHandle& handle)
{
    if (DWORD injected = InjectedForDelete(SeamCall::NtCreateFile_Delete, access, path))
        return injected;
    return OpenRelative(item.handle.get(), std::wstring(), access, handle);
}

HANDLE HandleFor(const FileItem& item, const std::string& path, ACCESS_MASK access, UniqueFileHandle& extra)
{
    if (item.Has(access))
        return item.handle.get();
    ThrowWindowsError(ReopenItem(item, path, access, extra));
    return extra.get();
}

void ClearReadOnly(HANDLE handle, DWORD attributes, const std::string& path)
{
    if (DWORD injected = WindowsPlatform::InjectedFailure(SeamCall::SetFileInformationByHandle_Basic, path))
        ThrowWindowsError(injected);
    // Zero times leave the times as they are; zero attributes would too.
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    CheckWindowsResult(SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic));
}

void VolumeDeletes::Refused(Level from)
{
    int expected = from;
    level_.compare_exchange_strong(expected, from - 1, std::memory_order_relaxed);
}

VolumeDeletes& DeletesOn(ULONGLONG volume)
{
    static std::mutex lock;
    static std::map<ULONGLONG, std::unique_ptr<VolumeDeletes>> volumes;
    std::lock_guard<std::mutex> guard(lock);
    std::unique_ptr<VolumeDeletes>& deletes = volumes[volume];
    if (!deletes)
        deletes.reset(new VolumeDeletes);
    return *deletes;
}

DWORD TryDeleteByHandle(HANDLE handle, const std::string& path, VolumeDeletes& volume)
{
    if (DWORD injected = WindowsPlatform::InjectedFailure(SeamCall::SetFileInformationByHandle_Disposition, path))
        return injected;
    for (;;) {
        const VolumeDeletes::Level level = volume.Current();
        if (level == VolumeDeletes::Classic)
            break;
        DWORD flags = DispositionDelete | DispositionPosixSemantics;
        if (level == VolumeDeletes::PosixIgnoringReadOnly)
            flags |= DispositionIgnoreReadOnly;
        DWORD code = WindowsPlatform::InjectedFailure(SeamCall::SetFileInformationByHandle_DispositionEx, path);
        if (code == 0)
            code = SetFileInformationByHandle(handle, DispositionInfoEx, &flags, sizeof flags) ? ERROR_SUCCESS
                                                                                                : GetLastError();
        // Systems before Windows 10 1607 (and Wine before 9) know neither the
        // class nor its flags, those before 1809 not the last flag; file
        // systems without POSIX deletion (FAT, shares) answer one of the others.
        if (code == ERROR_INVALID_PARAMETER || code == ERROR_NOT_SUPPORTED || code == ERROR_INVALID_FUNCTION)
            volume.Refused(level);
        else
            return code;
    }
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) ? ERROR_SUCCESS
                                                                                                    : GetLastError();
}

void DeleteByHandle(HANDLE handle, const std::string& path, VolumeDeletes& volume)
{
    if (DWORD code = TryDeleteByHandle(handle, path, volume))
        ThrowWindowsError(code);
}

UniqueFileHandle OpenToJudge(const std::string& path, bool followLastName)
{
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLastName ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    return UniqueFileHandle(
        CreateFileA(path.c_str(), JudgeAccess, ShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
}

std::optional<std::string> FinalPathOf(HANDLE handle)
{
    std::vector<char> buffer(MAX_PATH);
    DWORD length = 0;
    for (;;) {
        length = GetFinalPathNameByHandleA(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return std::nullopt;
        if (length < buffer.size())
            break;
        buffer.resize(length + 1);
    }
    std::string reached(buffer.data(), length);
    if (reached.compare(0, 8, "\\\\?\\UNC\\") == 0)
        return "\\\\" + reached.substr(8);
    if (reached.compare(0, 4, "\\\\?\\") == 0)
        return reached.substr(4);
    return reached;
}

std::optional<std::string> ReachedPathOf(HANDLE handle, const std::string& path)
{
    if (std::optional<std::string> answer = WindowsPlatform::InjectedAnswer(SeamCall::GetFinalPathNameByHandleA, path))
        return answer;
    return FinalPathOf(handle);
}

} // namespace Windows
