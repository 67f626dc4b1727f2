#include "remove/file_handle.h"
#include "remove/file_removal.h"
#include "remove/known_folders.h"
#include "remove/protected_folders.h"
#include "remove/suite_roots.h"
#include "support/owned_handle.h"
#include "support/platform_seam.h"
#include "testkit/file_tree.h"
#include "testkit/recording_log.h"
#include "testkit/scratch.h"
#include "testkit/seam_guards.h"
#include "testkit/wine_version.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using WindowsPlatform::ScopedEntryAttributes;
using WindowsPlatform::Firing;
using WindowsPlatform::ScopedFailure;
using WindowsPlatform::SeamCall;

namespace {

class FileRemoval : public ::testing::Test {
protected:
    std::string Deleting(const std::string& path) const { return "Deleting directory \"" + path + "\"..."; }

    ScratchFolder scratch_;
    RecordingLog log_;
};

// A folder holding a file, a read-only file, an empty folder and a nested tree.
void BuildMixedTree(const std::string& root)
{
    MakeFolder(root);
    MakeFile(root + "\\plain.txt");
    MakeFile(root + "\\locked.ini");
    MakeReadOnly(root + "\\locked.ini");
    MakeFolder(root + "\\empty");
    MakeFolder(root + "\\bin");
    MakeFolder(root + "\\bin\\plugins");
    MakeFile(root + "\\bin\\client.exe");
    MakeFile(root + "\\bin\\plugins\\one.dll");
    MakeFile(root + "\\bin\\plugins\\two.dll");
    MakeReadOnly(root + "\\bin\\plugins\\two.dll");
}

} // namespace

TEST_F(FileRemoval, CheckFileFindsFilesAndFoldersAlike)
{
    MakeFile(scratch_ / "present.txt");
    MakeFolder(scratch_ / "present");
    struct Case {
        std::string path;
        bool found;
    } cases[] = {
        {scratch_ / "present.txt", true},
        {scratch_ / "present", true},
        {scratch_ / "missing.txt", false},
        {scratch_ / "missing\\deeper", false},
    };
    for (const Case& c : cases) {
        log_.Clear();
        EXPECT_EQ(Remove::CheckFile(c.path, log_), c.found) << c.path;
        EXPECT_EQ(log_.Text(), "Checking for file \"" + c.path + "\"..." + (c.found ? "found" : "not found") + "\r\n");
    }
}

TEST_F(FileRemoval, DeleteDirectoryOnMissingOrEmptyPathIsSilentSuccess)
{
    EXPECT_TRUE(Remove::DeleteDirectory(scratch_ / "never-there", log_));
    EXPECT_TRUE(Remove::DeleteDirectory("", log_));
    EXPECT_EQ(log_.Text(), "");
}

TEST_F(FileRemoval, NestedTreeWithReadOnlyFilesGoesCompletely)
{
    std::string root = scratch_ / "Client";
    BuildMixedTree(root);
    EXPECT_TRUE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_FALSE(Exists(root));
}

TEST_F(FileRemoval, EmptyFolderGoesAndARefusalBeforeItsListingEndsIsNoFailure)
{
    std::string root = scratch_ / "Empty";
    MakeFolder(root);
    EXPECT_TRUE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_FALSE(Exists(root));

    // Refused once, as a folder with entries still in it refuses a delete
    // tried before its listing's end: listed on, it goes without a line.
    MakeFolder(root);
    log_.Clear();
    ScopedFailure once(SeamCall::SetFileInformationByHandle_Disposition, ERROR_DIR_NOT_EMPTY, "Empty", 1);
    EXPECT_TRUE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_FALSE(Exists(root));
    EXPECT_EQ(once.Hits(), 1);
}

TEST_F(FileRemoval, FileInUseStopsTheWalkAndLeavesTheFolder)
{
    std::string root = scratch_ / "Busy";
    MakeFolder(root);
    std::string held = root + "\\held.log";
    MakeFile(held);
    Windows::UniqueFileHandle open(
        CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(open.valid());

    EXPECT_FALSE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + WindowsErrorPiece(ERROR_SHARING_VIOLATION) +
                               "...error occured while trying to delete file \"" + held + "\"\r\n");
    EXPECT_TRUE(Exists(held));
    EXPECT_TRUE(Exists(root));
}

TEST_F(FileRemoval, EmptyFolderThatCannotBeRemovedNamesRemoveDirectory)
{
    std::string root = scratch_ / "Stuck";
    MakeFolder(root);
    ScopedFailure refuse(SeamCall::SetFileInformationByHandle_Disposition, ERROR_ACCESS_DENIED, "Stuck");
    EXPECT_FALSE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + WindowsErrorPiece(ERROR_ACCESS_DENIED) +
                               "...in call to RemoveDirectory for \"" + root + "\"\r\n");
    EXPECT_TRUE(Exists(root));
}

TEST_F(FileRemoval, RefusedDeleteGrantsAccessAndRetriesSilently)
{
    std::string root = scratch_ / "Guarded";
    MakeFolder(root);
    MakeFile(root + "\\guarded.dat");
    // Refused to the walk's opens and to the check that follows, not after the grant.
    ScopedFailure noDeleteAccess(SeamCall::NtCreateFile_Delete, ERROR_ACCESS_DENIED, "guarded.dat", 3);
    ScopedFailure noToken(SeamCall::OpenProcessToken, ERROR_ACCESS_DENIED, "", -1, Firing::Optional);

    EXPECT_TRUE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_EQ(noToken.Hits(), 0) << "the access list was writable: no ownership taken";
    EXPECT_FALSE(Exists(root));
}

TEST_F(FileRemoval, FailedGrantEndsTheLineOfTheOwnershipError)
{
    std::string root = scratch_ / "Foreign";
    MakeFolder(root);
    std::string file = root + "\\foreign.dat";
    MakeFile(file);
    ScopedFailure noDeleteAccess(SeamCall::NtCreateFile_Delete, ERROR_ACCESS_DENIED, "foreign.dat");
    ScopedFailure daclRefused(SeamCall::SetKernelObjectSecurity_Dacl, ERROR_ACCESS_DENIED, "foreign.dat");
    ScopedFailure ownerRefused(SeamCall::SetKernelObjectSecurity_Owner, ERROR_INVALID_OWNER, "foreign.dat");

    EXPECT_FALSE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + "error changing object owner: " + WindowsErrorPiece(ERROR_INVALID_OWNER) +
                               "...error occured while granting access to file \"" + file + "\"\r\n");
    EXPECT_TRUE(Exists(file));
}

TEST_F(FileRemoval, FileItemFailuresEachWriteTheirOneLine)
{
    struct Case {
        const char* name;
        bool readOnly;
        SeamCall call;
        DWORD code;
        const char* continuation;
    } cases[] = {
        {"read-only attribute stays", true, SeamCall::SetFileInformationByHandle_Basic, ERROR_ACCESS_DENIED,
         "...error occured while trying to remove read only attribute of file \""},
        {"delete refused", false, SeamCall::SetFileInformationByHandle_Disposition, ERROR_ACCESS_DENIED,
         "...error occured while trying to delete file \""},
        {"delete of read-only file refused", true, SeamCall::SetFileInformationByHandle_Disposition, ERROR_LOCK_VIOLATION,
         "...error occured while trying to delete file \""},
    };
    for (const Case& c : cases) {
        std::string file = scratch_ / UniqueTestName("item");
        MakeFile(file);
        if (c.readOnly)
            MakeReadOnly(file);
        ScopedFailure failure(c.call, c.code, file);
        log_.Clear();
        EXPECT_FALSE(Remove::DeleteFileItem(file, log_)) << c.name;
        EXPECT_EQ(log_.Text(), WindowsErrorPiece(c.code) + c.continuation + file + "\"\r\n") << c.name;
        EXPECT_TRUE(Exists(file)) << c.name;
    }
}

TEST_F(FileRemoval, FileItemClearsReadOnlySilentlyAndCountsAGoneFileAsGone)
{
    std::string file = scratch_ / "settings.ini";
    MakeFile(file);
    MakeReadOnly(file);
    EXPECT_TRUE(Remove::DeleteFileItem(file, log_));
    EXPECT_FALSE(Exists(file));

    // Gone before it could be opened.
    std::string vanishing = scratch_ / "vanishing.tmp";
    MakeFile(vanishing);
    ScopedFailure gone(SeamCall::CreateFileA, ERROR_FILE_NOT_FOUND, "vanishing.tmp");
    EXPECT_TRUE(Remove::DeleteFileItem(vanishing, log_));
    EXPECT_EQ(log_.Text(), "");
}

TEST_F(FileRemoval, FirstFailingEntryEndsTheWalkAndTheFolderStays)
{
    std::string root = scratch_ / "Partly";
    MakeFolder(root);
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        MakeFile(root + "\\" + name);
    // The walk meets the entries in the listing's order, which Wine does not sort.
    std::vector<std::string> order;
    WIN32_FIND_DATAA entry;
    if (Windows::UniqueFindHandle find{FindFirstFileA((root + "\\*.txt").c_str(), &entry)}) {
        do
            order.push_back(entry.cFileName);
        while (FindNextFileA(find.get(), &entry));
    }
    ASSERT_EQ(order.size(), 4u);
    ScopedFailure refuse(SeamCall::SetFileInformationByHandle_Disposition, ERROR_ACCESS_DENIED, "b.txt");

    // One line: the folder itself is not attempted.
    EXPECT_FALSE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + WindowsErrorPiece(ERROR_ACCESS_DENIED) +
                               "...error occured while trying to delete file \"" + root + "\\b.txt\"\r\n");
    bool reached = false;
    for (const std::string& name : order) {
        reached = reached || name == "b.txt";
        EXPECT_EQ(Exists(root + "\\" + name), reached) << name << ": gone before the failure, kept from it on";
    }
}

// Links: the walk removes them as themselves and never reaches their target.
// Wine cannot make reparse points, so real folders and files are presented as
// links through the seam: the listing reports what is really there, and the
// object's own handle answers "reparse point", as when a link is swapped in
// after the listing was read. Whatever they hold stands for the link's target.
class LinkRemoval : public FileRemoval {
protected:
    // Every call that would reach into `part`: each must stay unused.
    void GuardTarget(const std::string& part)
    {
        // Inside the link.
        guards_.Guard({SeamCall::NtCreateFile_Delete, SeamCall::SetFileInformationByHandle_Disposition}, part + "\\");
        // The link itself or anything inside: these would act on the target.
        guards_.Guard({SeamCall::GetFileInformationByHandleEx_List, SeamCall::SetFileInformationByHandle_Basic,
                       SeamCall::SetKernelObjectSecurity_Dacl, SeamCall::SetKernelObjectSecurity_Owner},
                      part);
    }
    int GuardHits() const { return guards_.Hits(); }

    SeamGuards guards_;
};

TEST_F(LinkRemoval, JunctionInsideTheTreeIsRemovedWithoutEnteringIt)
{
    std::string root = scratch_ / "Tree";
    MakeFolder(root);
    MakeFile(root + "\\keep-walking.txt");
    std::string junction = root + "\\ProfileJunction";
    MakeFolder(junction);
    ScopedEntryAttributes link("\\ProfileJunction", FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_MOUNT_POINT);
    GuardTarget("ProfileJunction");

    EXPECT_TRUE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_FALSE(Exists(root));
    EXPECT_EQ(GuardHits(), 0);
}

TEST_F(LinkRemoval, FolderSwappedForALinkAfterTheListingIsNeverListedEnteredOrChanged)
{
    std::string root = scratch_ / "Tree";
    MakeFolder(root);
    // The real folder stands for what the junction shows of its target.
    std::string junction = root + "\\Documents";
    MakeFolder(junction);
    for (const char* name : {"letter.doc", "photo.jpg", "taxes.xls"})
        MakeFile(junction + "\\" + name);
    MakeFolder(junction + "\\Private");
    ScopedEntryAttributes link("\\Documents", FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_MOUNT_POINT);
    GuardTarget("Documents");

    // RemoveDirectoryA on a real link takes the link alone; on Wine's stand-in
    // folder it refuses because the folder is not empty, which proves the
    // walk did not empty it first.
    EXPECT_FALSE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + WindowsErrorPiece(ERROR_DIR_NOT_EMPTY) +
                               "...in call to RemoveDirectory for \"" + junction + "\"\r\n");
    EXPECT_EQ(GuardHits(), 0);
    for (const char* name : {"letter.doc", "photo.jpg", "taxes.xls", "Private"})
        EXPECT_TRUE(Exists(junction + "\\" + name)) << name;
}

TEST_F(LinkRemoval, FolderHandedInThatIsALinkGoesAsALink)
{
    std::string link = scratch_ / "InstallLink";
    MakeFolder(link);
    MakeFile(link + "\\target-file.txt");
    ScopedEntryAttributes asLink("\\InstallLink", FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK);
    GuardTarget("InstallLink");

    EXPECT_FALSE(Remove::DeleteDirectory(link, log_));
    EXPECT_EQ(log_.Text(), Deleting(link) + WindowsErrorPiece(ERROR_DIR_NOT_EMPTY) +
                               "...in call to RemoveDirectory for \"" + link + "\"\r\n");
    EXPECT_EQ(GuardHits(), 0);
    EXPECT_TRUE(Exists(link + "\\target-file.txt"));

    std::string emptyLink = scratch_ / "EmptyLink";
    MakeFolder(emptyLink);
    ScopedEntryAttributes emptyAsLink("\\EmptyLink", FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_MOUNT_POINT);
    GuardTarget("EmptyLink");
    log_.Clear();
    EXPECT_TRUE(Remove::DeleteDirectoryTree(emptyLink, log_));
    EXPECT_EQ(log_.Text(), "");
    EXPECT_FALSE(Exists(emptyLink));
    EXPECT_EQ(GuardHits(), 0);
}

TEST_F(LinkRemoval, FileSymbolicLinkIsDeletedAsALink)
{
    std::string root = scratch_ / "Tree";
    MakeFolder(root);
    std::string fileLink = root + "\\hosts.lnk";
    MakeFile(fileLink);
    ScopedEntryAttributes asLink("\\hosts.lnk", FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK);
    // Granting access or changing attributes would reach the target.
    GuardTarget("hosts.lnk");

    EXPECT_TRUE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_EQ(GuardHits(), 0);
    EXPECT_FALSE(Exists(root));
}

TEST_F(LinkRemoval, LinkThatCannotBeDeletedWritesTheFileLine)
{
    std::string root = scratch_ / "Tree";
    MakeFolder(root);
    std::string fileLink = root + "\\config.link";
    MakeFile(fileLink);
    ScopedEntryAttributes asLink("\\config.link", FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK);
    ScopedFailure refuse(SeamCall::SetFileInformationByHandle_Disposition, ERROR_ACCESS_DENIED, "config.link");

    EXPECT_FALSE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + WindowsErrorPiece(ERROR_ACCESS_DENIED) +
                               "...error occured while trying to delete file \"" + fileLink + "\"\r\n");
}

// A path handed in past the ANSI limit fails with its line; none is cut
// short into another path. Below it a walk goes by handle, at any depth.
class LongPaths : public FileRemoval {
protected:
    // A folder whose path is `length` characters long, under the scratch folder.
    std::string FolderOfLength(size_t length)
    {
        std::string path = scratch_.Path();
        while (path.size() < length) {
            size_t room = length - path.size() - 1;
            std::string name(std::min<size_t>(room, 60), 'd');
            if (room > 60 && room - 60 < 2)
                name.resize(room - 2);
            path += "\\" + name;
            MakeFolderWide(path);
        }
        return path;
    }
    void TearDown() override
    {
        RemoveTreeWide(scratch_.Path());
    }
};

TEST_F(LongPaths, CheckAndDeleteOfAnOverlongPathFailWithTheirLines)
{
    std::string longPath = FolderOfLength(MAX_PATH + 20);
    ASSERT_GE(longPath.size(), static_cast<size_t>(MAX_PATH));

    EXPECT_FALSE(Remove::CheckFile(longPath, log_));
    EXPECT_FALSE(Remove::DeleteDirectory(longPath, log_));
    std::vector<std::string> expected = {
        "Checking for file \"" + longPath + "\"..." + WindowsErrorPiece(ERROR_FILENAME_EXCED_RANGE) +
            "...error occured while checking for file \"" + longPath + "\"",
        Deleting(longPath) + WindowsErrorPiece(ERROR_FILENAME_EXCED_RANGE) +
            "...error occured while granting access to file \"" + longPath + "\"",
    };
    EXPECT_EQ(log_.Lines(), expected);
    EXPECT_TRUE(ExistsWide(longPath));
}

// Runs `step` with only about `room` bytes of this thread's stack left: far
// less than the removal thread's 2 MB, so that a walk whose stack grows with
// the depth of the tree overflows it here (Wine gives no thread less than
// 1 MB, and a tree deep enough for that takes minutes to build under Wine).
template <typename Step>
void WithLittleStack(size_t room, Step step)
{
    MEMORY_BASIC_INFORMATION stack = {};
    ASSERT_NE(VirtualQuery(&stack, &stack, sizeof stack), 0u);
    size_t left = reinterpret_cast<char*>(&stack) - static_cast<char*>(stack.AllocationBase);
    ASSERT_GT(left, room);
    volatile char* taken = static_cast<char*>(_alloca(left - room));
    taken[0] = 0;
    step();
}

TEST_F(LongPaths, TreeHundredsOfLevelsDeepGoesOnAStackThatDoesNotGrowWithIt)
{
    // Built from the bottom up by renames near the top: each level costs the
    // same, where an open 400 levels down costs Wine hundreds of path lookups.
    const std::string chain = scratch_ / "chain", next = scratch_ / "next", root = scratch_ / "Deep";
    MakeFile(chain + "\\bottom.txt");
    for (int level = 0; level < 400; ++level) {
        MakeFolder(next);
        ASSERT_TRUE(MoveFileA(chain.c_str(), (next + "\\d").c_str()));
        ASSERT_TRUE(MoveFileA(next.c_str(), chain.c_str()));
    }
    ASSERT_TRUE(MoveFileA(chain.c_str(), root.c_str()));

    WithLittleStack(64 * 1024, [&] { EXPECT_TRUE(Remove::DeleteDirectory(root, log_)); });
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_FALSE(ExistsWide(root));
}

// The suite's root clean-up, as the program runs it, on a tree far deeper
// than any path call could reach; a failure deep inside names its whole path.
TEST(SuiteRoots, TreeFarPastThePathLimitGoesAndItsLogNamesTheDeepPaths)
{
    RemoveTreeIndependently(*Windows::LocalAppDataFolder() + "\\Varnek");
    std::string root = *Windows::ProgramFilesFolder() + "\\Varnek Enterprise";
    RemoveTreeWide(root);
    // Past the path limit, nothing else could take what a failure left.
    auto cleanUp = Windows::MakeScopeExit([&] { RemoveTreeWide(root); });
    MakeFolder(root);
    std::string deep = root;
    while (deep.size() < 620) {
        deep += "\\" + std::string(60, 'd');
        MakeFolderWide(deep);
        MakeFileWide(deep + "\\file.txt");
    }
    const std::string stuck = deep + "\\stuck.dat";
    MakeFileWide(stuck);
    RecordingLog log;
    {
        ScopedFailure refused(SeamCall::SetFileInformationByHandle_Disposition, ERROR_ACCESS_DENIED, "stuck.dat");
        Remove::RemoveSuiteRootFolders(log);
    }
    Remove::RemoveSuiteRootFolders(log);
    std::vector<std::string> expected = {
        "Deleting directory \"" + root + "\"..." + WindowsErrorPiece(ERROR_ACCESS_DENIED) +
            "...error occured while trying to delete file \"" + stuck + "\"",
        "Deleting directory \"" + root + "\"...done"};
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_FALSE(ExistsWide(root));
}

TEST_F(FileRemoval, FolderWhoseAttributesCannotBeReadIsNotTakenAsAbsent)
{
    std::string root = scratch_ / "Unreadable";
    MakeFolder(root);
    MakeFile(root + "\\data.bin");
    ScopedFailure unreadable(SeamCall::GetFileAttributesA, ERROR_ACCESS_DENIED, "Unreadable");

    EXPECT_TRUE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_FALSE(Exists(root));
}

TEST_F(FileRemoval, FolderWhoseHandleReachedAProtectedFolderIsRefused)
{
    std::string root = scratch_ / "Swapped";
    MakeFile(root + "\\data.bin");
    char system[MAX_PATH];
    ASSERT_NE(GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::string drivers = std::string(system) + "\\drivers";
    // As if a link had been put in the folder's place once its path was judged.
    WindowsPlatform::ScopedAnswer reached(SeamCall::GetFinalPathNameByHandleA, root, drivers);
    std::optional<std::string> refusal = Remove::ReachedFolderRefusal(drivers);
    ASSERT_TRUE(refusal.has_value());

    EXPECT_FALSE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), "Refusing to delete directory \"" + root + "\": " + *refusal + "\r\n");
    EXPECT_TRUE(Exists(root + "\\data.bin"));
    EXPECT_EQ(reached.Hits(), 1);
}

// What a file or folder is, and how deletes finish while others look: a file
// with other names, a holder that lets go late, entries others are deleting,
// read-only folders, volumes without POSIX deletes, listings that fail and
// reparse points that are no links.
class DeleteSemantics : public FileRemoval {
protected:
    // Guards on every call that would change the object itself, not its name.
    void GuardObject(const std::string& part)
    {
        guards_.Guard({SeamCall::SetFileInformationByHandle_Basic, SeamCall::SetKernelObjectSecurity_Dacl,
                       SeamCall::SetKernelObjectSecurity_Owner},
                      part);
    }
    int GuardHits() const { return guards_.Hits(); }

    SeamGuards guards_;
};

TEST_F(DeleteSemantics, FileWithOtherNamesLosesOnlyThisNameAndKeepsItsAttributes)
{
    const std::string other = scratch_ / "Elsewhere\\settings.cfg", root = scratch_ / "Suite";
    MakeFile(other, "another program's settings");
    MakeReadOnly(other);
    MakeFolder(root);
    ASSERT_TRUE(CreateHardLinkA((root + "\\settings.cfg").c_str(), other.c_str(), nullptr));
    // Forced onto the full way, where a grant would otherwise be tried.
    ScopedFailure noDeleteAccess(SeamCall::NtCreateFile_Delete, ERROR_ACCESS_DENIED, "Suite\\settings.cfg", 2);
    GuardObject("settings.cfg");

    const bool deleted = Remove::DeleteDirectory(root, log_);
    if (HasPosixDelete()) {
        // The name goes as it is: the read-only attribute is ignored, not cleared.
        EXPECT_TRUE(deleted);
        EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    } else {
        // Without that, the name cannot go unless the file changes: it stays.
        EXPECT_FALSE(deleted);
        EXPECT_EQ(log_.Text(), Deleting(root) + WindowsErrorPiece(ERROR_ACCESS_DENIED) +
                                   "...error occured while trying to delete file \"" + root + "\\settings.cfg\"\r\n");
    }
    EXPECT_EQ(GuardHits(), 0) << "owner, access list and attributes belong to the other file too";
    EXPECT_EQ(ReadTestFile(other), "another program's settings");
    EXPECT_NE(GetFileAttributesA(other.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(DeleteSemantics, FileHeldWithDeleteSharingGoesOnceItsHolderLetsGo)
{
    const std::string root = scratch_ / "Scanned";
    MakeFile(root + "\\indexed.log");
    MakeFile(root + "\\deeper\\indexed.dat");
    // What a scanner or an indexer does: it holds the file but lets others delete it.
    std::vector<Windows::UniqueFileHandle> holders;
    for (const char* name : {"\\indexed.log", "\\deeper\\indexed.dat"}) {
        holders.emplace_back(CreateFileA((root + name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                         FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holders.back().valid()) << name;
    }
    std::atomic<bool> released{false};
    std::thread holder([&] {
        Sleep(1500);
        released = true;
        holders.clear();
    });

    const bool deleted = Remove::DeleteDirectory(root, log_);
    // With POSIX deletes the names go at once; otherwise the folder waits for them.
    const bool whileHeld = !released;
    holder.join();
    EXPECT_TRUE(deleted);
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_FALSE(Exists(root));
    EXPECT_EQ(whileHeld, HasPosixDelete());
}

TEST_F(DeleteSemantics, EntriesOthersAreDeletingCountAsGoneAndTheirFolderWaitsForThem)
{
    const std::string root = scratch_ / "Pending", pending = root + "\\going.tmp";
    MakeFile(pending);
    MakeFile(root + "\\plain.txt");
    // Another process has marked it for deletion and holds it for a while.
    ScopedFailure beingDeleted(SeamCall::NtCreateFile_Delete, Windows::DeletePendingCode, "going.tmp");
    std::thread other([&] {
        Sleep(700);
        DeleteFileA(pending.c_str());
    });
    EXPECT_TRUE(Remove::DeleteDirectory(root, log_));
    other.join();
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_FALSE(Exists(root));

    // One that never goes: the folder is tried for five seconds, then fails with its line.
    log_.Clear();
    MakeFile(pending);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(Remove::DeleteDirectory(root, log_));
    EXPECT_GE(GetTickCount() - start, 4500u);
    EXPECT_EQ(log_.Text(), Deleting(root) + WindowsErrorPiece(ERROR_DIR_NOT_EMPTY) +
                               "...in call to RemoveDirectory for \"" + root + "\"\r\n");
    EXPECT_TRUE(Exists(pending));
}

TEST_F(DeleteSemantics, ReadOnlyFolderIsNeverClearedOfItsAttribute)
{
    const std::string root = scratch_ / "Customised";
    ScopedEntryAttributes readOnly("\\Customised", FILE_ATTRIBUTE_READONLY);
    GuardObject("Customised");
    if (HasPosixDelete()) {
        MakeFile(root + "\\desktop.ini");
        EXPECT_TRUE(Remove::DeleteDirectory(root, log_));
        EXPECT_FALSE(Exists(root));
    }
    // Where the system cannot ignore the attribute, it refuses the folder, every time.
    MakeFolder(root);
    log_.Clear();
    ScopedFailure refused(SeamCall::SetFileInformationByHandle_Disposition, ERROR_ACCESS_DENIED, "\\Customised");
    EXPECT_FALSE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + WindowsErrorPiece(ERROR_ACCESS_DENIED) +
                               "...in call to RemoveDirectory for \"" + root + "\"\r\n");
    EXPECT_EQ(GuardHits(), 0);
}

TEST_F(DeleteSemantics, VolumeThatRefusesPosixDeletesFallsBackAloneAndOnlyOnce)
{
    // Three trees on two volumes, as the seam presents them.
    const std::string fat = scratch_ / "OnFat", ntfs = scratch_ / "OnNtfs", fatAgain = scratch_ / "OnFatAgain";
    const std::string fatVolume = std::to_string(GetTickCount() | 0x100000000ull), ntfsVolume = fatVolume + "1";
    std::vector<std::unique_ptr<WindowsPlatform::ScopedAnswer>> volumes;
    for (const auto& tree : {std::make_pair(fat, fatVolume), std::make_pair(ntfs, ntfsVolume),
                             std::make_pair(fatAgain, fatVolume)}) {
        MakeFile(tree.first + "\\a.txt");
        MakeFile(tree.first + "\\b.txt");
        volumes.push_back(std::make_unique<WindowsPlatform::ScopedAnswer>(SeamCall::GetFileInformationByHandle_Volume,
                                                                          tree.first, tree.second));
    }
    {
        ScopedFailure fatRefuses(SeamCall::SetFileInformationByHandle_DispositionEx, ERROR_INVALID_PARAMETER, "OnFat\\");
        EXPECT_TRUE(Remove::DeleteDirectory(fat, log_));
        EXPECT_EQ(fatRefuses.Hits(), 2) << "both flags given up on the first file, never asked again";
    }
    ScopedFailure ntfsAsked(SeamCall::SetFileInformationByHandle_DispositionEx, ERROR_INVALID_PARAMETER, "OnNtfs\\");
    ScopedFailure fatNotAsked(SeamCall::SetFileInformationByHandle_DispositionEx, ERROR_INVALID_PARAMETER,
                              "OnFatAgain\\", -1, Firing::Optional);
    EXPECT_TRUE(Remove::DeleteDirectory(ntfs, log_));
    EXPECT_TRUE(Remove::DeleteDirectory(fatAgain, log_));
    EXPECT_EQ(fatNotAsked.Hits(), 0);
    EXPECT_EQ(log_.Text(), Deleting(fat) + "done\r\n" + Deleting(ntfs) + "done\r\n" + Deleting(fatAgain) + "done\r\n");
    for (const std::string& tree : {fat, ntfs, fatAgain})
        EXPECT_FALSE(Exists(tree)) << tree;
}

TEST_F(DeleteSemantics, ListingErrorsAndReparsePointsThatAreNoLinks)
{
    // A listing that fails says why, not "not empty".
    const std::string root = scratch_ / "Unlistable";
    MakeFile(root + "\\inner\\data.bin");
    {
        ScopedFailure listing(SeamCall::GetFileInformationByHandleEx_List, ERROR_NOT_ENOUGH_MEMORY, "\\inner");
        EXPECT_FALSE(Remove::DeleteDirectory(root, log_));
        EXPECT_EQ(log_.Text(), Deleting(root) + WindowsErrorPiece(ERROR_NOT_ENOUGH_MEMORY) +
                                   "...in call to RemoveDirectory for \"" + root + "\\inner\"\r\n");
        EXPECT_TRUE(Exists(root + "\\inner\\data.bin"));
    }
    // A cloud placeholder (like a deduplicated file) is an object with
    // contents: walked and emptied like any other folder.
    log_.Clear();
    MakeFile(root + "\\Placeholder\\synced.docx");
    const DWORD cloudPlaceholder = 0x9000001A;
    ScopedEntryAttributes placeholder("\\Placeholder", FILE_ATTRIBUTE_REPARSE_POINT, cloudPlaceholder);
    EXPECT_TRUE(Remove::DeleteDirectory(root, log_));
    EXPECT_EQ(log_.Text(), Deleting(root) + "done\r\n");
    EXPECT_FALSE(Exists(root));
}
