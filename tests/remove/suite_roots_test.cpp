#include "remove/known_folders.h"
#include "remove/suite_roots.h"
#include "support/platform_seam.h"
#include "testkit/file_tree.h"
#include "testkit/recording_log.h"
#include "testkit/registry_setup.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

#include <shlobj.h>

using WindowsPlatform::SeamCall;

TEST(KnownFolders, LookUpTheShellAndKeepTheFirstAnswer)
{
    char expected[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, expected), S_OK);
    EXPECT_EQ(Windows::GetKnownFolder(CSIDL_LOCAL_APPDATA), std::string(expected));
    EXPECT_EQ(Windows::LocalAppDataFolder(), std::string(expected));

    // The 32-bit Program Files folder, whatever this build's bitness.
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, expected), S_OK);
    EXPECT_EQ(Windows::ProgramFilesFolder(), std::string(expected));

    // Once answered, a failing shell changes nothing.
    WindowsPlatform::ScopedFailure shellFails(SeamCall::SHGetFolderPathA, E_FAIL);
    EXPECT_EQ(Windows::ProgramFilesFolder(), std::string(expected));
    EXPECT_EQ(Windows::GetKnownFolder(CSIDL_PROGRAM_FILESX86), std::nullopt);
    EXPECT_EQ(shellFails.Hits(), 1);
}

TEST(KnownFolders, UnknownFolderHasNoValue)
{
    EXPECT_EQ(Windows::GetKnownFolder(0x7777), std::nullopt);
}

TEST(SuiteRoots, BothRootFoldersGoWithEverythingInThem)
{
    std::string appData = *Windows::LocalAppDataFolder() + "\\Varnek";
    std::string programFiles = *Windows::ProgramFilesFolder() + "\\Varnek Enterprise";
    RemoveTreeIndependently(appData);
    RemoveTreeIndependently(programFiles);
    MakeFolder(appData);
    MakeFile(appData + "\\settings.xml");
    MakeFolder(programFiles);
    MakeFolder(programFiles + "\\Client");
    MakeFile(programFiles + "\\Client\\client.exe");
    MakeReadOnly(programFiles + "\\Client\\client.exe");

    RecordingLog log;
    Remove::RemoveSuiteRootFolders(log);
    std::vector<std::string> expected = {"Deleting directory \"" + appData + "\"...done",
                                         "Deleting directory \"" + programFiles + "\"...done"};
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_FALSE(Exists(appData));
    EXPECT_FALSE(Exists(programFiles));

    // Nothing left: nothing to say.
    log.Clear();
    Remove::RemoveSuiteRootFolders(log);
    EXPECT_EQ(log.Text(), "");
}

TEST(SuiteRoots, MachineKeysAndTheKeyInEveryLoadedHiveGo)
{
    RemoveTreeIndependently(*Windows::LocalAppDataFolder() + "\\Varnek");
    RemoveTreeIndependently(*Windows::ProgramFilesFolder() + "\\Varnek Enterprise");
    CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\Client\\Settings");
    SetTestString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\Client", "Version", "9.5.0.1");
    CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek, Inc.\\Console");
    // Two hives hold the per-user key; every other loaded hive does not.
    std::vector<std::string> hives;
    HKEY users = HKEY_USERS;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(users, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        hives.push_back(name);
    }
    ASSERT_GE(hives.size(), 2u);
    std::vector<std::string> withKey = {hives[0], hives[1]};
    for (const std::string& hive : withKey) {
        DeleteTestTree(HKEY_USERS, hive + "\\Software\\Varnek");
        CreateTestKey(HKEY_USERS, hive + "\\Software\\Varnek\\Client");
    }
    for (size_t other = 2; other < hives.size(); ++other)
        DeleteTestTree(HKEY_USERS, hives[other] + "\\Software\\Varnek");

    EXPECT_TRUE(Remove::SuiteRootsRemain());
    RecordingLog log;
    Remove::RemoveSuiteRoots(log);

    std::vector<std::string> expected = {
        "Deleting registry key \"HKLM\\SOFTWARE\\Varnek\"...done",
        "Deleting registry key \"HKLM\\SOFTWARE\\Varnek, Inc.\"...done",
        "Deleting registry key \"HKU\\" + withKey[0] + "\\Software\\Varnek\"...done",
        "Deleting registry key \"HKU\\" + withKey[1] + "\\Software\\Varnek\"...done",
    };
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek"));
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek, Inc."));
    for (const std::string& hive : withKey)
        EXPECT_FALSE(TestKeyExists(HKEY_USERS, hive + "\\Software\\Varnek")) << hive;
    EXPECT_FALSE(Remove::SuiteRootsRemain());
    // The key in one user's hive alone is a root still there.
    CreateTestKey(HKEY_USERS, withKey[1] + "\\Software\\Varnek");
    EXPECT_TRUE(Remove::SuiteRootsRemain());
    DeleteTestTree(HKEY_USERS, withKey[1] + "\\Software\\Varnek");
}
