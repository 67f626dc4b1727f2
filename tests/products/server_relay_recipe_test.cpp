#include "products/recipe_test_support.h"
#include "products/relay_product.h"
#include "products/server_product.h"
#include "testkit/scratch.h"

using namespace MachineState;

namespace {

const char* const kServerKey = "SOFTWARE\\Varnek\\Enterprise Server";
const char* const kWebSubfolders[] = {"vnmirror", "vnsites", "cgi-bin", "masthead", "templates"};

class ServerAndRelay : public ::testing::Test {
protected:
    void MakeWebFolder(const std::string& web)
    {
        for (const char* subfolder : kWebSubfolders)
            MakeFile(web + "\\" + subfolder + "\\index.html");
        MakeFile(web + "\\published\\report.html");
        MakeFile(web + "\\default.htm");
    }
    CleanSuiteMachine clean_;
    ScratchFolder scratch_;
    RecordingLog log_;
    ServerProduct server_{&log_};
    RelayProduct relay_{&log_};
};

} // namespace

TEST_F(ServerAndRelay, RelayOnlyMachineIsNotAServer)
{
    SetTestString(HKEY_LOCAL_MACHINE, kServerKey, "RelayVersion", "7.1");
    CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ZEMRelay");
    EXPECT_FALSE(server_.Detect());
    EXPECT_FALSE(AnyLineStartsWith(log_.Lines(), "Checking for registry key \"HKLM\\SOFTWARE\\Varnek\\ZEMRelay\""))
        << "no server key is checked once the keys belong to a relay";
    EXPECT_TRUE(relay_.Detect());
}

TEST_F(ServerAndRelay, WebFolderOutsideTheInstallFolderKeepsAllButTheFiveSubfolders)
{
    std::string install = scratch_ / "Server";
    std::string web = scratch_ / "Web";
    MakeFile(install + "\\ZEMServer.exe");
    MakeWebFolder(web);
    SetTestString(HKEY_LOCAL_MACHINE, kServerKey, "EnterpriseServerFolder", install);
    SetTestString(HKEY_LOCAL_MACHINE, kServerKey, "wwwRootFolder", web);

    ASSERT_TRUE(server_.Detect());
    EXPECT_TRUE(server_.Remove());
    EXPECT_FALSE(Exists(install));
    for (const char* subfolder : kWebSubfolders)
        EXPECT_FALSE(Exists(web + "\\" + subfolder)) << subfolder;
    EXPECT_TRUE(Exists(web + "\\published\\report.html"));
    EXPECT_TRUE(Exists(web + "\\default.htm"));
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, kServerKey));
    EXPECT_FALSE(server_.Detect()) << "what is left of the web folder is not the server's";
}

TEST_F(ServerAndRelay, WebFolderInsideTheInstallFolderGoesWithIt)
{
    std::string install = scratch_ / "Server";
    MakeWebFolder(install + "\\wwwrootzem");
    SetTestString(HKEY_LOCAL_MACHINE, kServerKey, "EnterpriseServerFolder", install);
    SetTestString(HKEY_LOCAL_MACHINE, kServerKey, "wwwRootFolder", install + "\\wwwrootzem");
    ASSERT_TRUE(server_.Detect());
    log_.Clear();
    EXPECT_TRUE(server_.Remove());
    EXPECT_FALSE(Exists(install));
    // The install folder goes before the subfolders, which then are not there.
    EXPECT_FALSE(AnyLineStartsWith(log_.Lines(), "Deleting directory \"" + install + "\\wwwrootzem\\"));
}

TEST_F(ServerAndRelay, DefaultFoldersAreChosenOnceWithTheirOwnLines)
{
    std::string programFiles = ProgramFiles32();
    server_.Detect();
    EXPECT_TRUE(Contains(log_.Lines(), "Setting default path to \"" + programFiles + "\\Varnek Enterprise\\ZEM Server\""));
    EXPECT_TRUE(Contains(log_.Lines(), "Setting default www path to \"" + programFiles +
                                           "\\Varnek Enterprise\\ZEM Server\\wwwrootzem\""));
    EXPECT_TRUE(Contains(log_.Lines(), "Actual www install directory could not be determined, using default directory \"" +
                                           programFiles + "\\Varnek Enterprise\\ZEM Server\\wwwrootzem\""));
    log_.Clear();
    server_.Detect();
    EXPECT_FALSE(AnyLineStartsWith(log_.Lines(), "Setting default"));
}

TEST_F(ServerAndRelay, RelayRemovalTakesTheServerKeysWithIt)
{
    SetTestString(HKEY_LOCAL_MACHINE, kServerKey, "RelayVersion", "7.1");
    CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\Varnek Server");
    CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ZEMRelay");
    CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\VNEAdmin");
    ASSERT_TRUE(relay_.Detect());
    EXPECT_TRUE(relay_.Remove());
    for (const char* key : {kServerKey, "SOFTWARE\\Varnek\\Varnek Server", "SOFTWARE\\Varnek\\ZEMRelay",
                            "SOFTWARE\\Varnek\\VNEAdmin"})
        EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    EXPECT_FALSE(relay_.Detect());
    EXPECT_FALSE(server_.Detect());
}

TEST_F(ServerAndRelay, RelayWithAnInstallerUninstallStringStillGetsATemporaryFile)
{
    // A temp folder of the test's own: the uninstaller lists it while it runs.
    const std::string temp = scratch_ / "temp";
    MakeFolder(temp);
    ScopedEnvironmentVariable tmp("TMP", temp), tempToo("TEMP", temp);
    std::string record = scratch_ / "uninstaller";
    std::string entry = AddUninstallEntry({"Varnek Enterprise Relay", "", "", ""});
    std::string uninstallString = RecorderCommand(record, entry, "", "MsiExec.exe /I{ABCD}");
    SetTestString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry, "UninstallString", uninstallString);
    ASSERT_TRUE(relay_.Detect());
    EXPECT_TRUE(relay_.Remove());
    EXPECT_EQ(ReadTestFile(record + ".cmd"), RecorderCommand(record, entry, "", "MsiExec.exe /X{ABCD}") + " /qn");

    std::string listed = ReadTestFile(record + ".tmp");
    ASSERT_EQ(listed.rfind("var", 0), 0u) << "no temporary file while the uninstaller ran: " << listed;
    ASSERT_EQ(listed.find('\n'), listed.size() - 1) << "one temporary file: " << listed;
    EXPECT_FALSE(Exists(temp + "\\" + listed.substr(0, listed.size() - 1))) << "deleted after the run";
}
