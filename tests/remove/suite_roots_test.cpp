#include "remove/known_folders.h"
#include "remove/suite_roots.h"
#include "support/platform_seam.h"
#include "testkit/file_tree.h"
#include "testkit/recording_log.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

#include <shlobj.h>

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
    WindowsPlatform::ScopedFailure shellFails("SHGetFolderPathA", E_FAIL);
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
