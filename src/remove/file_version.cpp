#include "remove/file_version.h"

#include "support/exceptions.h"
#include "support/owned_handle.h"
#include "support/system_library.h"
#include "support/windows_error.h"

#include <vector>

namespace {

using GetFileVersionInfoSizeCall = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using GetFileVersionInfoCall = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using VerQueryValueCall = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

template <typename Call>
Call FindCall(HMODULE module, const char* name)
{
    FARPROC found = GetProcAddress(module, name);
    if (!found)
        throw NoSuchProcAddress();
    return reinterpret_cast<Call>(reinterpret_cast<void*>(found));
}

// Present in the sense of a file existence test: a file or a folder.
bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

namespace Windows {

std::string FileVersionText(const FileVersion& version)
{
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." + std::to_string(version.build) +
           "." + std::to_string(version.revision);
}

FileVersion GetFileVersion(const std::string& path)
{
    // The ANSI calls take at most MAX_PATH characters; never let a longer
    // path be cut into the name of some other file.
    if (path.size() >= MAX_PATH)
        ThrowWindowsError(ERROR_FILENAME_EXCED_RANGE);

    UniqueModule library(WindowsPlatform::LoadSystemLibrary("version.dll"));
    if (!library)
        ThrowLastWindowsError();
    auto getSize = FindCall<GetFileVersionInfoSizeCall>(library.get(), "GetFileVersionInfoSizeA");
    auto getInfo = FindCall<GetFileVersionInfoCall>(library.get(), "GetFileVersionInfoA");
    auto queryValue = FindCall<VerQueryValueCall>(library.get(), "VerQueryValueA");

    DWORD handle = 0;
    DWORD size = getSize(path.c_str(), &handle);
    if (size == 0)
        ThrowLastWindowsError();
    std::vector<BYTE> block(size);
    CheckWindowsResult(getInfo(path.c_str(), 0, size, block.data()));
    void* fixed = nullptr;
    UINT fixedSize = 0;
    CheckWindowsResult(queryValue(block.data(), "\\", &fixed, &fixedSize));
    if (!fixed || fixedSize < sizeof(VS_FIXEDFILEINFO))
        ThrowWindowsError(ERROR_RESOURCE_DATA_NOT_FOUND);

    const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    FileVersion version;
    version.major = HIWORD(info->dwFileVersionMS);
    version.minor = LOWORD(info->dwFileVersionMS);
    version.build = HIWORD(info->dwFileVersionLS);
    version.revision = LOWORD(info->dwFileVersionLS);
    return version;
}

} // namespace Windows

namespace Remove {

std::optional<std::string> ReadFileVersion(const std::string& path, Log& log)
{
    log << "Trying to read the version of file \"" << path << "\"...";
    std::optional<std::string> version;
    if (PathExists(path)) {
        try {
            version = Windows::FileVersionText(Windows::GetFileVersion(path));
            log << "file has version " << *version;
        } catch (...) {
            log << "file exists, but failed to read version: " << DescribeCurrentException();
        }
    } else {
        log << "file not found";
    }
    log << LineEnd;
    return version;
}

} // namespace Remove
