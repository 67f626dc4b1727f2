#include "products/platform_api_product.h"
#include "products/recipe_product.h"
#include "testkit/machine_state.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(ResponseFiles, InstallShieldResponseIs105BytesEndingWithALineEnd)
{
    std::string response = kInstallShieldResponse;
    EXPECT_EQ(response.size(), 105u);
    EXPECT_EQ(response.substr(response.size() - 2), "\r\n");
    EXPECT_EQ(response.rfind("[InstallShield Silent]\r\nVersion=v7.00\r\n", 0), 0u);
}

TEST(ResponseFiles, PlatformAPIResponseNamesTheFirstBracedCodeFiveTimes)
{
    const std::string code = "{4A7C1E2B-1111-2222-3333-444455556666}";
    OptionalString response = PlatformAPIResponse("C:\\setup.exe -runfromtemp -l0x0409 " + code + " {FFFF}");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->size(), 160u - 5 * 6 + 5 * code.size());
    EXPECT_EQ(std::count(response->begin(), response->end(), '\n'), 10);
    EXPECT_EQ(response->rfind("[" + code + "-DlgOrder]\r\nDlg0=" + code + "-MessageBox-0\r\nCount=2\r\n", 0), 0u);
    size_t occurrences = 0;
    for (size_t at = response->find(code); at != std::string::npos; at = response->find(code, at + 1))
        ++occurrences;
    EXPECT_EQ(occurrences, 5u);
    EXPECT_EQ(response->substr(response->size() - 18), "bOpt1=0\r\nbOpt2=0\r\n");

    EXPECT_FALSE(PlatformAPIResponse("setup.exe } then {A-B}"));
    EXPECT_FALSE(PlatformAPIResponse("setup.exe -uninst"));
    EXPECT_FALSE(PlatformAPIResponse("setup.exe {open"));
}

TEST(InstallerCommands, RepairSwitchBeforeTheProductCodeBecomesRemove)
{
    const std::pair<const char*, const char*> cases[] = {
        {"MsiExec.exe /I{1234-AB}", "MsiExec.exe /X{1234-AB}"},
        {"MsiExec.exe /i{1234-AB}", "MsiExec.exe /X{1234-AB}"},
        {"MsiExec.exe /X{1234-AB}", "MsiExec.exe /X{1234-AB}"},
        {"MsiExec.exe /I {1234-AB}", "MsiExec.exe /I {1234-AB}"},
        {"MsiExec.exe /package x.msi", "MsiExec.exe /package x.msi"},
        {"{1234}", "{1234}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithInstallerRemoveSwitch(c.first), c.second) << c.first;
}

TEST(TemporaryFiles, CreatedEmptyInTheTempFolderAndDeletedEvenWhenReadOnly)
{
    std::string path;
    {
        TemporaryFile file;
        path = file.Path();
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.rfind(MachineState::TempFolder() + "\\var", 0), 0u) << path;
        EXPECT_TRUE(Exists(path));
        EXPECT_EQ(ReadTestFile(path), "");
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    EXPECT_FALSE(Exists(path));
}
