#include "remove/known_folders.h"

#include "support/owned_handle.h"
#include "support/platform_seam.h"
#include "support/system_library.h"

#include <windows.h>
#include <shlobj.h>

namespace Windows {

namespace {

using GetFolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

} // namespace

std::optional<std::string> GetKnownFolder(int csidl)
{
    if (std::optional<std::string> answer = WindowsPlatform::InjectedAnswer(WindowsPlatform::SeamCall::SHGetFolderPathA, std::to_string(csidl)))
        return answer;
    if (WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::SHGetFolderPathA, std::to_string(csidl)))
        return std::nullopt;
    UniqueModule shell(WindowsPlatform::LoadSystemLibrary("shell32.dll"));
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

namespace {

// The 32-bit folder, the one the suite installs into, whatever the bitness of
// this build; systems that predate the x86 folder id answer the plain one,
// which is the same folder there.
std::optional<std::string> LookUpProgramFiles()
{
    std::optional<std::string> x86 = GetKnownFolder(CSIDL_PROGRAM_FILESX86);
    return x86 ? x86 : GetKnownFolder(CSIDL_PROGRAM_FILES);
}

std::optional<std::string> LookUpLocalAppData()
{
    return GetKnownFolder(CSIDL_LOCAL_APPDATA);
}

} // namespace

// The first answer holds for the run. While a test arms answers (another
// account's folders), each lookup is made afresh and nothing is kept.
const std::optional<std::string>& ProgramFilesFolder()
{
    if (WindowsPlatform::AnswersArmed()) {
        static std::optional<std::string> answered;
        answered = LookUpProgramFiles();
        return answered;
    }
    static const std::optional<std::string> folder = LookUpProgramFiles();
    return folder;
}

const std::optional<std::string>& LocalAppDataFolder()
{
    if (WindowsPlatform::AnswersArmed()) {
        static std::optional<std::string> answered;
        answered = LookUpLocalAppData();
        return answered;
    }
    static const std::optional<std::string> folder = LookUpLocalAppData();
    return folder;
}

} // namespace Windows
