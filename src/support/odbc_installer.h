// The ODBC installer library, loaded at run time on the first installer call
// and kept loaded for the rest of the process.
#pragma once

#include <windows.h>

#include <string>

namespace WindowsPlatform {

// One installer library: the copy loaded by name (the normal search order)
// and the copy in the system directory, of which the newer one is kept.
// Missing library or function: a message box says so and no function is
// handed out. Calls come from one thread only.
class ODBCInstallerLibrary {
public:
    // systemDirectory may be empty when it is unknown; then only the copy
    // found by name is used.
    ODBCInstallerLibrary(std::string systemDirectory, std::string fileName);
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

    std::string systemDirectory_;
    std::string fileName_;
    HMODULE module_ = nullptr;
};

// "odbccp32.dll" as this process uses it: once loaded, it stays loaded for
// the rest of the process.
ODBCInstallerLibrary& ProcessODBCInstallerLibrary();

// Removes a data source name through the installer library. True if the
// library removed it; false when it did not or cannot be called.
bool SQLRemoveDSNFromIni(const std::string& dataSourceName);

} // namespace WindowsPlatform
