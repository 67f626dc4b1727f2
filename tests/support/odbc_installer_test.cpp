// The installer library as the program loads it: under the tests the system
// directory's copy is the stand-in (tests/odbc_installer, put there by
// scripts/prepare-prefix.sh), which edits the driver manager's test odbc.ini.
#include "support/message_box.h"
#include "support/odbc_installer.h"

#include "support/exceptions.h"
#include "support/odbc_database.h"
#include "support/owned_handle.h"
#include "support/system_library.h"
#include "testkit/file_tree.h"
#include "testkit/fixture_programs.h"
#include "testkit/message_box_watcher.h"
#include "testkit/odbc_standin.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

const char Caption[] = "ODBC Installer Error";

std::string ProgramPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string ProgramFolder()
{
    std::string path = ProgramPath();
    return path.substr(0, path.rfind('\\'));
}

std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFileOfSize(const std::string& path, std::size_t size)
{
    MakeFile(path, std::string(size, 'x'));
}

// Runs odbc_connect.exe with the connection string; its exit code.
DWORD ConnectInAnotherProcess(const std::string& connection)
{
    std::string command = "\"" + FixtureProgram("odbc_connect") + "\" \"" + connection + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError();
    Windows::UniqueKernelHandle processHandle(process.hProcess);
    Windows::UniqueKernelHandle threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        return WAIT_TIMEOUT;
    }
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

} // namespace

TEST(SQLRemoveDSNFromIni, RemovesARegisteredDataSourceFromTheDriverManagersIni)
{
    StandInServer server;
    TestDataSource source(UniqueTestName("zemdsn"));
    std::string connection = "DSN=" + source.Name() + ";StateFile=" +
                             HostPathOfWindowsPath(StandInServer::OdbcFolder() + "\\unused.state") + ";";
    ASSERT_TRUE(source.Registered());
    EXPECT_NO_THROW(ODBCDatabase database(connection)) << "the driver manager knows the data source";
    ASSERT_EQ(1u, ConnectInAnotherProcess(connection)) << "another process connects while it is registered";

    EXPECT_TRUE(WindowsPlatform::SQLRemoveDSNFromIni(source.Name()));
    EXPECT_FALSE(source.Registered());
    // This process's driver manager keeps what it has read of odbc.ini; a new
    // process reads it afresh.
    EXPECT_EQ(0u, ConnectInAnotherProcess(connection)) << "data source name not found (IM002)";

    EXPECT_FALSE(WindowsPlatform::SQLRemoveDSNFromIni(source.Name())) << "a name that is gone: false, no exception";
    EXPECT_FALSE(WindowsPlatform::SQLRemoveDSNFromIni("zem_never_registered"));
}

TEST(ODBCInstallerLibrary, TheProcessUsesTheSystemCopyNeverOneBesideTheProgram)
{
    ASSERT_TRUE(FileExists(ProgramFolder() + "\\odbccp32.dll")) << "a copy beside the program, as a planted one";
    ASSERT_TRUE(WindowsPlatform::ProcessODBCInstallerLibrary().Function("SQLRemoveDSNFromIni"));
    EXPECT_EQ(WindowsPlatform::SystemDirectory() + "\\odbccp32.dll",
              ModulePath(WindowsPlatform::ProcessODBCInstallerLibrary().Module()));
}

TEST(ODBCInstallerLibrary, KeepsTheSystemCopyOnlyWhenItIsNewer)
{
    // A loaded module answers every later load by the same name, so each
    // library is unloaded before the next case.
    const std::string name = "zem_installer_copy.dll";
    const std::string byName = ProgramFolder() + "\\" + name;
    const std::string newerFolder = ProgramFolder() + "\\newer_installer";
    ScratchFolder tie;
    ASSERT_TRUE(CopyFileA(byName.c_str(), (tie / name).c_str(), TRUE));
    ScratchFolder empty;

    struct Case {
        std::string systemDirectory;
        std::string chosen;
        const char* why;
    } cases[] = {
        {newerFolder, newerFolder + "\\" + name, "file version 3.1 against 3.0 found by name"},
        {tie.Path(), byName, "the same version: the copy found by name wins the tie"},
        {ProgramFolder(), byName, "the system directory holds the very copy found by name"},
        {empty.Path(), byName, "no system copy at all"},
    };
    for (const Case& c : cases) {
        // The copy the loader would find in the system directory, named in full.
        WindowsPlatform::ODBCInstallerLibrary library(byName, c.systemDirectory + "\\" + name);
        ASSERT_TRUE(library.Function("SQLRemoveDSNFromIni")) << c.why;
        EXPECT_EQ(c.chosen, ModulePath(library.Module())) << c.why;
    }
}

TEST(ODBCInstallerLibrary, SetsASmallUnversionedSystemCopyAside)
{
    ScratchFolder system;
    WriteFileOfSize(system / "odbccp32.dll", 100);
    WriteFileOfSize(system / "odbccp32.bad", 5);
    WindowsPlatform::ODBCInstallerLibrary library("odbccp32.dll", system / "odbccp32.dll");
    EXPECT_TRUE(library.Function("SQLRemoveDSNFromIni"));
    EXPECT_FALSE(FileExists(system / "odbccp32.dll"));
    ASSERT_TRUE(FileExists(system / "odbccp32.bad"));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA((system / "odbccp32.bad").c_str(), GetFileExInfoStandard, &data);
    EXPECT_EQ(100u, data.nFileSizeLow) << "an older .bad file is replaced";

    ScratchFolder large;
    WriteFileOfSize(large / "odbccp32.dll", 20000);
    WindowsPlatform::ODBCInstallerLibrary other("odbccp32.dll", large / "odbccp32.dll");
    EXPECT_TRUE(other.Function("SQLRemoveDSNFromIni"));
    EXPECT_TRUE(FileExists(large / "odbccp32.dll")) << "20,000 bytes and more are left alone";
    EXPECT_FALSE(FileExists(large / "odbccp32.bad"));
}

TEST(ODBCInstallerLibrary, AMissingLibraryIsReportedAndTriedAgainOnTheNextCall)
{
    ScratchFolder system;
    MessageBoxWatcher watcher(Caption);
    WindowsPlatform::ODBCInstallerLibrary library("zem_no_installer.dll", system / "zem_no_installer.dll");
    EXPECT_EQ(nullptr, library.Function("SQLRemoveDSNFromIni"));
    EXPECT_EQ(nullptr, library.Function("SQLRemoveDSNFromIni"));
    std::vector<std::string> expected(2, "The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system.");
    EXPECT_EQ(expected, watcher.Texts());
}

TEST(ODBCInstallerLibrary, AMissingFunctionIsReportedWithProgramAndLibrary)
{
    MessageBoxWatcher watcher(Caption);
    WindowsPlatform::ODBCInstallerLibrary library(ProgramFolder() + "\\zem_installer_copy.dll", "");
    EXPECT_EQ(nullptr, library.Function("SQLWriteDSNToIni"));
    std::string longName(800, 'F');
    EXPECT_EQ(nullptr, library.Function(longName.c_str()));

    std::vector<std::string> texts = watcher.Texts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ("The program " + ProgramPath() +
                  ", or one of its DLLs attempted to call the function SQLWriteDSNToIni which is not supported in "
                  "the loaded ODBC installer DLL (" + ProgramFolder() + "\\zem_installer_copy.dll). Press OK to proceed.",
              texts[0]);
    std::string full = "The program " + ProgramPath() + ", or one of its DLLs attempted to call the function " +
                       longName + " which is not supported";
    EXPECT_EQ(full.substr(0, 783), texts[1]) << "the text is bounded at 783 characters";
}

TEST(ODBCInstallerLibrary, WithoutADesktopBothBoxesOnlyReachTheRoute)
{
    MessageBoxWatcher watcher(Caption);
    std::vector<std::string> routed;
    {
        WindowsPlatform::ScopedMessageBoxRoute route(
            false, [&](const std::string& caption, const std::string& text) { routed.push_back(caption + ": " + text); });
        ScratchFolder system;
        WindowsPlatform::ODBCInstallerLibrary missing("zem_no_installer.dll", system / "zem_no_installer.dll");
        EXPECT_EQ(nullptr, missing.Function("SQLRemoveDSNFromIni"));
        WindowsPlatform::ODBCInstallerLibrary copy(ProgramFolder() + "\\zem_installer_copy.dll", "");
        EXPECT_EQ(nullptr, copy.Function("SQLWriteDSNToIni"));
    }
    ASSERT_EQ(2u, routed.size());
    EXPECT_EQ("ODBC Installer Error: The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system.", routed[0]);
    EXPECT_EQ(0u, routed[1].find("ODBC Installer Error: The program ")) << routed[1];
    EXPECT_TRUE(watcher.Texts().empty()) << "no box appeared";
}
