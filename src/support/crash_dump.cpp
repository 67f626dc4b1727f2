#include "support/crash_dump.h"

#include "support/exceptions.h"
#include "support/owned_handle.h"
#include "support/platform_seam.h"
#include "support/system_library.h"

#include <dbghelp.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace WindowsPlatform {

namespace {

const char SuiteKey[] = "Software\\Varnek";
const char IndexKey[] = "Software\\Varnek\\Minidumps";
const DWORD DefaultWriteMiniDumps = 1;
const DWORD DefaultMaxDumpFiles = 5;
const DWORD DefaultDumpType = 0;
// With no limit the index still wraps, just before the largest 32-bit value.
const unsigned long long NoLimitModulus = 0xFFFFFFFFull;
const DWORD UserNameSize = 257;
const std::size_t StemLimit = 257;

thread_local int deliveryDepth = 0;
// A throw inside the dump writer itself must not start another dump.
thread_local bool writingDump = false;

using MiniDumpWriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                                PMINIDUMP_EXCEPTION_INFORMATION, PMINIDUMP_USER_STREAM_INFORMATION,
                                                PMINIDUMP_CALLBACK_INFORMATION);
using PathFindFileNameFunction = LPSTR(WINAPI*)(LPCSTR);
using PathAppendFunction = BOOL(WINAPI*)(LPSTR, LPCSTR);
using PathRenameExtensionFunction = BOOL(WINAPI*)(LPSTR, LPCSTR);
using GetFolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

// Loaded from the system directory on each dump and never unloaded: a dump is written in the
// middle of a throw, where releasing a library buys nothing.
template <typename Function>
Function FindFunction(const char* library, const char* name)
{
    if (InjectedFailure(SeamCall::GetProcAddress, name))
        return nullptr;
    HMODULE module = LoadSystemLibrary(library);
    if (!module)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct DumpFunctions {
    MiniDumpWriteDumpFunction writeDump = FindFunction<MiniDumpWriteDumpFunction>("dbghelp.dll", "MiniDumpWriteDump");
    PathFindFileNameFunction findFileName = FindFunction<PathFindFileNameFunction>("shlwapi.dll", "PathFindFileNameA");
    PathAppendFunction append = FindFunction<PathAppendFunction>("shlwapi.dll", "PathAppendA");
    PathRenameExtensionFunction renameExtension =
        FindFunction<PathRenameExtensionFunction>("shlwapi.dll", "PathRenameExtensionA");
    GetFolderPathFunction folderPath = FindFunction<GetFolderPathFunction>("shell32.dll", "SHGetFolderPathA");

    bool Complete() const { return writeDump && findFileName && append && renameExtension && folderPath; }
};

// A 32-bit value, or `fallback` when the key or the value cannot be read.
// The machine-wide settings live where the suite's 32-bit setups write them.
DWORD ReadDword(HKEY root, const char* subkey, const char* name, DWORD fallback)
{
    REGSAM view = root == HKEY_LOCAL_MACHINE ? KEY_WOW64_32KEY : 0;
    Windows::UniqueRegistryKey key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
        return fallback;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return fallback;
    return value;
}

bool DumpsAreOn()
{
    return ReadDword(HKEY_LOCAL_MACHINE, SuiteKey, "WriteMiniDumps", DefaultWriteMiniDumps) != 0;
}

// Whether the process runs as the user "SYSTEM"; false when the name is unknown.
bool FindUser(bool& system)
{
    std::string injected;
    if (InjectedUserName(injected)) {
        system = injected == "SYSTEM";
        return true;
    }
    char user[UserNameSize] = {};
    DWORD size = UserNameSize;
    if (!GetUserNameA(user, &size))
        return false;
    system = std::strcmp(user, "SYSTEM") == 0;
    return true;
}

// The path the dump's name is made from: the executable's own path when
// running as SYSTEM, else the local application data + "Varnek" + its name.
bool FindStartPath(const DumpFunctions& functions, char (&path)[MAX_PATH], char (&executable)[MAX_PATH],
                   const char*& programName)
{
    bool system = false;
    if (!FindUser(system))
        return false;
    DWORD length = GetModuleFileNameA(nullptr, executable, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    programName = functions.findFileName(executable);
    if (!programName || programName == executable)
        return false;
    if (system) {
        std::memcpy(path, executable, length + 1);
        return true;
    }
    if (FAILED(functions.folderPath(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                    path)))
        return false;
    if (!functions.append(path, "Varnek"))
        return false;
    if (!CreateDirectoryA(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    return functions.append(path, programName) != FALSE;
}

// The index of this dump; the next one is stored at once, so a later failure
// leaves it advanced. A key that cannot be created gives 0 and stores nothing.
DWORD TakeDumpIndex(const char* programName, DWORD maxFiles)
{
    Windows::UniqueRegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, IndexKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return 0;
    DWORD index = 0;
    DWORD size = sizeof index;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key.get(), programName, nullptr, &type, reinterpret_cast<BYTE*>(&index), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof index)
        index = 0;
    // An index left from a larger limit is brought into range, so that no
    // more than the limit's number of files ever stays.
    unsigned long long modulus = maxFiles == 0 ? NoLimitModulus : maxFiles;
    if (maxFiles != 0)
        index %= maxFiles;
    DWORD next = static_cast<DWORD>((index + 1ull) % modulus);
    RegSetValueExA(key.get(), programName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&next), sizeof next);
    return index;
}

// "<stem>_<index>.dmp", or "<stem>.dmp" when a single file is kept.
bool FormDumpPath(const DumpFunctions& functions, char (&path)[MAX_PATH], const char* programName, DWORD maxFiles)
{
    if (maxFiles != 1) {
        DWORD index = TakeDumpIndex(programName, maxFiles);
        char* name = functions.findFileName(path);
        if (char* extension = std::strrchr(name, '.'))
            *extension = '\0';
        std::size_t stemLength = std::strlen(path);
        if (stemLength > StemLimit)
            return false;
        int written =
            std::snprintf(path + stemLength, MAX_PATH - stemLength, "_%lu", static_cast<unsigned long>(index));
        if (written < 0 || static_cast<std::size_t>(written) >= MAX_PATH - stemLength)
            return false;
    }
    return functions.renameExtension(path, ".dmp") != FALSE;
}

} // namespace

bool IsDumpable(const EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD* record = pointers ? pointers->ExceptionRecord : nullptr;
    if (!record || record->ExceptionCode != ProgramThrowCode ||
        record->NumberParameters != ProgramThrowParameterCount)
        return false;
    void* object = reinterpret_cast<void*>(record->ExceptionInformation[0]);
    const std::type_info* type = reinterpret_cast<const std::type_info*>(record->ExceptionInformation[1]);
    if (!object || !type)
        return false;
    return !ThrownObjectIsA(typeid(NonDumpableException), *type, object);
}

LONG DumpFilter(EXCEPTION_POINTERS* pointers)
{
    if (!IsDumpable(pointers) || !DumpsAreOn())
        return EXCEPTION_CONTINUE_SEARCH;
    WriteDump(pointers, ReadDword(HKEY_CURRENT_USER, SuiteKey, "MINIDUMP_TYPE", DefaultDumpType));
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WriteDump(EXCEPTION_POINTERS* pointers, DWORD dumpType)
{
    try {
        if (!IsDumpable(pointers) || !DumpsAreOn())
            return 0;
        DumpFunctions functions;
        if (!functions.Complete())
            return 0;
        char path[MAX_PATH] = {};
        char executable[MAX_PATH] = {};
        const char* programName = nullptr;
        if (!FindStartPath(functions, path, executable, programName))
            return 0;
        DWORD maxFiles = ReadDword(HKEY_LOCAL_MACHINE, SuiteKey, "MaxDumpFiles", DefaultMaxDumpFiles);
        if (!FormDumpPath(functions, path, programName, maxFiles))
            return 0;
        Windows::UniqueFileHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return 0;
        MINIDUMP_EXCEPTION_INFORMATION exception = {};
        exception.ThreadId = GetCurrentThreadId();
        exception.ExceptionPointers = pointers;
        exception.ClientPointers = FALSE;
        functions.writeDump(GetCurrentProcess(), GetCurrentProcessId(), file.get(),
                            static_cast<MINIDUMP_TYPE>(dumpType), &exception, nullptr, nullptr);
    } catch (...) {
        // A dump is a courtesy: no failure of it may change what the program does.
    }
    return 0;
}

NotificationDumpScope::NotificationDumpScope() noexcept
{
    ++deliveryDepth;
}

NotificationDumpScope::~NotificationDumpScope()
{
    --deliveryDepth;
}

void OnProgramThrow(void* object, const std::type_info& type, void* throwSite) noexcept
{
    if (deliveryDepth == 0 || writingDump)
        return;
    writingDump = true;
    try {
        EXCEPTION_RECORD record = {};
        record.ExceptionCode = ProgramThrowCode;
        record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
        record.ExceptionAddress = throwSite;
        record.NumberParameters = ProgramThrowParameterCount;
        record.ExceptionInformation[0] = reinterpret_cast<ULONG_PTR>(object);
        record.ExceptionInformation[1] = reinterpret_cast<ULONG_PTR>(&type);
        CONTEXT context = {};
        RtlCaptureContext(&context);
        EXCEPTION_POINTERS pointers = {&record, &context};
        DumpFilter(&pointers);
    } catch (...) {
        // Nothing may stop the original throw from going on.
    }
    writingDump = false;
}

} // namespace WindowsPlatform
