#include "remove/lookups.h"
#include "support/platform_seam.h"
#include "support/windows_error.h"
#include "testkit/recording_log.h"
#include "testkit/registry_setup.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

using WindowsPlatform::ScopedFailure;
using WindowsPlatform::SeamCall;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kProducts = "SOFTWARE\\Classes\\Installer\\Products";

// Uniquely named entries in the real registration stores, each test with a
// display name of its own.
class Registrations : public ::testing::Test {
protected:
    std::string AddUninstallEntry(const std::string& displayName)
    {
        std::string path = uninstall_.Add("zem_entry");
        SetTestString(HKEY_LOCAL_MACHINE, path, "DisplayName", displayName);
        return path;
    }
    std::string AddProduct(const std::string& productName)
    {
        std::string path = products_.Add("zem_product");
        SetTestString(HKEY_LOCAL_MACHINE, path, "ProductName", productName);
        return path;
    }
    std::string Looking(const char* what) const
    {
        return std::string("Looking for the ") + what + " of \"" + name_ + "\" in \"HKLM\\" + kUninstall + "\"...";
    }

    ScratchEntries uninstall_{HKEY_LOCAL_MACHINE, kUninstall};
    ScratchEntries products_{HKEY_LOCAL_MACHINE, kProducts};
    const std::string name_ = UniqueTestName("Varnek Test Product");
    RecordingLog log_;
};

} // namespace

TEST_F(Registrations, ValueIsTakenFromTheFirstEntryOfThatNameThatHasIt)
{
    std::string first = AddUninstallEntry(name_);
    std::string second = AddUninstallEntry(name_);
    SetTestString(HKEY_LOCAL_MACHINE, first, "DisplayVersion", "1.0");
    SetTestString(HKEY_LOCAL_MACHINE, second, "DisplayVersion", "2.0");
    SetTestString(HKEY_LOCAL_MACHINE, second, "InstallLocation", "C:\\Program Files (x86)\\Varnek Enterprise");
    SetTestString(HKEY_LOCAL_MACHINE, second, "UninstallString", "MsiExec.exe /X{1234}");

    EXPECT_EQ(Remove::FindInstallLocation(name_, log_),
              std::optional<std::string>("C:\\Program Files (x86)\\Varnek Enterprise"));
    EXPECT_EQ(Remove::FindDisplayVersion(name_, log_), std::optional<std::string>("1.0"));
    EXPECT_EQ(Remove::FindUninstallString(name_, log_), std::optional<std::string>("MsiExec.exe /X{1234}"));
    EXPECT_EQ(log_.Text(), Looking("install location") + "found path \"C:\\Program Files (x86)\\Varnek Enterprise\"\r\n" +
                               Looking("display version") + "found version 1.0\r\n"
                               "Looking for an uninstall string for \"" + name_ + "\"...\r\n"
                               "...found command MsiExec.exe /X{1234}\r\n");
}

TEST_F(Registrations, NamesDifferingInCaseTrailingBlankOrLengthAreNotFound)
{
    std::string lower = name_;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (const std::string& similar : {lower, name_ + " ", name_ + "x", name_.substr(0, name_.size() - 1)}) {
        std::string path = AddUninstallEntry(similar);
        SetTestString(HKEY_LOCAL_MACHINE, path, "InstallLocation", "C:\\wrong");
        AddProduct(similar);
    }
    EXPECT_FALSE(Remove::IsUninstallEntryPresent(name_, log_));
    EXPECT_FALSE(Remove::IsInstallerProductPresent(name_, log_));
    EXPECT_EQ(Remove::FindInstallLocation(name_, log_), std::nullopt);
    EXPECT_EQ(log_.Text(), "Looking for product \"" + name_ + "\" in \"" + kUninstall + "\"...not found\r\n"
                           "Looking for product \"" + name_ + "\" in \"" + kProducts + "\"...not found\r\n" +
                               Looking("install location") + "not found\r\n");
}

TEST_F(Registrations, EmptyVersionIsPresentAndExpandableLocationIsExpanded)
{
    ASSERT_TRUE(SetEnvironmentVariableA("ZEM_TEST_ROOT", "D:\\Suite"));
    std::string entry = AddUninstallEntry(name_);
    SetTestString(HKEY_LOCAL_MACHINE, entry, "DisplayVersion", "");
    SetTestString(HKEY_LOCAL_MACHINE, entry, "InstallLocation", "%ZEM_TEST_ROOT%\\Client", REG_EXPAND_SZ);

    EXPECT_EQ(Remove::FindDisplayVersion(name_, log_), std::optional<std::string>(""));
    EXPECT_EQ(Remove::FindInstallLocation(name_, log_), std::optional<std::string>("D:\\Suite\\Client"));
    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{Looking("display version") + "found version ",
                                                      Looking("install location") + "found path \"D:\\Suite\\Client\""}));
}

TEST_F(Registrations, EveryMatchingRegistrationIsListedOnALineOfItsOwn)
{
    AddProduct(name_);
    AddProduct(name_);
    AddUninstallEntry(name_);
    EXPECT_TRUE(Remove::IsInstallerProductPresent(name_, log_));
    EXPECT_TRUE(Remove::IsUninstallEntryPresent(name_, log_));
    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{
                                "Looking for product \"" + name_ + "\" in \"" + kProducts + "\"...",
                                "...found key \"" + products_.Name(0) + "\"",
                                "...found key \"" + products_.Name(1) + "\"",
                                "Looking for product \"" + name_ + "\" in \"" + kUninstall + "\"...",
                                "...found key \"" + uninstall_.Name(0) + "\"",
                            }));
}

TEST_F(Registrations, DeletingRemovesEveryMatchAndIsSilentWithoutOne)
{
    EXPECT_TRUE(Remove::DeleteUninstallEntries(name_, log_));
    EXPECT_TRUE(Remove::DeleteInstallerProductEntries(name_, log_));
    EXPECT_EQ(log_.Text(), "");

    std::string first = AddUninstallEntry(name_);
    CreateTestKey(HKEY_LOCAL_MACHINE, first + "\\Sub");
    std::string second = AddUninstallEntry(name_);
    std::string other = AddUninstallEntry(name_ + " Other");
    EXPECT_TRUE(Remove::DeleteUninstallEntries(name_, log_));
    EXPECT_EQ(log_.Text(), "Deleting registry key \"HKLM\\" + first + "\"...done\r\n"
                           "Deleting registry key \"HKLM\\" + second + "\"...done\r\n");
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, first));
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, second));
    EXPECT_TRUE(TestKeyExists(HKEY_LOCAL_MACHINE, other));
}

TEST_F(Registrations, AFailedDeletionStillLetsTheOthersBeTried)
{
    std::string first = AddProduct(name_);
    std::string second = AddProduct(name_);
    ScopedFailure stuck(SeamCall::RegDeleteKeyA, ERROR_ACCESS_DENIED, products_.Name(0));
    EXPECT_FALSE(Remove::DeleteInstallerProductEntries(name_, log_));
    EXPECT_EQ(log_.Text(), "Deleting registry key \"HKLM\\" + first + "\"..." +
                               std::string(Windows::Error(ERROR_ACCESS_DENIED).what()) +
                               "\r\n...error occured while trying to delete key \"HKLM\\" + first + "\"\r\n"
                               "Deleting registry key \"HKLM\\" + second + "\"...done\r\n");
    EXPECT_TRUE(TestKeyExists(HKEY_LOCAL_MACHINE, first));
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, second));
}

TEST_F(Registrations, ValuesOfANamedKey)
{
    ScratchRegistryKey own(HKEY_LOCAL_MACHINE);
    SetTestString(HKEY_LOCAL_MACHINE, own.SubkeyPath(), "InstallDir", "C:\\Varnek");
    SetTestString(HKEY_LOCAL_MACHINE, own.SubkeyPath(), "Uninstall", "C:\\Varnek\\uninst.exe /s");
    const std::string shown = "HKLM\\" + own.SubkeyPath();

    EXPECT_EQ(Remove::FindInstallLocationInKey(HKEY_LOCAL_MACHINE, own.SubkeyPath(), "InstallDir", log_),
              std::optional<std::string>("C:\\Varnek"));
    EXPECT_EQ(Remove::FindInstallLocationInKey(HKEY_LOCAL_MACHINE, own.SubkeyPath(), "Missing", log_), std::nullopt);
    EXPECT_EQ(Remove::FindUninstallStringInKey(HKEY_LOCAL_MACHINE, own.SubkeyPath(), "Uninstall", "Varnek Relay", log_),
              std::optional<std::string>("C:\\Varnek\\uninst.exe /s"));
    EXPECT_EQ(Remove::FindUninstallStringInKey(HKEY_LOCAL_MACHINE, own.SubkeyPath(), "Missing", "Varnek Relay", log_),
              std::nullopt);
    EXPECT_EQ(log_.Text(),
              "Looking for the install location in \"" + shown + ":[InstallDir]\"...found path \"C:\\Varnek\"\r\n"
              "Looking for the install location in \"" + shown + ":[Missing]\"...not found\r\n"
              "Looking for an uninstall string for \"Varnek Relay\" in key \"" + shown + ":[Uninstall]\"...\r\n"
              "...found command C:\\Varnek\\uninst.exe /s\r\n"
              "Looking for an uninstall string for \"Varnek Relay\" in key \"" + shown + ":[Missing]\"...not found\r\n");
}

TEST_F(Registrations, InstalledNameIsTheFirstRegisteredCandidateAndLeavesNoLines)
{
    const std::string productOnly = name_ + " Product";
    const std::string versionOnly = name_ + " Version";
    AddProduct(productOnly);
    SetTestString(HKEY_LOCAL_MACHINE, AddUninstallEntry(versionOnly), "DisplayVersion", "3.0");

    EXPECT_EQ(Remove::FindInstalledName({name_ + " Missing", productOnly, versionOnly}),
              std::optional<std::string>(productOnly));
    EXPECT_EQ(Remove::FindInstalledName({name_ + " Missing", versionOnly}), std::optional<std::string>(versionOnly));
    EXPECT_EQ(Remove::FindInstalledName({name_ + " Missing"}), std::nullopt);
    EXPECT_EQ(Remove::FindInstalledName({}), std::nullopt);
}

TEST_F(Registrations, AReadScopeReadsEachStoreOnceAndTheNextScopeReadsAgain)
{
    std::string entry = AddUninstallEntry(name_);
    {
        Remove::RegistrationReadScope detection;
        EXPECT_TRUE(Remove::IsUninstallEntryPresent(name_, log_));
        EXPECT_FALSE(Remove::IsInstallerProductPresent(name_, log_));
        AddProduct(name_);
        {
            Remove::RegistrationReadScope joined;
            EXPECT_FALSE(Remove::IsInstallerProductPresent(name_, log_));
        }
        EXPECT_FALSE(Remove::IsInstallerProductPresent(name_, log_));
        // A deletion looks at the registry as it is, never at what the scope read.
        EXPECT_TRUE(Remove::DeleteInstallerProductEntries(name_, log_));
        EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, products_.Path(0)));
    }
    AddProduct(name_);
    {
        Remove::RegistrationReadScope nextDetection;
        EXPECT_TRUE(Remove::IsInstallerProductPresent(name_, log_));
    }
    // Without a scope every look-up reads the registry as it is now.
    EXPECT_TRUE(Remove::DeleteUninstallEntries(name_, log_));
    EXPECT_FALSE(Remove::IsUninstallEntryPresent(name_, log_));
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, entry));
}
