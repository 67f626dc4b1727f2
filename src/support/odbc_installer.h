// The ODBC installer library, loaded at run time on the first installer call
// and kept loaded for the rest of the process.
#pragma once

#include <windows.h>

#include <string>

namespace WindowsPlatform {

// One installer library, both of whose copies come from the system directory:
// the one the loader finds there for `searchedName` and the one named by
// `systemPath`, of which the newer is kept. Never the program's own folder:
// a copy planted there would run with the program's rights.
// Missing library or function: a message box says so and no function is
// handed out. Calls come from one thread only.
class ODBCInstallerLibrary {
public:
    // systemPath may be empty when the system directory is unknown; then only
    // the copy the loader finds is used.
    ODBCInstallerLibrary(std::string searchedName, std::string systemPath);
    // Unloads the library; the process's own object is never destroyed.
    ~ODBCInstallerLibrary();
    ODBCInstallerLibrary(const ODBCInstallerLibrary&) = delete;
    ODBCInstallerLibrary& operator=(const ODBCInstallerLibrary&) = delete;

    // The function of the loaded library, loading it first when needed; null
    // (after the message box) when the library or the function is missing.
    // A missing library is tried again on the next call.
    FARPROC Function(const char* name);

    HMODULE Module() const noexcept { return module_; }

private:
    HMODULE Load();

    std::string searchedName_;
    std::string systemPath_;
    HMODULE module_ = nullptr;
};

// "odbccp32.dll" as this process uses it: once loaded, it stays loaded for
// the rest of the process.
ODBCInstallerLibrary& ProcessODBCInstallerLibrary();

// Removes a data source name through the installer library. True if the
// library removed it; false when it did not or cannot be called.
bool SQLRemoveDSNFromIni(const std::string& dataSourceName);

} // namespace WindowsPlatform
