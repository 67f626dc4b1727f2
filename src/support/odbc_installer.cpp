#include "support/odbc_installer.h"

#include "support/message_box.h"
#include "support/owned_handle.h"
#include "support/system_library.h"

#include <cstdint>
#include <vector>

namespace WindowsPlatform {

namespace {

const char InstallerErrorCaption[] = "ODBC Installer Error";
const std::size_t PathLimit = 522;
const std::size_t MissingFunctionTextLimit = 783;
// A genuine installer library is far larger; a smaller file without version
// information is a stub that must not shadow the real one.
const DWORD SuspiciousFileSize = 20000;

// The version functions of "version.dll", found at run time.
class VersionFunctions {
public:
    VersionFunctions() : module_(LoadSystemLibrary("version.dll"))
    {
        if (!module_)
            return;
        getSize_ = reinterpret_cast<GetSizeFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_.get(), "GetFileVersionInfoSizeA")));
        getInfo_ = reinterpret_cast<GetInfoFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_.get(), "GetFileVersionInfoA")));
        query_ = reinterpret_cast<QueryFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_.get(), "VerQueryValueA")));
    }

    bool Available() const noexcept { return getSize_ && getInfo_ && query_; }

    DWORD InfoSize(const std::string& path) const
    {
        DWORD ignored = 0;
        return getSize_(path.c_str(), &ignored);
    }

    // The file version, most significant half first; false when unreadable.
    bool FileVersion(const std::string& path, std::uint64_t& version) const
    {
        DWORD size = InfoSize(path);
        if (size == 0)
            return false;
        std::vector<char> block(size);
        if (!getInfo_(path.c_str(), 0, size, block.data()))
            return false;
        void* value = nullptr;
        UINT length = 0;
        if (!query_(block.data(), "\\", &value, &length) || value == nullptr || length < sizeof(VS_FIXEDFILEINFO))
            return false;
        const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(value);
        version = (static_cast<std::uint64_t>(info->dwFileVersionMS) << 32) | info->dwFileVersionLS;
        return true;
    }

private:
    using GetSizeFunction = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using GetInfoFunction = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

    Windows::UniqueModule module_;
    GetSizeFunction getSize_ = nullptr;
    GetInfoFunction getInfo_ = nullptr;
    QueryFunction query_ = nullptr;
};

std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length);
}

// A small system copy without version information is moved aside to
// "odbccp32.bad" so that it cannot be loaded.
void SetAsideStubCopy(const std::string& systemPath, const VersionFunctions& versions)
{
    Windows::UniqueFileHandle file(CreateFileA(systemPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS, nullptr));
    if (!file)
        return;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart >= SuspiciousFileSize)
        return;
    if (versions.Available() && versions.InfoSize(systemPath) != 0)
        return;
    // Our own handle would stand in the way of the move.
    file.reset();
    std::string badPath = systemPath.substr(0, systemPath.find_last_of('\\')) + "\\odbccp32.bad";
    MoveFileExA(systemPath.c_str(), badPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
}

// Keeps the newer of two different copies; the one the loader found wins
// ties and whenever the versions cannot be compared.
HMODULE ChooseCopy(HMODULE byName, HMODULE bySystemPath, const VersionFunctions& versions)
{
    std::uint64_t nameVersion = 0;
    std::uint64_t systemVersion = 0;
    bool systemIsNewer = versions.Available() && versions.FileVersion(ModulePath(byName), nameVersion) &&
                         versions.FileVersion(ModulePath(bySystemPath), systemVersion) &&
                         systemVersion > nameVersion;
    if (systemIsNewer) {
        FreeLibrary(byName);
        return bySystemPath;
    }
    FreeLibrary(bySystemPath);
    return byName;
}

} // namespace

ODBCInstallerLibrary::ODBCInstallerLibrary(std::string searchedName, std::string systemPath)
    : searchedName_(std::move(searchedName)), systemPath_(std::move(systemPath))
{
}

ODBCInstallerLibrary::~ODBCInstallerLibrary()
{
    if (module_)
        FreeLibrary(module_);
}

HMODULE ODBCInstallerLibrary::Load()
{
    VersionFunctions versions;
    const std::string systemPath = systemPath_.size() <= PathLimit ? systemPath_ : std::string();
    if (!systemPath.empty())
        SetAsideStubCopy(systemPath, versions);

    HMODULE byName = LoadSystemLibrary(searchedName_);
    HMODULE bySystemPath = systemPath.empty() ? nullptr : LoadSystemLibrary(systemPath);
    if (!byName || !bySystemPath)
        return byName ? byName : bySystemPath;
    if (byName == bySystemPath) {
        FreeLibrary(bySystemPath);
        return byName;
    }
    return ChooseCopy(byName, bySystemPath, versions);
}

FARPROC ODBCInstallerLibrary::Function(const char* name)
{
    if (!module_)
        module_ = Load();
    if (!module_) {
        ShowMessageBox("The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system.",
                       InstallerErrorCaption, MB_OK | MB_ICONINFORMATION);
        return nullptr;
    }
    FARPROC function = GetProcAddress(module_, name);
    if (!function) {
        std::string text = "The program " + ModulePath(nullptr) +
                           ", or one of its DLLs attempted to call the function " + name +
                           " which is not supported in the loaded ODBC installer DLL (" + ModulePath(module_) +
                           "). Press OK to proceed.";
        if (text.size() > MissingFunctionTextLimit)
            text.resize(MissingFunctionTextLimit);
        ShowMessageBox(text, InstallerErrorCaption, MB_OK | MB_ICONINFORMATION);
    }
    return function;
}

ODBCInstallerLibrary& ProcessODBCInstallerLibrary()
{
    // Deliberately never destroyed: unloading the library at exit gains nothing.
    static ODBCInstallerLibrary* library = [] {
        // A failed or cut-off answer leaves only the copy the loader finds.
        std::string directory = SystemDirectory();
        return new ODBCInstallerLibrary("odbccp32.dll", directory.empty() ? directory : directory + "\\odbccp32.dll");
    }();
    return *library;
}

bool SQLRemoveDSNFromIni(const std::string& dataSourceName)
{
    using RemoveFunction = BOOL(WINAPI*)(LPCSTR);
    auto remove = reinterpret_cast<RemoveFunction>(
        reinterpret_cast<void*>(ProcessODBCInstallerLibrary().Function("SQLRemoveDSNFromIni")));
    if (!remove)
        return false;
    return remove(dataSourceName.c_str()) != FALSE;
}

} // namespace WindowsPlatform
