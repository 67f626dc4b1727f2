#include "remove/known_folders.h"

#include "support/owned_handle.h"
#include "support/platform_seam.h"

#include <windows.h>
#include <shlobj.h>

namespace Windows {

namespace {

using GetFolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

} // namespace

std::optional<std::string> GetKnownFolder(int csidl)
{
    if (WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::SHGetFolderPathA, std::to_string(csidl)))
        return std::nullopt;
    UniqueModule shell(LoadLibraryA("shell32.dll"));
    if (!shell)
        return std::nullopt;
    auto getFolderPath =
        reinterpret_cast<GetFolderPathFunction>(reinterpret_cast<void*>(GetProcAddress(shell.get(), "SHGetFolderPathA")));
    if (!getFolderPath)
        return std::nullopt;
    char path[MAX_PATH] = {};
    if (FAILED(getFolderPath(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::nullopt;
    return std::string(path);
}

const std::optional<std::string>& ProgramFilesFolder()
{
    // The 32-bit folder, the one the suite installs into, whatever the
    // bitness of this build; systems that predate the x86 folder id answer
    // the plain one, which is the same folder there.
    static const std::optional<std::string> folder = [] {
        std::optional<std::string> x86 = GetKnownFolder(CSIDL_PROGRAM_FILESX86);
        return x86 ? x86 : GetKnownFolder(CSIDL_PROGRAM_FILES);
    }();
    return folder;
}

const std::optional<std::string>& LocalAppDataFolder()
{
    static const std::optional<std::string> folder = GetKnownFolder(CSIDL_LOCAL_APPDATA);
    return folder;
}

} // namespace Windows
