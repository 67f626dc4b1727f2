// The suite's machine state in the test prefix, the way its setups leave it:
// Uninstall entries, installer registrations and the suite's folders. Keys,
// values, folders and files are made with the test kit's one registry
// builder (registry_setup.h) and one file builder (file_tree.h).
#pragma once

#include "testkit/file_tree.h"
#include "testkit/registry_setup.h"

#include <windows.h>

#include <string>
#include <vector>

namespace MachineState {

const char* const kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kInstallerProductsKey = "SOFTWARE\\Classes\\Installer\\Products";

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
