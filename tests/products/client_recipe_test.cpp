#include "products/client_product.h"
#include "products/recipe_test_support.h"
#include "testkit/scratch.h"

using namespace MachineState;

namespace {

const char* const kClientName = "Varnek Enterprise Client";

class ClientRecipe : public ::testing::Test {
protected:
    CleanSuiteMachine clean_;
    ScratchFolder scratch_;
    RecordingLog log_;
    ClientProduct client_{&log_};
    std::string defaultFolder_ = ProgramFiles32() + "\\Varnek Enterprise\\ZEM Client";
    std::string record_ = scratch_ / "uninstaller";
};

} // namespace

TEST_F(ClientRecipe, NothingInstalledWritesEveryDetectionStep)
{
    EXPECT_FALSE(client_.Detect());
    EXPECT_FALSE(client_.installed);
    const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    std::vector<std::string> expected = BannerLines('*', "* Detecting Varnek Client");
    std::vector<std::string> steps = {
        "Setting product name to \"Varnek Enterprise Client\"",
        "Setting default path to \"" + defaultFolder_ + "\"",
        "Looking for the install location of \"Varnek Enterprise Client\" in \"HKLM\\" + uninstall + "\"...not found",
        "Looking for the install location in \"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
        "Paths\\ZEMClient.exe:[Path]\"...not found",
        "Actual install directory could not be determined, using default directory \"" + defaultFolder_ + "\"",
        "Checking for file \"" + defaultFolder_ + "\"...not found",
        "Looking for the display version of \"Varnek Enterprise Client\" in \"HKLM\\" + uninstall + "\"...not found",
        "Trying to read the version of file \"" + defaultFolder_ + "\\ZEMClient.exe\"...file not found",
        "Looking for product \"Varnek Enterprise Client\" in \"SOFTWARE\\Classes\\Installer\\Products\"...not found",
        "Looking for product \"Varnek Enterprise Client\" in \"" + uninstall + "\"...not found",
        "Checking for registry key \"HKLM\\SOFTWARE\\Varnek\\ClientComplianceAPI\"...not found",
        "Checking for registry key \"HKLM\\SOFTWARE\\Varnek\\EnterpriseClient\"...not found",
        "Checking for registry key \"HKLM\\SOFTWARE\\Varnek, Inc.\\Varnek Enterprise Client\"...not found",
        "Checking for registry key \"HKLM\\SOFTWARE\\Varnek\\ZEMClientHelper\"...not found",
        "Checking for registry key \"HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZEMClientHelper\"...not found",
    };
    expected.insert(expected.end(), steps.begin(), steps.end());
    EXPECT_EQ(log_.Lines(), expected);
    EXPECT_EQ(client_.Name(), kClientName);
}

TEST_F(ClientRecipe, ThirdEditionNameIsTakenAndKeptWithoutProbingAgain)
{
    AddUninstallEntry({"Varnek for Halden Sentry Client", "7.1.1.315", "", ""});
    EXPECT_EQ(client_.Name(), "Varnek Client") << "the default name until the first detection";
    EXPECT_TRUE(client_.Detect());
    EXPECT_EQ(client_.Name(), "Varnek for Halden Sentry Client");
    EXPECT_EQ(client_.Version(), OptionalString("7.1.1.315"));
    EXPECT_TRUE(Contains(log_.Lines(), "Setting product name to \"Varnek for Halden Sentry Client\""));

    log_.Clear();
    client_.Detect();
    std::vector<std::string> again = log_.Lines();
    EXPECT_EQ(again[2], "* Detecting Varnek for Halden Sentry Client");
    EXPECT_FALSE(AnyLineStartsWith(again, "Setting product name"));
    EXPECT_FALSE(AnyLineStartsWith(again, "Setting default path"));
    EXPECT_TRUE(AnyLineStartsWith(again, "Looking for the install location of \"Varnek for Halden Sentry Client\""));
}

TEST_F(ClientRecipe, EditionNamesAreComparedByteForByte)
{
    // Each alone: what a lossy or case-blind comparison would take for an edition.
    for (const char* decoy : {"?Varnek Enterprise Client?", "\xABVarnek Enterprise Client\xBB",
                              "varnek enterprise client", "Varnek Enterprise Client "}) {
        SCOPED_TRACE(decoy);
        CleanSuiteMachine::Wipe();
        AddUninstallEntry({decoy, "", "", ""});
        ClientProduct client(&log_);
        EXPECT_FALSE(client.Detect());
        EXPECT_EQ(client.Name(), kClientName) << "no edition is registered: the first candidate's name";
    }
    CleanSuiteMachine::Wipe();
    AddUninstallEntry({"\xBBVarnek Enterprise Client\xAB", "", "", ""});
    EXPECT_TRUE(client_.Detect());
    EXPECT_EQ(client_.Name(), "\xBBVarnek Enterprise Client\xAB");
}

TEST_F(ClientRecipe, OnlyOneLeftoverKeyIsDetectedAndRemoved)
{
    CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\EnterpriseClient");
    EXPECT_TRUE(client_.Detect());
    log_.Clear();
    EXPECT_TRUE(client_.Remove());
    EXPECT_TRUE(Contains(log_.Lines(), "Deleting registry key \"HKLM\\SOFTWARE\\Varnek\\EnterpriseClient\"...done"));
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\EnterpriseClient"));
    EXPECT_FALSE(client_.Detect());
}

TEST_F(ClientRecipe, InstallShieldUninstallGetsItsSwitchesAndThe105ByteResponseFile)
{
    MakeFile(defaultFolder_ + "\\ZEMClient.exe");
    std::string entry = AddUninstallEntry({kClientName, "7.0", defaultFolder_, ""});
    std::string uninstallString = RecorderCommand(record_, entry);
    SetTestString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry, "UninstallString", uninstallString);

    ASSERT_TRUE(client_.Detect());
    log_.Clear();
    EXPECT_TRUE(client_.Remove());

    std::string command = ReadTestFile(record_ + ".cmd");
    const std::string switches = " -s --uninstallsilent -f1\"";
    ASSERT_EQ(command.rfind(uninstallString + switches, 0), 0u) << command;
    std::string responsePath = command.substr(uninstallString.size() + switches.size());
    responsePath.pop_back(); // the closing quote
    EXPECT_EQ(ReadTestFile(record_ + ".rsp"), kInstallShieldResponse);
    EXPECT_FALSE(Exists(responsePath)) << "the temporary file goes once the uninstaller has run";
    EXPECT_FALSE(Exists(defaultFolder_));
    EXPECT_FALSE(AnyLineStartsWith(log_.Lines(), "Uinstaller appears unsuccessful"));
    EXPECT_FALSE(client_.Detect());
}

TEST_F(ClientRecipe, WindowsInstallerCommandRemovesInsteadOfRepairing)
{
    std::string entry = AddUninstallEntry({kClientName, "", "", ""});
    std::string uninstallString = RecorderCommand(record_, entry, "", "MsiExec.exe /I{11112222-3333-4444-5555-666677778888}");
    SetTestString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry, "UninstallString", uninstallString);
    ASSERT_TRUE(client_.Detect());
    EXPECT_TRUE(client_.Remove());
    std::string expected = RecorderCommand(record_, entry, "", "MsiExec.exe /X{11112222-3333-4444-5555-666677778888}") + " /qn";
    EXPECT_EQ(ReadTestFile(record_ + ".cmd"), expected);
    EXPECT_EQ(ReadTestFile(record_ + ".rsp"), "") << "no response file for the installer";
}

TEST_F(ClientRecipe, LowerCaseMsiexecTakesTheInstallShieldBranch)
{
    std::string entry = AddUninstallEntry({kClientName, "", "", ""});
    std::string uninstallString = RecorderCommand(record_, entry, "", "msiexec.exe /X{1}");
    SetTestString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry, "UninstallString", uninstallString);
    client_.Detect();
    client_.Remove();
    EXPECT_EQ(ReadTestFile(record_ + ".cmd").rfind(uninstallString + " -s --uninstallsilent -f1\"", 0), 0u);
}

TEST_F(ClientRecipe, UninstallerThatLeavesItsEntryIsFollowedByTheManualCleanUp)
{
    std::string entry = AddUninstallEntry({kClientName, "", "", ""});
    SetTestString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry, "UninstallString",
              RecorderCommand(record_, ""));
    client_.Detect();
    log_.Clear();
    EXPECT_TRUE(client_.Remove());
    EXPECT_TRUE(Contains(log_.Lines(), "Uinstaller appears unsuccessful.  Attempting to manually uninstall..."));
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry));
}

TEST_F(ClientRecipe, QuotedHelperPathIsCheckedWithoutQuotesAndRunWithThem)
{
    std::string helper = scratch_ / "Helper Folder\\ZEMClientHelper.exe";
    MakeFolder(scratch_ / "Helper Folder");
    ASSERT_TRUE(CopyFileA((TestBinFolder() + "\\recording_uninstaller.exe").c_str(), helper.c_str(), FALSE));
    SetTestString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\ZEMClientHelper", "ImagePath",
              "\"" + helper + "\"", REG_EXPAND_SZ);
    CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ZEMClientHelper");

    EXPECT_TRUE(client_.Detect());
    EXPECT_TRUE(Contains(log_.Lines(), "Checking for file \"" + helper + "\"...found"));
    log_.Clear();
    client_.Remove();
    EXPECT_NE(log_.Text().find("\"" + helper + "\" -remove"), std::string::npos) << log_.Text();
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ZEMClientHelper"));
    EXPECT_FALSE(AnyLineStartsWith(log_.Lines(), "Warning: ZEM Client Helper uninstall failed!"));
    DeleteTestTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\ZEMClientHelper");
}

TEST_F(ClientRecipe, HelperPathWithArgumentsAfterTheQuoteIsLookedForUnchanged)
{
    SetTestString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\ZEMClientHelper", "ImagePath",
              "\"C:\\nowhere\\helper.exe\" -service");
    EXPECT_TRUE(client_.Detect()) << "the service key alone makes the helper present";
    EXPECT_TRUE(Contains(log_.Lines(), "Checking for file \"\"C:\\nowhere\\helper.exe\" -service\"...not found"));
}

TEST_F(ClientRecipe, FailedHelperUninstallIsWarnedAboutAndCounted)
{
    SetTestString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\ZEMClientHelper", "ImagePath",
              "C:\\nowhere\\helper.exe");
    client_.Detect();
    log_.Clear();
    EXPECT_FALSE(client_.Remove());
    EXPECT_TRUE(Contains(log_.Lines(), "Warning: ZEM Client Helper uninstall failed!  ZEM Client uninstall may fail."));
}

// Setups often register an empty InstallLocation: it names no folder, so the
// App Paths entry and then the default folder are used, never "" or "\DLP".
TEST_F(ClientRecipe, EmptyRegisteredInstallLocationFallsBackToAppPaths)
{
    std::string folder = scratch_ / "Client Folder";
    MakeFile(folder + "\\ZEMClient.exe");
    std::string entry = AddUninstallEntry({"Varnek Enterprise Client", "", "", ""});
    SetTestString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry, "InstallLocation", "");
    SetTestString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ZEMClient.exe", "Path",
              folder);
    ASSERT_TRUE(client_.Detect());
    EXPECT_TRUE(Contains(log_.Lines(), "Checking for file \"" + folder + "\"...found"));
    EXPECT_TRUE(client_.Remove());
    EXPECT_FALSE(Exists(folder));
}
