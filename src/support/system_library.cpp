#include "support/system_library.h"

#include "support/platform_seam.h"
#include "support/windows_error.h"

namespace WindowsPlatform {

namespace {

// Windows 7 has these only with a later update, and Windows 10 before 1511
// refuses the image-load policy; a static import of either would keep the
// program from starting there. Both are found at run time.
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetProcessMitigationPolicyFunction = BOOL(WINAPI*)(int, PVOID, SIZE_T);

// PROCESS_MITIGATION_POLICY's ProcessImageLoadPolicy and the flag of
// PROCESS_MITIGATION_IMAGE_LOAD_POLICY, spelt out: older headers lack them.
const int kProcessImageLoadPolicy = 10;
const DWORD kPreferSystem32Images = 0x4;

template <typename Function>
Function KernelFunction(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll"); // always loaded; not to be freed
    return kernel ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

} // namespace

void RestrictLibrarySearchToSystem()
{
    if (auto setDirectories = KernelFunction<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories"))
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    else
        SetDllDirectoryA(""); // at least not the current folder
    if (auto setPolicy = KernelFunction<SetProcessMitigationPolicyFunction>("SetProcessMitigationPolicy")) {
        DWORD policy = kPreferSystem32Images;
        setPolicy(kProcessImageLoadPolicy, &policy, sizeof policy);
    }
}

std::string SystemDirectory()
{
    char directory[MAX_PATH + 1] = {};
    UINT length = GetSystemDirectoryA(directory, sizeof directory);
    return length > 0 && length < sizeof directory ? std::string(directory, length) : std::string();
}

HMODULE LoadSystemLibrary(const std::string& name)
{
    HMODULE module = LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // A system without the search flags refuses them; the system directory
    // is then named in full.
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
        const bool fullPath = name.find('\\') != std::string::npos;
        std::string directory = SystemDirectory();
        if (fullPath || !directory.empty()) {
            std::string path = fullPath ? name : directory + "\\" + name;
            module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        }
    }
    return module;
}

void PreloadDelayedLibraries()
{
    // The libraries src/app/CMakeLists.txt delay-loads.
    for (const char* name : {"user32.dll", "gdi32.dll", "comctl32.dll", "oleaut32.dll"}) {
        if (DWORD injected = InjectedFailure(SeamCall::LoadLibraryExA, name))
            ThrowWindowsError(injected);
        // Never freed: the delay-load helper finds it loaded from then on.
        if (!LoadSystemLibrary(name))
            ThrowLastWindowsError();
    }
}

bool LoadDelayedLibraries()
{
    try {
        PreloadDelayedLibraries();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace WindowsPlatform
