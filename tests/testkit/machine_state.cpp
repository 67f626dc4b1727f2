#include "testkit/machine_state.h"

#include "testkit/scratch.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <stdexcept>

namespace MachineState {

namespace {

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

std::string KnownFolder(int csidl)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path)))
        throw std::runtime_error("no known folder");
    return path;
}

} // namespace

std::string AddUninstallEntry(const UninstallEntry& entry)
{
    std::string name = UniqueTestName("ZEMTestEntry");
    std::string path = std::string(kUninstallKey) + "\\" + name;
    SetTestString(HKEY_LOCAL_MACHINE, path, "DisplayName", entry.displayName);
    if (!entry.displayVersion.empty())
        SetTestString(HKEY_LOCAL_MACHINE, path, "DisplayVersion", entry.displayVersion);
    if (!entry.installLocation.empty())
        SetTestString(HKEY_LOCAL_MACHINE, path, "InstallLocation", entry.installLocation);
    if (!entry.uninstallString.empty())
        SetTestString(HKEY_LOCAL_MACHINE, path, "UninstallString", entry.uninstallString);
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
    SetTestString(HKEY_LOCAL_MACHINE, path, "ProductName", productName);
    TrackedInstallerProducts().insert(code);
    return code;
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
    try {
        Wipe();
    } catch (const std::exception& error) {
        ADD_FAILURE() << "the suite's footprint stays after the test: " << error.what();
    }
}

void CleanSuiteMachine::Wipe()
{
    using namespace MachineState;
    for (const char* key : {"SOFTWARE\\Varnek", "SOFTWARE\\Varnek, Inc.", "SYSTEM\\CurrentControlSet\\Services\\ZEMClientHelper"})
        DeleteTestTree(HKEY_LOCAL_MACHINE, key);
    for (const char* exe : {"ZEMClient.exe", "ZEMConsole.exe", "ZEMRelay.exe"})
        DeleteTestTree(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + exe);
    DeleteTestTree(HKEY_CURRENT_USER, "Software\\Varnek");
    for (const std::string& entry : TrackedUninstallEntries())
        DeleteTestTree(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry);
    TrackedUninstallEntries().clear();
    for (const std::string& product : TrackedInstallerProducts())
        DeleteTestTree(HKEY_LOCAL_MACHINE, std::string(kInstallerProductsKey) + "\\" + product);
    TrackedInstallerProducts().clear();
    for (const std::string& folder : {ProgramFiles32() + "\\Varnek Enterprise", LocalAppData() + "\\Varnek"}) {
        RemoveTreeIndependently(folder);
        if (Exists(folder))
            throw std::runtime_error("cannot remove " + folder);
    }
}
