// Prepares and inspects a machine state in the test prefix the way the
// suite's setups leave it: keys in the 32-bit view, Uninstall entries,
// installer registrations, folders and files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace MachineState {

const char* const kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kInstallerProductsKey = "SOFTWARE\\Classes\\Installer\\Products";

void CreateKey(HKEY root, const std::string& path);
void SetString(HKEY root, const std::string& path, const std::string& name, const std::string& value,
               DWORD type = REG_SZ);
void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value);
bool KeyExists(HKEY root, const std::string& path);
bool ValueExists(HKEY root, const std::string& path, const std::string& name);
// Deletes a key with everything below it; a missing key is fine.
void DeleteTree(HKEY root, const std::string& path);

struct UninstallEntry {
    std::string displayName;
    std::string displayVersion;   // empty: no value
    std::string installLocation;  // empty: no value
    std::string uninstallString;  // empty: no value
};
// Adds the entry under a unique subkey name and answers that name.
std::string AddUninstallEntry(const UninstallEntry& entry);
// Adds a Windows Installer product registration and answers its subkey name.
std::string AddInstallerProduct(const std::string& productName);

void MakeFolder(const std::string& path);
void MakeFile(const std::string& path, const std::string& content = "x");
bool PathExists(const std::string& path);
std::string ReadFile(const std::string& path);

// The folders a 32-bit setup uses, as the system names them.
std::string ProgramFiles32();
std::string LocalAppData();
std::string TempFolder();
// Where the test executables are; fixture programs are beside them.
std::string TestBinFolder();

} // namespace MachineState

// Removes the suite's whole footprint from the prefix when built and again
// when destroyed, so that every recipe test starts from and leaves a machine
// without the suite. Entries added through MachineState are tracked and removed.
class CleanSuiteMachine {
public:
    CleanSuiteMachine();
    ~CleanSuiteMachine();
    CleanSuiteMachine(const CleanSuiteMachine&) = delete;
    CleanSuiteMachine& operator=(const CleanSuiteMachine&) = delete;

    static void Wipe();
};
