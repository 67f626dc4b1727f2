#include "remove/file_identity.h"

#include "remove/file_handle.h"
#include "support/platform_seam.h"

#include <cstdlib>
#include <cstring>

namespace Windows {

namespace {

// Newer than the headers this program is built with (Windows 8).
struct FileIdInformation {
    ULONGLONG VolumeSerialNumber;
    BYTE FileId[16];
};
const FILE_INFO_BY_HANDLE_CLASS IdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);

} // namespace

static_assert(sizeof(FileIdInformation) == 24, "FILE_ID_INFO");
static_assert(sizeof(FILE_STANDARD_INFO) == 24, "FILE_STANDARD_INFO");

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return volume == other.volume && std::memcmp(file, other.file, sizeof file) == 0;
}

std::optional<FileIdentity> IdentityOf(HANDLE handle, const std::string& path)
{
    FileIdentity identity;
    // The 128-bit ID where the file system has one (ReFS IDs do not fit in 64 bits).
    FileIdInformation id = {};
    if (GetFileInformationByHandleEx(handle, IdInfo, &id, sizeof id)) {
        identity.volume = id.VolumeSerialNumber;
        std::memcpy(identity.file, id.FileId, sizeof identity.file);
    } else {
        BY_HANDLE_FILE_INFORMATION information = {};
        if (!GetFileInformationByHandle(handle, &information))
            return std::nullopt;
        identity.volume = information.dwVolumeSerialNumber;
        ULONGLONG index = (ULONGLONG(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
        std::memcpy(identity.file, &index, sizeof index);
    }
    if (!path.empty()) {
        if (std::optional<std::string> volume =
                WindowsPlatform::InjectedAnswer(WindowsPlatform::SeamCall::GetFileInformationByHandle_Volume, path))
            identity.volume = std::strtoull(volume->c_str(), nullptr, 10);
    }
    return identity;
}

std::optional<FileIdentity> IdentityAt(const std::string& path, bool followLastName)
{
    UniqueFileHandle handle = OpenToJudge(path, followLastName);
    if (!handle)
        return std::nullopt;
    return IdentityOf(handle.get());
}

DWORD LinkCountOf(HANDLE handle)
{
    FILE_STANDARD_INFO standard = {};
    if (!GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))
        return 0;
    return standard.NumberOfLinks;
}

} // namespace Windows
