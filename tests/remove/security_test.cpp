#include "remove/registry_removal.h"
#include "remove/security.h"
#include "support/file_access.h"
#include "support/platform_seam.h"
#include "support/windows_error.h"
#include "testkit/recording_log.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using WindowsPlatform::Firing;
using WindowsPlatform::ScopedFailure;
using WindowsPlatform::SeamCall;

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

class ObjectAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string path = folder_ / "owned-by-someone.txt";
        WriteWholeFile(path, "data");
        file_ = {path, SE_FILE_OBJECT, [path](ACCESS_MASK access, const std::function<DWORD(HANDLE)>& use) -> DWORD {
                     Windows::UniqueFileHandle file(CreateFileA(path.c_str(), access, 7, nullptr, OPEN_EXISTING, 0, nullptr));
                     return file ? use(file.get()) : GetLastError();
                 }};
    }
    ScratchFolder folder_;
    Remove::SecurableObject file_;
    RecordingLog log_;
};

struct Refusal {
    SeamCall call;
    DWORD code;
    int times;
};

struct GrantCase {
    const char* name;
    std::vector<Refusal> refusals; // armed in this order; earlier rules are matched first
    DWORD thrown;
    const char* logged;
};

} // namespace

TEST_F(ObjectAccess, WritableObjectGetsTheNewListAtOnceWithoutTakingOwnership)
{
    ScopedFailure noToken(SeamCall::OpenProcessToken, ERROR_ACCESS_DENIED, "", -1, Firing::Optional);
    EXPECT_NO_THROW(Remove::GrantObjectAccess(file_, log_));
    EXPECT_EQ(noToken.Hits(), 0) << "ownership must not be attempted";
    EXPECT_EQ(log_.Text(), "");
}

TEST_F(ObjectAccess, EachRefusalTakesItsPathWritesItsFirstPieceAndThrowsItsCode)
{
    const GrantCase cases[] = {
        {"first attempt refused, ownership taken, second attempt succeeds",
         {{SeamCall::SetKernelObjectSecurity_Dacl, ERROR_ACCESS_DENIED, 1}},
         0,
         ""},
        {"both attempts refused: only the second code is reported",
         {{SeamCall::SetKernelObjectSecurity_Dacl, ERROR_ACCESS_DENIED, 1},
          {SeamCall::SetKernelObjectSecurity_Dacl, ERROR_INVALID_OWNER, -1}},
         ERROR_INVALID_OWNER,
         "error setting object security descriptor: "},
        {"owner change refused (a missing object)",
         {{SeamCall::SetKernelObjectSecurity_Dacl, ERROR_FILE_NOT_FOUND, -1},
          {SeamCall::SetKernelObjectSecurity_Owner, ERROR_FILE_NOT_FOUND, -1}},
         ERROR_FILE_NOT_FOUND,
         "error changing object owner: "},
        {"access list cannot be built", {{SeamCall::SetEntriesInAclA, ERROR_NOT_ENOUGH_MEMORY, -1}}, ERROR_NOT_ENOUGH_MEMORY,
         "error creating ACL: "},
        {"token cannot be opened",
         {{SeamCall::SetKernelObjectSecurity_Dacl, ERROR_ACCESS_DENIED, -1}, {SeamCall::OpenProcessToken, ERROR_ACCESS_DENIED, -1}},
         ERROR_ACCESS_DENIED,
         ""},
        {"privilege cannot be enabled",
         {{SeamCall::SetKernelObjectSecurity_Dacl, ERROR_ACCESS_DENIED, -1},
          {SeamCall::AdjustTokenPrivileges, ERROR_PRIVILEGE_NOT_HELD, -1}},
         ERROR_PRIVILEGE_NOT_HELD,
         ""},
    };
    for (const GrantCase& c : cases) {
        SCOPED_TRACE(c.name);
        log_.Clear();
        std::vector<std::unique_ptr<ScopedFailure>> armed;
        for (const Refusal& refusal : c.refusals)
            armed.emplace_back(new ScopedFailure(refusal.call, refusal.code, "", refusal.times));
        EXPECT_EQ(CodeOf([&] { Remove::GrantObjectAccess(file_, log_); }), c.thrown);
        EXPECT_EQ(log_.Text(), c.logged);
    }
}

// Wine keeps no access lists on files, so the list itself is checked: what a
// grant writes is exactly this one entry.
TEST(FullAccessList, OneInheritedFullControlEntryForTheCurrentUser)
{
    RecordingLog log;
    Windows::UniqueLocalMemory list = Remove::MakeFullAccessAcl(log);
    PACL acl = static_cast<PACL>(list.get());
    ASSERT_NE(acl, nullptr);
    EXPECT_EQ(acl->AceCount, 1);
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(acl, 0, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    EXPECT_EQ(ace->Mask, static_cast<ACCESS_MASK>(GENERIC_ALL));

    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    Windows::UniqueKernelHandle ownedToken(token);
    BYTE buffer[256];
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
    EXPECT_TRUE(EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &ace->SidStart));
    EXPECT_EQ(log.Text(), "");
}

TEST(RegistryKeyAccess, GrantOnARealKeyThroughItsHandle)
{
    ScratchRegistryKey key(HKEY_CURRENT_USER);
    RecordingLog log;
    ScopedFailure refused(SeamCall::RegOpenKeyExA_Delete, ERROR_ACCESS_DENIED, key.SubkeyPath(), 1);
    EXPECT_TRUE(Remove::GrantRegistryKeyAccess(HKEY_CURRENT_USER, key.SubkeyPath(), log));
    EXPECT_EQ(log.Text(), "");
}
