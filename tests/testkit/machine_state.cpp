#include "testkit/machine_state.h"

#include "testkit/scratch.h"

#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <stdexcept>

namespace MachineState {

namespace {

const REGSAM kView = KEY_WOW64_32KEY;

std::set<std::string>& TrackedUninstallEntries()
{
    static std::set<std::string> entries;
    return entries;
}

std::set<std::string>& TrackedInstallerProducts()
{
    static std::set<std::string> products;
    return products;
}

HKEY CreateOrOpen(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    LONG result =
        RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + path);
    return key;
}

std::string KnownFolder(int csidl)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path)))
        throw std::runtime_error("no known folder");
    return path;
}

} // namespace

void CreateKey(HKEY root, const std::string& path)
{
    RegCloseKey(CreateOrOpen(root, path));
}

void SetString(HKEY root, const std::string& path, const std::string& name, const std::string& value, DWORD type)
{
    HKEY key = CreateOrOpen(root, path);
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value)
{
    HKEY key = CreateOrOpen(root, path);
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | kView, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ValueExists(HKEY root, const std::string& path, const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | kView, &key) != ERROR_SUCCESS)
        return false;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | kView, &key) != ERROR_SUCCESS)
        return;
    RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyExA(root, path.c_str(), kView, 0);
}

std::string AddUninstallEntry(const UninstallEntry& entry)
{
    std::string name = UniqueTestName("ZEMTestEntry");
    std::string path = std::string(kUninstallKey) + "\\" + name;
    SetString(HKEY_LOCAL_MACHINE, path, "DisplayName", entry.displayName);
    if (!entry.displayVersion.empty())
        SetString(HKEY_LOCAL_MACHINE, path, "DisplayVersion", entry.displayVersion);
    if (!entry.installLocation.empty())
        SetString(HKEY_LOCAL_MACHINE, path, "InstallLocation", entry.installLocation);
    if (!entry.uninstallString.empty())
        SetString(HKEY_LOCAL_MACHINE, path, "UninstallString", entry.uninstallString);
    TrackedUninstallEntries().insert(name);
    return name;
}

std::string AddInstallerProduct(const std::string& productName)
{
    static std::atomic<unsigned> counter{0};
    char code[40];
    std::snprintf(code, sizeof code, "ABCDEF%08lX%010u", static_cast<unsigned long>(GetCurrentProcessId()),
                  counter.fetch_add(1));
    std::string path = std::string(kInstallerProductsKey) + "\\" + code;
    SetString(HKEY_LOCAL_MACHINE, path, "ProductName", productName);
    TrackedInstallerProducts().insert(code);
    return code;
}

void MakeFolder(const std::string& path)
{
    size_t start = path.find('\\', 3);
    while (start != std::string::npos) {
        CreateDirectoryA(path.substr(0, start).c_str(), nullptr);
        start = path.find('\\', start + 1);
    }
    CreateDirectoryA(path.c_str(), nullptr);
}

void MakeFile(const std::string& path, const std::string& content)
{
    MakeFolder(path.substr(0, path.find_last_of('\\')));
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot create " + path);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFile(const std::string& path)
{
    std::string content;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return content;
    char buffer[4096];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        content.append(buffer, read);
    std::fclose(file);
    return content;
}

std::string ProgramFiles32()
{
#if defined(_WIN64)
    return KnownFolder(CSIDL_PROGRAM_FILESX86);
#else
    return KnownFolder(CSIDL_PROGRAM_FILES);
#endif
}

std::string LocalAppData()
{
    return KnownFolder(CSIDL_LOCAL_APPDATA);
}

std::string TempFolder()
{
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    std::string folder = path;
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

std::string TestBinFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

} // namespace MachineState

CleanSuiteMachine::CleanSuiteMachine()
{
    Wipe();
}

CleanSuiteMachine::~CleanSuiteMachine()
{
    Wipe();
}

void CleanSuiteMachine::Wipe()
{
    using namespace MachineState;
    for (const char* key : {"SOFTWARE\\Varnek", "SOFTWARE\\Varnek, Inc.", "SYSTEM\\CurrentControlSet\\Services\\ZEMClientHelper"})
        DeleteTree(HKEY_LOCAL_MACHINE, key);
    for (const char* exe : {"ZEMClient.exe", "ZEMConsole.exe", "ZEMRelay.exe"})
        DeleteTree(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + exe);
    DeleteTree(HKEY_CURRENT_USER, "Software\\Varnek");
    for (const std::string& entry : TrackedUninstallEntries())
        DeleteTree(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry);
    TrackedUninstallEntries().clear();
    for (const std::string& product : TrackedInstallerProducts())
        DeleteTree(HKEY_LOCAL_MACHINE, std::string(kInstallerProductsKey) + "\\" + product);
    TrackedInstallerProducts().clear();
    RemoveTreeIndependently(ProgramFiles32() + "\\Varnek Enterprise");
    RemoveTreeIndependently(LocalAppData() + "\\Varnek");
}
