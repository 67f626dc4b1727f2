#include "products/dlp_product.h"
#include "products/installers_product.h"
#include "products/logging_service_product.h"
#include "products/msde_product.h"
#include "products/platform_api_product.h"
#include "products/recipe_test_support.h"
#include "testkit/scratch.h"

using namespace MachineState;

namespace {

class MinorRecipes : public ::testing::Test {
protected:
    void SetUninstallString(const std::string& entry, const std::string& command)
    {
        SetTestString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry, "UninstallString", command);
    }
    CleanSuiteMachine clean_;
    ScratchFolder scratch_;
    RecordingLog log_;
    std::string record_ = scratch_ / "uninstaller";
};

} // namespace

TEST_F(MinorRecipes, DLPFolderFollowsTheSuiteClientNameThenItsAppPath)
{
    AddUninstallEntry({"OEP Agent", "", scratch_ / "Partner Client", ""});
    SetTestString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ZEMClient.exe", "Path",
              scratch_ / "AppPath Client");
    MakeFolder(scratch_ / "AppPath Client\\DLP");
    DLPProduct dlp(&log_);
    EXPECT_TRUE(dlp.Detect());
    EXPECT_TRUE(Contains(log_.Lines(), "Checking for file \"" + (scratch_ / "AppPath Client\\DLP") + "\"...found"));

    AddUninstallEntry({"Varnek Enterprise Client", "", scratch_ / "Suite Client", ""});
    log_.Clear();
    dlp.Detect();
    EXPECT_TRUE(Contains(log_.Lines(), "Checking for file \"" + (scratch_ / "Suite Client\\DLP") + "\"...not found"));
}

TEST_F(MinorRecipes, DLPWithoutItsControlProgramIsDeletedWithoutRunningAnything)
{
    AddUninstallEntry({"Varnek Enterprise Client", "", scratch_ / "Client", ""});
    MakeFile(scratch_ / "Client\\DLP\\rules.dat");
    CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\DLP");
    DLPProduct dlp(&log_);
    ASSERT_TRUE(dlp.Detect());
    EXPECT_EQ(dlp.Version(), std::nullopt);
    log_.Clear();
    EXPECT_TRUE(dlp.Remove());
    EXPECT_TRUE(Contains(log_.Lines(),
                         "Checking for file \"" + (scratch_ / "Client\\DLP\\ZEMTightlidCtrl.exe") + "\"...not found"));
    EXPECT_FALSE(Exists(scratch_ / "Client\\DLP"));
    EXPECT_TRUE(Exists(scratch_ / "Client"));
    EXPECT_FALSE(dlp.Detect());
}

TEST_F(MinorRecipes, LoggingServiceRunsItsOwnCommandUnchangedAndVerifiesStrictly)
{
    std::string entry = AddUninstallEntry({"ZEM Logging Service", "1.0", "", "MsiExec.exe /I{99}"});
    SetTestString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\LoggingService", "UninstallCmdLine", RecorderCommand(record_, ""));
    LoggingServiceProduct service(&log_);
    ASSERT_TRUE(service.Detect());
    log_.Clear();
    EXPECT_FALSE(service.Remove());
    EXPECT_EQ(ReadTestFile(record_ + ".cmd"), RecorderCommand(record_, ""));
    EXPECT_TRUE(Contains(log_.Lines(), "Installation information still exists!  Uninstall appears unsuccessful."));
    EXPECT_TRUE(TestKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\LoggingService")) << "nothing deleted after a refusal";
    (void)entry;
}

TEST_F(MinorRecipes, LoggingServiceFallsBackToTheInstallerWithItsSuffix)
{
    std::string entry = AddUninstallEntry({"ZEM Logging Service", "1.0", "", ""});
    SetUninstallString(entry, RecorderCommand(record_, entry, "", "MsiExec.exe /I{99}"));
    LoggingServiceProduct service(&log_);
    ASSERT_TRUE(service.Detect());
    EXPECT_TRUE(service.Remove());
    EXPECT_EQ(ReadTestFile(record_ + ".cmd"),
              RecorderCommand(record_, entry, "", "MsiExec.exe /X{99}") + " /qn REBOOT=REALLYSUPPRESS");
    EXPECT_FALSE(service.Detect());
}

TEST_F(MinorRecipes, GeneratorWithoutItsFolderValueIsFoundByItsKey)
{
    CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ZEM Installation Generator");
    InstallersProduct generator(&log_);
    EXPECT_TRUE(generator.Detect());
    EXPECT_TRUE(Contains(log_.Lines(), "Failed to determine the installation directory."));
    log_.Clear();
    generator.Detect();
    EXPECT_TRUE(Contains(log_.Lines(), "Failed to determine the installation directory.")) << "at every detection";
    EXPECT_TRUE(generator.Remove());
    EXPECT_FALSE(generator.Detect());
}

TEST_F(MinorRecipes, MSDEIsOnlyItsUninstallString)
{
    MSDEProduct msde(&log_);
    EXPECT_FALSE(msde.Detect());
    log_.Clear();
    EXPECT_TRUE(msde.Remove()) << "nothing registered: nothing to run";
    EXPECT_FALSE(AnyLineStartsWith(log_.Lines(), "Uninstall string still exists"));

    std::string entry = AddUninstallEntry({"Microsoft SQL Server Desktop Engine", "", "", ""});
    SetUninstallString(entry, RecorderCommand(record_, ""));
    EXPECT_TRUE(msde.Detect());
    log_.Clear();
    EXPECT_FALSE(msde.Remove());
    EXPECT_TRUE(Contains(log_.Lines(), "Uninstall string still exists!  Uninstall appears unsuccessful."));
    EXPECT_EQ(ReadTestFile(record_ + ".cmd"), RecorderCommand(record_, "") + " /qn");

    SetUninstallString(entry, RecorderCommand(record_, entry));
    EXPECT_TRUE(msde.Remove());
    EXPECT_FALSE(msde.Detect());
}

TEST_F(MinorRecipes, PlatformAPIUninstallerGetsItsOwnResponseFile)
{
    const std::string code = "{0B5C1A9E-7777-8888-9999-AAAABBBBCCCC}";
    std::string entry = AddUninstallEntry({"Varnek Enterprise Suite API", "2.5", "", ""});
    std::string uninstallString = RecorderCommand(record_, entry, "", "-runfromtemp -l0x0409 " + code);
    SetUninstallString(entry, uninstallString);
    PlatformAPIProduct api(&log_);
    ASSERT_TRUE(api.Detect());
    EXPECT_EQ(api.Name(), "Varnek Enterprise Suite API");
    EXPECT_EQ(api.Version(), OptionalString("2.5"));
    log_.Clear();
    EXPECT_TRUE(api.Remove());
    EXPECT_TRUE(Contains(log_.Lines(), "Creating install shield response file...done"));
    EXPECT_EQ(ReadTestFile(record_ + ".cmd").rfind(uninstallString + " -s -f1\"", 0), 0u);
    EXPECT_EQ(ReadTestFile(record_ + ".rsp"), *PlatformAPIResponse(code));
    EXPECT_FALSE(api.Detect());
}

TEST_F(MinorRecipes, PlatformAPIWithoutAProductCodeRunsNothing)
{
    std::string entry = AddUninstallEntry({"Varnek Enterprise Server API", "", "", ""});
    SetUninstallString(entry, RecorderCommand(record_, entry));
    PlatformAPIProduct api(&log_);
    ASSERT_TRUE(api.Detect());
    log_.Clear();
    EXPECT_FALSE(api.Remove());
    EXPECT_TRUE(Contains(log_.Lines(), "Creating install shield response file...Couldn't find GUID in uninstall string"));
    EXPECT_FALSE(Exists(record_ + ".cmd"));
    EXPECT_TRUE(api.Detect());
}

TEST_F(MinorRecipes, PlatformAPIRegisteredOnlyWithTheInstallerLosesJustThatRegistration)
{
    AddInstallerProduct("OEP Suite API");
    PlatformAPIProduct api(&log_);
    ASSERT_TRUE(api.Detect());
    EXPECT_EQ(api.Name(), "OEP Suite API");
    EXPECT_TRUE(api.Remove());
    EXPECT_FALSE(api.Detect());
}

TEST_F(MinorRecipes, DLPWithAnEmptyClientLocationUsesItsDefaultFolderNeverARelativePath)
{
    std::string entry = AddUninstallEntry({"Varnek Enterprise Client", "", "", ""});
    SetTestString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry, "InstallLocation", "");
    DLPProduct dlp(&log_);
    dlp.Detect();
    std::string defaultFolder = ProgramFiles32() + "\\Varnek Enterprise\\ZEM Client\\DLP";
    EXPECT_TRUE(Contains(log_.Lines(), "Actual client install directory could not be determined, using default "
                                       "directory \"" + defaultFolder + "\""));
    EXPECT_FALSE(AnyLineStartsWith(log_.Lines(), "Checking for file \"\\DLP\""));
}
