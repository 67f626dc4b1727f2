#include "remove/registry_key.h"
#include "remove/registry_values.h"
#include "support/exceptions.h"
#include "support/windows_error.h"
#include "testkit/registry_setup.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

DWORD CodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Windows::Error& error) {
        return error.Code();
    }
    return 0;
}

} // namespace

TEST(RegistryPaths, DisplayPathUsesTheShortRootNameAndAlwaysTheBackslash)
{
    struct Case {
        HKEY root;
        const char* subkey;
        const char* expected;
    } cases[] = {
        {HKEY_CLASSES_ROOT, "CLSID", "HKCR\\CLSID"},
        {HKEY_CURRENT_USER, "Software\\Varnek", "HKCU\\Software\\Varnek"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek", "HKLM\\SOFTWARE\\Varnek"},
        {HKEY_USERS, ".Default", "HKU\\.Default"},
        {HKEY_CURRENT_CONFIG, "System", "HKCC\\System"},
        {HKEY_LOCAL_MACHINE, "", "HKLM\\"},
        {HKEY_PERFORMANCE_DATA, "Counters", "(...)\\Counters"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Windows::RegistryDisplayPath(c.root, c.subkey), c.expected);
}

TEST(RegistryPaths, SecurityNameUsesTheLongRootNameAndRefusesOthers)
{
    EXPECT_EQ(Windows::RegistrySecurityName(HKEY_CLASSES_ROOT, "a"), "CLASSES_ROOT\\a");
    EXPECT_EQ(Windows::RegistrySecurityName(HKEY_CURRENT_USER, "a\\b"), "CURRENT_USER\\a\\b");
    EXPECT_EQ(Windows::RegistrySecurityName(HKEY_LOCAL_MACHINE, "SOFTWARE"), "MACHINE\\SOFTWARE");
    EXPECT_EQ(Windows::RegistrySecurityName(HKEY_USERS, ".Default"), "USERS\\.Default");
    try {
        Windows::RegistrySecurityName(HKEY_CURRENT_CONFIG, "System");
        ADD_FAILURE() << "a root outside the table must throw";
    } catch (const ExceptionPL& error) {
        EXPECT_STREQ(error.what(), "Unknown HKEY rootKey type");
    }
}

TEST(RegistryPaths, OnlyPathsWithEveryComponentNamedAreDeletable)
{
    struct Case {
        const char* subkey;
        bool deletable;
    } cases[] = {
        {"Software\\Varnek", true}, {"Varnek", true},          {"", false},
        {"\\", false},              {"\\Software", false},     {"Software\\", false},
        {"Software\\\\Varnek", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Windows::IsDeletableSubkeyPath(c.subkey), c.deletable) << '"' << c.subkey << '"';
    EXPECT_FALSE(Windows::HasOverlongComponent("a\\" + std::string(255, 'b')));
    EXPECT_TRUE(Windows::HasOverlongComponent("a\\" + std::string(256, 'b') + "\\c"));
}

TEST(RegistryKeys, OpenReportsTheCodeAndTheTestsNeverThrow)
{
    ScratchRegistryKey scratch;
    EXPECT_EQ(CodeOf([&] { Windows::OpenRegistryKey(HKEY_CURRENT_USER, scratch / "missing", KEY_READ); }),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(Windows::OpenRegistryKey(HKEY_CURRENT_USER, scratch.SubkeyPath(), KEY_READ).valid());
    EXPECT_TRUE(Windows::CanOpenRegistryKey(HKEY_CURRENT_USER, scratch.SubkeyPath(), READ_CONTROL));
    EXPECT_FALSE(Windows::CanOpenRegistryKey(HKEY_CURRENT_USER, scratch / "missing", READ_CONTROL));
}

TEST(RegistryKeys, EnumerationYieldsEveryChildThenTheEnd)
{
    ScratchRegistryKey scratch;
    CreateTestKey(HKEY_CURRENT_USER, scratch / "Alpha");
    CreateTestKey(HKEY_CURRENT_USER, scratch / "Beta");
    Windows::RegistryKey key = Windows::OpenRegistryKey(HKEY_CURRENT_USER, scratch.SubkeyPath(), KEY_READ);
    Windows::SubkeyInformation child;
    std::vector<std::string> names;
    for (DWORD index = 0; Windows::EnumRegistrySubkey(key.get(), index, child); ++index)
        names.push_back(child.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Beta"}));
}

TEST(RegistryKeys, DeletingRefusesPathsThatNameAParentAndOverlongNames)
{
    ScratchRegistryKey scratch;
    for (const std::string& path : {std::string(), scratch.SubkeyPath() + "\\", "\\" + scratch.SubkeyPath()})
        EXPECT_EQ(CodeOf([&] { Windows::DeleteRegistrySubkey(HKEY_CURRENT_USER, path); }),
                  static_cast<DWORD>(ERROR_BAD_PATHNAME));
    EXPECT_EQ(CodeOf([&] { Windows::DeleteRegistrySubkey(HKEY_CURRENT_USER, scratch / std::string(300, 'x')); }),
              static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(TestKeyExists(HKEY_CURRENT_USER, scratch.SubkeyPath()));
}

TEST(RegistryKeys, DeletingAKeyWithSubkeysIsRefusedByTheSystem)
{
    ScratchRegistryKey scratch;
    CreateTestKey(HKEY_CURRENT_USER, scratch / "Parent\\Child");
    EXPECT_EQ(CodeOf([&] { Windows::DeleteRegistrySubkey(HKEY_CURRENT_USER, scratch / "Parent"); }),
              static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CodeOf([&] { Windows::DeleteRegistrySubkey(HKEY_CURRENT_USER, scratch / "Parent\\Child"); }), 0u);
    EXPECT_FALSE(TestKeyExists(HKEY_CURRENT_USER, scratch / "Parent\\Child"));
}

TEST(RegistryKeys, DeletingALinkRemovesTheLinkAndLeavesItsTarget)
{
    ScratchRegistryKey scratch;
    CreateTestKey(HKEY_CURRENT_USER, scratch / "Target");
    CreateTestLink(HKEY_CURRENT_USER, scratch / "Link", scratch / "Target");
    ASSERT_TRUE(Windows::IsRegistryLink(HKEY_CURRENT_USER, scratch / "Link"));
    EXPECT_FALSE(Windows::IsRegistryLink(HKEY_CURRENT_USER, scratch / "Target"));

    Windows::DeleteRegistrySubkey(HKEY_CURRENT_USER, scratch / "Link");
    EXPECT_FALSE(TestKeyExists(HKEY_CURRENT_USER, scratch / "Link"));
    EXPECT_TRUE(TestKeyExists(HKEY_CURRENT_USER, scratch / "Target"));
}
