#include "remove/registry_key.h"
#include "remove/registry_removal.h"
#include "support/platform_seam.h"
#include "support/windows_error.h"
#include "testkit/recording_log.h"
#include "testkit/registry_setup.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

using WindowsPlatform::Firing;
using WindowsPlatform::ScopedFailure;
using WindowsPlatform::SeamCall;

namespace {

std::string ErrorText(DWORD code)
{
    return Windows::Error(code).what();
}

// A three-level tree under a scratch key: Tree\A\A1\A1x, Tree\A\A2, Tree\B.
class RegistryTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree_ = scratch_ / "Tree";
        for (const char* leaf : {"A\\A1\\A1x", "A\\A2", "B"})
            CreateTestKey(HKEY_CURRENT_USER, tree_ + "\\" + leaf);
        SetTestString(HKEY_CURRENT_USER, tree_ + "\\A\\A1", "value", "data");
    }
    std::string Shown(const std::string& subkey) const { return "HKCU\\" + subkey; }
    bool Exists(const std::string& relative) const
    {
        return TestKeyExists(HKEY_CURRENT_USER, relative.empty() ? tree_ : tree_ + "\\" + relative);
    }

    ScratchRegistryKey scratch_;
    std::string tree_;
    RecordingLog log_;
};

} // namespace

TEST(RegistryChecks, KeyAndValueChecksWriteOneLineEach)
{
    ScratchRegistryKey scratch;
    SetTestValue(HKEY_CURRENT_USER, scratch.SubkeyPath(), "zero", REG_DWORD, "");
    const std::string shown = "HKCU\\" + scratch.SubkeyPath();
    RecordingLog log;

    EXPECT_TRUE(Remove::CheckRegistryKey(HKEY_CURRENT_USER, scratch.SubkeyPath(), log));
    EXPECT_FALSE(Remove::CheckRegistryKey(HKEY_CURRENT_USER, scratch / "gone", log));
    EXPECT_TRUE(Remove::CheckRegistryValue(HKEY_CURRENT_USER, scratch.SubkeyPath(), "zero", log));
    EXPECT_FALSE(Remove::CheckRegistryValue(HKEY_CURRENT_USER, scratch.SubkeyPath(), "other", log));

    EXPECT_EQ(log.Text(), "Checking for registry key \"" + shown + "\"...found\r\n"
                          "Checking for registry key \"" + shown + "\\gone\"...not found\r\n"
                          "Checking for registry key value \"" + shown + ":[zero]\"...found\r\n"
                          "Checking for registry key value \"" + shown + ":[other]\"...not found\r\n");
}

TEST_F(RegistryTree, AbsentKeyIsDeletedSilently)
{
    EXPECT_TRUE(Remove::DeleteRegistryKey(HKEY_CURRENT_USER, tree_ + "\\Missing", log_));
    EXPECT_EQ(log_.Text(), "");
}

TEST_F(RegistryTree, ThreeLevelTreeGoesWithOneLine)
{
    EXPECT_TRUE(Remove::DeleteRegistryKey(HKEY_CURRENT_USER, tree_, log_));
    EXPECT_EQ(log_.Text(), "Deleting registry key \"" + Shown(tree_) + "\"...done\r\n");
    EXPECT_FALSE(Exists(""));
    EXPECT_TRUE(TestKeyExists(HKEY_CURRENT_USER, scratch_.SubkeyPath())) << "the parent stays";
}

TEST_F(RegistryTree, RefusedDeleteAccessIsGrantedFirstAndLeavesNoLine)
{
    // Refused for the top key only (its one open and the check that follows):
    // the grant must run, on the key its security name names.
    ScopedFailure refused(SeamCall::RegOpenKeyExA_Delete, ERROR_ACCESS_DENIED, tree_, 2);
    ScopedFailure firstGrantRefused(SeamCall::SetKernelObjectSecurity_Dacl, ERROR_ACCESS_DENIED,
                                    "CURRENT_USER\\" + tree_, 1);
    EXPECT_TRUE(Remove::DeleteRegistryKey(HKEY_CURRENT_USER, tree_, log_));
    EXPECT_EQ(firstGrantRefused.Hits(), 1) << "access is granted to the key by its security name";
    EXPECT_EQ(log_.Text(), "Deleting registry key \"" + Shown(tree_) + "\"...done\r\n");
    EXPECT_FALSE(Exists(""));
}

TEST_F(RegistryTree, GrantThatFailsEndsTheLineWithTheFailureAndKeepsTheTree)
{
    ScopedFailure refused(SeamCall::RegOpenKeyExA_Delete, ERROR_ACCESS_DENIED, tree_ + "\\A\\A1");
    ScopedFailure dacl(SeamCall::SetKernelObjectSecurity_Dacl, ERROR_ACCESS_DENIED);
    ScopedFailure owner(SeamCall::SetKernelObjectSecurity_Owner, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Remove::DeleteRegistryKey(HKEY_CURRENT_USER, tree_, log_));
    EXPECT_EQ(log_.Text(), "Deleting registry key \"" + Shown(tree_) + "\"...error changing object owner: " +
                               ErrorText(ERROR_ACCESS_DENIED) + "...error occured while granting access to key \"" +
                               Shown(tree_ + "\\A\\A1") + "\"\r\n");
    for (const char* kept : {"", "A", "A\\A1", "A\\A1\\A1x", "A\\A2", "B"})
        EXPECT_TRUE(Exists(kept)) << kept << ": nothing below the refused key is touched";
}

TEST_F(RegistryTree, ChildThatCannotBeDeletedStopsTheWalkDeepestFirst)
{
    CreateTestKey(HKEY_CURRENT_USER, tree_ + "\\A\\A2\\A2x");
    ScopedFailure stuck(SeamCall::RegDeleteKeyA, ERROR_ACCESS_DENIED, tree_ + "\\A\\A2\\A2x");
    EXPECT_FALSE(Remove::DeleteRegistryKey(HKEY_CURRENT_USER, tree_, log_));
    EXPECT_EQ(log_.Text(), "Deleting registry key \"" + Shown(tree_) + "\"..." + ErrorText(ERROR_ACCESS_DENIED) +
                               "\r\n...error occured while trying to delete key \"" +
                               Shown(tree_ + "\\A\\A2\\A2x") + "\"\r\n");
    EXPECT_FALSE(Exists("A\\A1")) << "children deleted before the failure stay deleted";
    for (const char* kept : {"", "A", "A\\A2", "A\\A2\\A2x", "B"})
        EXPECT_TRUE(Exists(kept)) << kept;
}

TEST_F(RegistryTree, EnumerationFailureIsReportedForItsKey)
{
    ScopedFailure broken(SeamCall::RegEnumKeyExW, ERROR_REGISTRY_CORRUPT, "", 1);
    EXPECT_FALSE(Remove::DeleteRegistryTree(HKEY_CURRENT_USER, tree_, log_));
    EXPECT_EQ(log_.Text(), ErrorText(ERROR_REGISTRY_CORRUPT) + "\r\n...error occured while enumerating subkeys of \"" +
                               Shown(tree_) + "\"\r\n");
    EXPECT_TRUE(Exists("A\\A1\\A1x"));
}

TEST_F(RegistryTree, PathsThatNameAParentOrAHiveAreRefusedWithALineOfTheirOwn)
{
    const std::string doubled = "Software\\\\ZEMTests" + scratch_.SubkeyPath().substr(std::string("Software\\ZEMTests").size());
    for (const std::string& path : {std::string(), std::string("\\"), tree_ + "\\", "\\" + tree_, doubled}) {
        SCOPED_TRACE(path);
        log_.Clear();
        EXPECT_FALSE(Remove::DeleteRegistryKey(HKEY_CURRENT_USER, path, log_));
        EXPECT_EQ(log_.Text(), "...refused to delete registry key \"" + Shown(path) +
                                   "\": the path is empty or has an empty component\r\n");
    }
    EXPECT_TRUE(Exists("A\\A1\\A1x"));
    EXPECT_TRUE(TestKeyExists(HKEY_CURRENT_USER, "Software\\ZEMTests"));
}

TEST_F(RegistryTree, TreeStepCalledDirectlyOnAnEmptyPathDeletesNothing)
{
    EXPECT_FALSE(Remove::DeleteRegistryTree(HKEY_CURRENT_USER, tree_ + "\\", log_));
    EXPECT_EQ(log_.Text(), ErrorText(ERROR_BAD_PATHNAME) + "\r\n...error occured while trying to delete key \"" +
                               Shown(tree_ + "\\") + "\"\r\n");
    EXPECT_TRUE(Exists("A\\A1\\A1x"));
}

TEST_F(RegistryTree, OverlongNameFailsWithItsErrorLineInsteadOfNamingAnotherKey)
{
    const std::string overlong = tree_ + "\\" + std::string(300, 'k');
    EXPECT_FALSE(Remove::DeleteRegistryKey(HKEY_CURRENT_USER, overlong, log_));
    EXPECT_EQ(log_.Text(), "Deleting registry key \"" + Shown(overlong) + "\"..." +
                               ErrorText(ERROR_FILENAME_EXCED_RANGE) +
                               "\r\n...error occured while trying to delete key \"" + Shown(overlong) + "\"\r\n");
    EXPECT_TRUE(Exists("A\\A1\\A1x"));
}

TEST_F(RegistryTree, LinksInsideTheTreeAreRemovedAsLinksAndTheirTargetsStay)
{
    const std::string target = scratch_ / "Elsewhere";
    CreateTestKey(HKEY_CURRENT_USER, target + "\\Deep\\Deeper");
    SetTestString(HKEY_CURRENT_USER, target + "\\Deep", "keep", "me");
    CreateTestLink(HKEY_CURRENT_USER, tree_ + "\\A\\Link", target);

    EXPECT_TRUE(Remove::DeleteRegistryKey(HKEY_CURRENT_USER, tree_, log_));
    EXPECT_EQ(log_.Text(), "Deleting registry key \"" + Shown(tree_) + "\"...done\r\n");
    EXPECT_FALSE(Exists(""));
    EXPECT_TRUE(TestKeyExists(HKEY_CURRENT_USER, target + "\\Deep\\Deeper"));
    EXPECT_TRUE(Windows::RegistryValueExists(HKEY_CURRENT_USER, target + "\\Deep", "keep"));
}

TEST_F(RegistryTree, AKeyThatIsItselfALinkIsRemovedAsTheLink)
{
    CreateTestLink(HKEY_CURRENT_USER, scratch_ / "LinkToTree", tree_);
    EXPECT_TRUE(Remove::DeleteRegistryKey(HKEY_CURRENT_USER, scratch_ / "LinkToTree", log_));
    EXPECT_EQ(log_.Text(), "Deleting registry key \"" + Shown(scratch_ / "LinkToTree") + "\"...done\r\n");
    EXPECT_FALSE(TestKeyExists(HKEY_CURRENT_USER, scratch_ / "LinkToTree"));
    for (const char* kept : {"", "A\\A1\\A1x", "A\\A2", "B"})
        EXPECT_TRUE(Exists(kept)) << kept;
}

TEST_F(RegistryTree, ALinkWhoseDeletionIsRefusedIsReportedAndItsTargetIsNeverGrantedTo)
{
    const std::string link = scratch_ / "LinkToTree";
    CreateTestLink(HKEY_CURRENT_USER, link, tree_);
    ScopedFailure refused(SeamCall::RegOpenKeyExA_Delete, ERROR_ACCESS_DENIED, link);
    // Wine keeps no owner or access list on keys: the seam records any grant
    // by the link's name, which would land on its target.
    ScopedFailure noAccessList(SeamCall::SetKernelObjectSecurity_Dacl, ERROR_ACCESS_DENIED, link, -1, Firing::Optional);
    ScopedFailure noOwner(SeamCall::SetKernelObjectSecurity_Owner, ERROR_ACCESS_DENIED, link, -1, Firing::Optional);

    EXPECT_FALSE(Remove::DeleteRegistryKey(HKEY_CURRENT_USER, link, log_));
    EXPECT_EQ(log_.Text(), "Deleting registry key \"" + Shown(link) + "\"..." + ErrorText(ERROR_ACCESS_DENIED) +
                               "\r\n...error occured while trying to delete key \"" + Shown(link) + "\"\r\n");
    EXPECT_EQ(noAccessList.Hits() + noOwner.Hits(), 0) << "a new owner or access list went through the link";
    EXPECT_TRUE(Windows::IsRegistryLink(HKEY_CURRENT_USER, link));
    EXPECT_TRUE(Exists("A\\A1\\A1x"));
}

// Wine loads two hives in HKEY_USERS: ".Default" and the user's own.
class UserHives : public ::testing::Test {
protected:
    void SetUp() override
    {
        relative_ = "Software\\ZEMTests\\" + UniqueTestName("hive") + "\\Varnek";
        Windows::SubkeyInformation hive;
        HKEY users = HKEY_USERS;
        for (DWORD index = 0; Windows::EnumRegistrySubkey(users, index, hive); ++index)
            hives_.push_back(hive.name);
        ASSERT_GE(hives_.size(), 2u);
    }
    void TearDown() override
    {
        for (const std::string& hive : hives_)
            DeleteTestTree(HKEY_USERS, hive + "\\" + relative_.substr(0, relative_.rfind('\\')));
    }
    std::string In(const std::string& hive) const { return hive + "\\" + relative_; }

    std::vector<std::string> hives_;
    std::string relative_;
    RecordingLog log_;
};

TEST_F(UserHives, SweepDeletesTheKeyInEveryLoadedHiveAndIsSilentWhereItIsMissing)
{
    CreateTestKey(HKEY_USERS, In(hives_[0]) + "\\Settings\\Window");
    std::string expected = "Deleting registry key \"HKU\\" + In(hives_[0]) + "\"...done\r\n";
    for (size_t index = 2; index < hives_.size(); ++index) {
        CreateTestKey(HKEY_USERS, In(hives_[index]));
        expected += "Deleting registry key \"HKU\\" + In(hives_[index]) + "\"...done\r\n";
    }
    // hives_[1] has no key: one silent existence test.
    EXPECT_TRUE(Remove::DeleteRegistryKeyInEveryUserHive(relative_, log_));
    EXPECT_EQ(log_.Text(), expected);
    for (const std::string& hive : hives_)
        EXPECT_FALSE(TestKeyExists(HKEY_USERS, In(hive))) << hive;
}

TEST_F(UserHives, SweepWritesTwoLinesForTwoHivesHoldingTheKey)
{
    CreateTestKey(HKEY_USERS, In(hives_[0]));
    CreateTestKey(HKEY_USERS, In(hives_[1]) + "\\Child");
    EXPECT_TRUE(Remove::DeleteRegistryKeyInEveryUserHive(relative_, log_));
    ASSERT_EQ(log_.Lines().size(), 2u) << "hives without the key write nothing";
    EXPECT_EQ(log_.Lines()[0], "Deleting registry key \"HKU\\" + In(hives_[0]) + "\"...done");
    EXPECT_EQ(log_.Lines()[1], "Deleting registry key \"HKU\\" + In(hives_[1]) + "\"...done");
}

TEST_F(UserHives, SweepThatCannotEnumerateSaysSoAndStops)
{
    CreateTestKey(HKEY_USERS, In(hives_[0]));
    ScopedFailure broken(SeamCall::RegEnumKeyExA, ERROR_REGISTRY_IO_FAILED, "", 1);
    EXPECT_FALSE(Remove::DeleteRegistryKeyInEveryUserHive(relative_, log_));
    EXPECT_EQ(log_.Text(), "error enumerating keys in HKEY_USERS: " + ErrorText(ERROR_REGISTRY_IO_FAILED) + "\r\n");
    EXPECT_TRUE(TestKeyExists(HKEY_USERS, In(hives_[0])));
}

TEST(RegistryView, MachineKeysAreReachedAndDeletedInThe32BitViewOnly)
{
    const std::string path = "SOFTWARE\\ZEMTests\\" + UniqueTestName("view");
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                              nullptr, &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);
    auto cleanUp = Windows::MakeScopeExit([&] {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
        DeleteTestTree(HKEY_LOCAL_MACHINE, path);
    });
    RecordingLog log;
    EXPECT_FALSE(Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, path, log)) << "a 64-bit-view key is not ours";

    CreateTestKey(HKEY_LOCAL_MACHINE, path + "\\Child");
    EXPECT_TRUE(Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, path, log));
    EXPECT_FALSE(TestKeyExists(HKEY_LOCAL_MACHINE, path));
    HKEY other = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &other), ERROR_SUCCESS)
        << "the same path in the 64-bit view stays";
    if (other)
        RegCloseKey(other);
}

TEST(RegistryAccess, ARootWithoutASecurityNameFailsTheGrantWithItsOwnText)
{
    RecordingLog log;
    ScopedFailure refused(SeamCall::RegOpenKeyExA_Delete, ERROR_ACCESS_DENIED, "Software");
    EXPECT_FALSE(Remove::GrantRegistryKeyAccess(HKEY_CURRENT_CONFIG, "Software", log));
    EXPECT_EQ(log.Text(), "Unknown HKEY rootKey type...error occured while granting access to key \"HKCC\\Software\"\r\n");
}
