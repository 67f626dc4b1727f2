#include "remove/comparable_path.h"
#include "remove/file_removal.h"
#include "remove/known_folders.h"
#include "remove/protected_folders.h"
#include "remove/suite_roots.h"
#include "support/platform_seam.h"
#include "testkit/file_tree.h"
#include "testkit/recording_log.h"
#include "testkit/registry_setup.h"
#include "testkit/scratch.h"
#include "testkit/seam_guards.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <memory>
#include <optional>
#include <vector>

using WindowsPlatform::Firing;
using WindowsPlatform::ScopedFailure;
using WindowsPlatform::SeamCall;

namespace {

std::string Known(int csidl)
{
    std::optional<std::string> folder = Windows::GetKnownFolder(csidl);
    if (!folder)
        throw std::runtime_error("no known folder " + std::to_string(csidl));
    return *folder;
}

std::string ShortName(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        throw std::runtime_error("no short name for " + path);
    return std::string(buffer, length);
}

std::string TempPath()
{
    char buffer[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, buffer);
    return std::string(buffer, length);
}

std::string Variable(const char* name)
{
    char buffer[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, buffer, MAX_PATH);
    return std::string(buffer, length);
}

// The part of the reason that tells which rule refused.
enum class Rule { Allowed, Relative, Unresolvable, VolumeRoot, Network, HoldsProtected, InsideProtected };

Rule RuleOf(const std::optional<std::string>& refusal)
{
    if (!refusal)
        return Rule::Allowed;
    if (*refusal == "the path is not absolute")
        return Rule::Relative;
    if (*refusal == "the path cannot be resolved")
        return Rule::Unresolvable;
    if (*refusal == "it is the root of a drive")
        return Rule::VolumeRoot;
    if (*refusal == "it lies on a network path")
        return Rule::Network;
    if (refusal->rfind("it is or holds the protected folder \"", 0) == 0)
        return Rule::HoldsProtected;
    if (refusal->rfind("it lies inside the protected folder \"", 0) == 0)
        return Rule::InsideProtected;
    throw std::runtime_error("unexpected refusal: " + *refusal);
}

struct FolderCase {
    std::string path;
    Rule rule;
};

std::vector<FolderCase> ProtectedCases()
{
    std::string programFilesX86 = Known(CSIDL_PROGRAM_FILESX86);
    std::string profile = Known(CSIDL_PROFILE);
    std::string roaming = Known(CSIDL_APPDATA);
    std::string local = Known(CSIDL_LOCAL_APPDATA);
    std::string windows = Known(CSIDL_WINDOWS);
    std::string publicProfile = Variable("PUBLIC");
    return {
        // Drive roots, whatever the spelling.
        {"C:\\", Rule::VolumeRoot},
        {"c:/", Rule::VolumeRoot},
        {"C:\\.", Rule::VolumeRoot},
        {"C:\\Windows\\..", Rule::VolumeRoot},
        {"Z:\\", Rule::VolumeRoot},
        // A removal never deletes through a share, this machine's included.
        {"//server/share/./", Rule::Network},
        {"\\\\server\\share\\Varnek", Rule::Network},
        {"\\\\localhost\\C\\Windows", Rule::Network},
        {"\\\\localhost\\C$\\Windows", Rule::Network},
        // The Windows folder and everything in it.
        {windows, Rule::HoldsProtected},
        {"C:\\Windows", Rule::HoldsProtected},
        {"c:\\WINDOWS\\", Rule::HoldsProtected},
        {"C:\\windows\\system32\\drivers", Rule::InsideProtected},
        {"%SystemRoot%\\System32", Rule::InsideProtected},
        {"C:\\Windows.\\System32", Rule::InsideProtected},
        {"C:\\Windows\\Temp", Rule::InsideProtected},
        {"C:\\windows\\Varnek", Rule::InsideProtected},
        // Program Files and Common Files, both views, every spelling.
        {programFilesX86, Rule::HoldsProtected},
        {"C:\\Program Files (x86)", Rule::HoldsProtected},
        {ShortName(programFilesX86), Rule::HoldsProtected},
        {ShortName(programFilesX86) + "\\Varnek\\..", Rule::HoldsProtected},
        {"c:/program files (x86)/", Rule::HoldsProtected},
        {"C:\\Program Files (x86)\\.\\", Rule::HoldsProtected},
        {"C:\\Program Files (x86)\\Varnek\\..", Rule::HoldsProtected},
        {"C:\\Program Files (x86)\\Varnek\\..\\.\\\\", Rule::HoldsProtected},
        {"C:\\Program Files (x86)...", Rule::HoldsProtected},
        {"C:\\Program Files (x86) . .", Rule::HoldsProtected},
        {"C:\\PROGRAM FILES (X86)", Rule::HoldsProtected},
        {"%ProgramFiles(x86)%", Rule::HoldsProtected},
        {Known(CSIDL_PROGRAM_FILES), Rule::HoldsProtected},
        {ShortName(Known(CSIDL_PROGRAM_FILES)), Rule::HoldsProtected},
        {Known(CSIDL_PROGRAM_FILES_COMMON), Rule::HoldsProtected},
        {Known(CSIDL_PROGRAM_FILES_COMMONX86), Rule::HoldsProtected},
        {Known(CSIDL_PROGRAM_FILES_COMMONX86) + "\\", Rule::HoldsProtected},
        // Machine data, the users, their profiles and their data.
        {Known(CSIDL_COMMON_APPDATA), Rule::HoldsProtected},
        {"%ProgramData%\\", Rule::HoldsProtected},
        {"C:\\users", Rule::HoldsProtected},
        {"C:/Users/x/..", Rule::HoldsProtected},
        {profile, Rule::HoldsProtected},
        {ShortName(profile), Rule::HoldsProtected},
        {"%USERPROFILE%", Rule::HoldsProtected},
        {publicProfile, Rule::HoldsProtected},
        {roaming, Rule::HoldsProtected},
        {roaming + "\\..", Rule::HoldsProtected},
        {local, Rule::HoldsProtected},
        {"%LOCALAPPDATA%\\.", Rule::HoldsProtected},
        {publicProfile + "\\AppData\\Roaming", Rule::HoldsProtected},
        {Known(CSIDL_PERSONAL), Rule::HoldsProtected},
        {Known(CSIDL_DESKTOPDIRECTORY), Rule::HoldsProtected},
        // Temp folders.
        {TempPath(), Rule::HoldsProtected},
        {"%TEMP%", Rule::HoldsProtected},
        {"%TMP%\\", Rule::HoldsProtected},
        // Another profile's temp folder, at the place ours has in our profile:
        // <profile>\Temp under Wine 8, <profile>\AppData\Local\Temp under
        // Wine 10 and Windows. A fixed spelling would hold on one of them only.
        {publicProfile + TempPath().substr(profile.size(), TempPath().size() - profile.size() - 1),
         Rule::HoldsProtected},
        // Relative and unresolvable spellings.
        {"Varnek\\Client", Rule::Relative},
        {"relative\\path", Rule::Relative},
        {".", Rule::Relative},
        {"..\\..", Rule::Relative},
        {"C:", Rule::Relative},
        {"C:Varnek", Rule::Relative},
        {"\\Windows", Rule::Relative},
        {"%APPDATA%\\Varnek" /* taken literally by Windows: a folder below the current one */, Rule::Relative},
        {"\\\\?\\C:\\Windows", Rule::Unresolvable},
        {"\\\\.\\C:\\Program Files (x86)\\Varnek", Rule::Unresolvable},
        {"C:\\Program Files (x86)::$INDEX_ALLOCATION", Rule::Unresolvable},
        {"C:\\Program Files (x86)\\Varnek\\*", Rule::Unresolvable},
        {"C:\\Program Files (x86)\\Varnek?", Rule::Unresolvable},
    };
}

std::vector<std::string> AllowedFolders()
{
    std::string programFilesX86 = Known(CSIDL_PROGRAM_FILESX86);
    return {
        programFilesX86 + "\\Varnek\\Client",
        programFilesX86 + "\\Varnek",
        programFilesX86 + "\\Varnek Enterprise",
        ShortName(programFilesX86) + "\\Varnek\\Client",
        "c:/program files (x86)/Varnek/Client/",
        Known(CSIDL_PROGRAM_FILES_COMMONX86) + "\\Varnek",
        Known(CSIDL_APPDATA) + "\\Varnek",
        Windows::ExpandEnvironmentReferences("%APPDATA%\\Varnek"),
        Known(CSIDL_LOCAL_APPDATA) + "\\Varnek",
        Known(CSIDL_COMMON_APPDATA) + "\\Varnek",
        TempPath() + "Varnek-setup",
        "C:\\Varnek",
        "D:\\Varnek\\Relay",
        // A blank ends a name only at the end of the path.
        "C:\\Windows \\System32",
        "C:\\Windows Tools",
        "C:\\Program Files (x86) Backup",
        "C:\\users2",
    };
}

} // namespace

TEST(ProtectedFolders, EverySpellingOfAProtectedFolderIsRefused)
{
    for (const FolderCase& c : ProtectedCases()) {
        std::optional<std::string> refusal = Remove::FolderRefusal(c.path);
        EXPECT_EQ(RuleOf(refusal), c.rule) << "\"" << c.path << "\": " << refusal.value_or("allowed");
    }
}

TEST(ProtectedFolders, TheSuitesOwnFoldersStayDeletable)
{
    for (const std::string& path : AllowedFolders())
        EXPECT_EQ(Remove::FolderRefusal(path), std::nullopt) << path;
}

TEST(ProtectedFolders, RefusalNamesTheProtectedFolderAsTheSystemSpellsIt)
{
    EXPECT_EQ(Remove::FolderRefusal("c:/PROGRAM FILES (X86)/varnek/.."),
              "it is or holds the protected folder \"" + Known(CSIDL_PROGRAM_FILESX86) + "\"");
    EXPECT_EQ(Remove::FolderRefusal("C:\\windows\\system32\\drivers"),
              "it lies inside the protected folder \"" + Known(CSIDL_WINDOWS) + "\"");
}

TEST(ProtectedFolders, ComparablePathsAreOneSpellingPerFolder)
{
    std::string programFilesX86 = Known(CSIDL_PROGRAM_FILESX86);
    struct Case {
        std::string path;
        std::optional<std::string> comparable;
    } cases[] = {
        {"C:\\", "c:\\"},
        {"c:/", "c:\\"},
        {"C:\\A\\.\\B\\..\\C...", "c:\\a\\c"},
        {"C:\\A\\\\B\\", "c:\\a\\b"},
        {"C:\\A \\B. ", "c:\\a \\b"},
        {"C:\\A\\..\\..\\..", "c:\\"},
        {ShortName(programFilesX86) + "\\Missing\\Deeper", "c:\\program files (x86)\\missing\\deeper"},
        {"\\\\Server\\Share\\Dir\\..\\", "\\\\server\\share"},
        {"\\\\Server\\Share\\Dir", "\\\\server\\share\\dir"},
        {"relative", std::nullopt},
        {"\\rooted", std::nullopt},
        {"\\\\?\\C:\\x", std::nullopt},
        {"C:\\x:stream", std::nullopt},
        {"C:\\x\\a|b", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Windows::ComparablePath(c.path), c.comparable) << c.path;

    // Where an existing path leads once its links are followed.
    for (bool followLastName : {false, true}) {
        EXPECT_EQ(Windows::ReachedPath(ShortName(programFilesX86), followLastName), programFilesX86);
        EXPECT_EQ(Windows::ReachedPath(programFilesX86 + "\\Missing", followLastName), std::nullopt);
    }

    EXPECT_TRUE(Windows::IsSameOrInside("c:\\a\\b", "c:\\a"));
    EXPECT_TRUE(Windows::IsSameOrInside("c:\\a", "c:\\a"));
    EXPECT_TRUE(Windows::IsSameOrInside("c:\\a", "c:\\"));
    EXPECT_FALSE(Windows::IsSameOrInside("c:\\ab", "c:\\a"));
    EXPECT_FALSE(Windows::IsSameOrInside("c:\\a", "c:\\a\\b"));
}

TEST(ProtectedFolders, EveryProfileTheSystemListsIsProtectedWithItsData)
{
    // A profile of an account that is not logged on: listed only in the registry.
    std::string sid = "S-1-5-21-1-2-3-" + std::to_string(GetCurrentProcessId());
    std::string keyPath = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid;
    std::string profileFolder = "C:\\Profiles\\" + UniqueTestName("Alice");
    SetTestString(HKEY_LOCAL_MACHINE, keyPath, "ProfileImagePath", "%SystemDrive%\\Profiles\\" + profileFolder.substr(12),
                  REG_EXPAND_SZ);
    std::vector<Windows::ProtectedFolder> folders = Windows::GatherProtectedFolders();
    DeleteTestTree(HKEY_LOCAL_MACHINE, keyPath);

    auto isProtected = [&](const std::string& path) {
        std::string comparable = *Windows::ComparablePath(path);
        for (const Windows::ProtectedFolder& folder : folders) {
            if (folder.comparable == comparable)
                return true;
        }
        return false;
    };
    std::string ownProfile = Known(CSIDL_PROFILE);
    std::string roamingInside = Known(CSIDL_APPDATA).substr(ownProfile.size());
    std::string localInside = Known(CSIDL_LOCAL_APPDATA).substr(ownProfile.size());
    EXPECT_TRUE(isProtected(profileFolder));
    EXPECT_TRUE(isProtected(profileFolder + roamingInside));
    EXPECT_TRUE(isProtected(profileFolder + localInside));
    EXPECT_FALSE(isProtected(profileFolder + roamingInside + "\\Varnek"));
}

// The whole operation on the folders that must never go. Every call that
// could delete is armed to fail, so that a broken check cannot harm the
// test machine; none of them may even be reached.
class ProtectedDeletion : public ::testing::Test {
protected:
    void SetUp() override
    {
        Windows::ProtectedFolders(); // gathered before the guards are armed
        guards_.Guard({SeamCall::GetFileAttributesA, SeamCall::FindFirstFileA, SeamCall::CreateFileA,
                       SeamCall::NtCreateFile_Delete, SeamCall::SetFileInformationByHandle_Disposition,
                       SeamCall::SetFileInformationByHandle_Basic, SeamCall::SetKernelObjectSecurity_Dacl,
                       SeamCall::SetKernelObjectSecurity_Owner},
                      "");
    }
    int GuardHits() const { return guards_.Hits(); }

    SeamGuards guards_;
    RecordingLog log_;
};

TEST_F(ProtectedDeletion, DeletesNothingAndAnswersFalseWithItsOwnLine)
{
    std::string programFilesX86 = Known(CSIDL_PROGRAM_FILESX86);
    std::vector<std::string> paths = {"C:\\",
                                      "C:\\Windows",
                                      "C:\\windows\\system32\\drivers",
                                      "C:\\Program Files (x86)",
                                      ShortName(programFilesX86),
                                      "C:/Users/x/..",
                                      Known(CSIDL_PROFILE),
                                      "relative\\path"};
    for (const std::string& path : paths) {
        log_.Clear();
        std::optional<std::string> refusal = Remove::FolderRefusal(path);
        ASSERT_TRUE(refusal.has_value()) << path;
        EXPECT_FALSE(Remove::DeleteDirectory(path, log_)) << path;
        EXPECT_EQ(log_.Text(), "Refusing to delete directory \"" + path + "\": " + *refusal + "\r\n");
        log_.Clear();
        EXPECT_FALSE(Remove::DeleteDirectoryTree(path, log_)) << path;
        EXPECT_EQ(log_.Text(), "Refusing to delete directory \"" + path + "\": " + *refusal + "\r\n");
    }
    EXPECT_EQ(GuardHits(), 0);

    log_.Clear();
    EXPECT_TRUE(Remove::DeleteDirectory("", log_));
    EXPECT_EQ(log_.Text(), "");
    EXPECT_EQ(GuardHits(), 0);
}

TEST(ProtectedFolderOnDisk, FolderInsideWindowsStaysWithItsFiles)
{
    std::string folder = Known(CSIDL_WINDOWS) + "\\" + UniqueTestName("zemtest");
    MakeFolder(folder);
    MakeFile(folder + "\\file.txt");
    RecordingLog log;
    bool deleted = Remove::DeleteDirectory(folder, log);
    bool stayed = Exists(folder + "\\file.txt");
    RemoveTreeIndependently(folder);
    EXPECT_FALSE(deleted);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(log.Text(), "Refusing to delete directory \"" + folder + "\": it lies inside the protected folder \"" +
                              Known(CSIDL_WINDOWS) + "\"\r\n");
}

namespace {

// The process's shell folders as LocalSystem's, through the seam.
class AsLocalSystem {
public:
    AsLocalSystem()
        : profile(Known(CSIDL_WINDOWS) + "\\system32\\config\\systemprofile"), roaming(profile + "\\AppData\\Roaming"),
          local(profile + "\\AppData\\Local"), answers_{{WindowsPlatform::SeamCall::SHGetFolderPathA, std::to_string(CSIDL_PROFILE), profile},
                                                      {WindowsPlatform::SeamCall::SHGetFolderPathA, std::to_string(CSIDL_APPDATA), roaming},
                                                      {WindowsPlatform::SeamCall::SHGetFolderPathA, std::to_string(CSIDL_LOCAL_APPDATA), local}}
    {
    }
    int Hits() const { return answers_[0].Hits() + answers_[1].Hits() + answers_[2].Hits(); }

    const std::string profile, roaming, local;

private:
    WindowsPlatform::ScopedAnswer answers_[3];
};

} // namespace

TEST(ProtectedFolders, LocalSystemMayLoseWhatLiesInItsOwnApplicationDataInsideSystem32)
{
    AsLocalSystem system;
    const std::string system32 = Known(CSIDL_SYSTEM);
    // Allowed or not: inside the Windows folder a refusal names that folder first.
    const std::vector<std::pair<std::string, bool>> cases = {
        {system.local + "\\Varnek", true},
        {system.local + "\\Varnek\\Client\\Logs", true},
        {system.roaming + "\\Varnek", true},
        // Nothing else there: SYSTEM's own data lives beside the suite's.
        {system.roaming + "\\Microsoft", false},
        {system.local + "\\Varnek2", false},
        {system.local, false},
        {system.roaming, false},
        {system.profile + "\\AppData", false},
        {system.profile, false},
        {system32 + "\\config", false},
        {system32, false},
        {system.local + "\\..\\..\\Documents\\Varnek", false},
        {system.profile + "\\Varnek", false},
        {system32 + "\\config\\Varnek", false},
        {Known(CSIDL_WINDOWS) + "\\TEMP\\Varnek", false},
    };
    for (const auto& c : cases) {
        std::optional<std::string> refusal = Remove::FolderRefusal(c.first);
        EXPECT_EQ(!refusal, c.second) << "\"" << c.first << "\": " << refusal.value_or("allowed");
    }
    EXPECT_GT(system.Hits(), 0);
}

TEST(ProtectedFolders, LocalSystemsRootFolderInSystem32IsRemovedForReal)
{
    AsLocalSystem system;
    std::string folder = Known(CSIDL_SYSTEM);
    for (const char* part : {"\\config", "\\systemprofile", "\\AppData", "\\Local"}) {
        folder += part;
        if (!Exists(folder))
            MakeFolder(folder);
    }
    const std::string suite = system.local + "\\Varnek";
    MakeFolder(suite);
    MakeFolder(suite + "\\Console");
    MakeFile(suite + "\\Console\\layout.xml");
    ASSERT_EQ(Windows::LocalAppDataFolder(), system.local);

    RecordingLog log;
    Remove::RemoveSuiteRootFolders(log);
    EXPECT_FALSE(Exists(suite));
    EXPECT_TRUE(Exists(system.local));
    EXPECT_EQ(log.Lines().front(), "Deleting directory \"" + suite + "\"...done");
    RemoveTreeIndependently(suite);
}
