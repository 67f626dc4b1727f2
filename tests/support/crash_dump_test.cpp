#include "support/crash_dump.h"

#include "support/notification.h"
#include "support/platform_seam.h"
#include "testkit/machine_state.h"

#include <gtest/gtest.h>

#include <dbghelp.h>

#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace MachineState;

const char IndexKey[] = "Software\\Varnek\\Minidumps";

std::string ProgramName()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::strrchr(path, '\\') + 1;
}

std::string ProgramStem()
{
    std::string name = ProgramName();
    return name.substr(0, name.rfind('.'));
}

std::string DumpFolder()
{
    return LocalAppData() + "\\Varnek";
}

// "<folder>\<exe stem><suffix>.dmp"
std::string DumpPath(const std::string& suffix, const std::string& folder = DumpFolder())
{
    return folder + "\\" + ProgramStem() + suffix + ".dmp";
}

std::vector<std::string> DumpFiles(const std::string& folder = DumpFolder())
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*.dmp").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(entry.cFileName);
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

// The one dump file written since the last call, removed; "" for none.
std::string TakeOnlyDump()
{
    std::vector<std::string> names = DumpFiles();
    for (const std::string& name : names)
        DeleteFileA((DumpFolder() + "\\" + name).c_str());
    return names.size() == 1 ? names.front() : names.empty() ? "" : "several";
}

// The program's stored index, or -1 when there is none.
long long StoredIndex()
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, IndexKey, ProgramName().c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return -1;
    return value;
}

void SetStoredIndex(DWORD index)
{
    SetDword(HKEY_CURRENT_USER, IndexKey, ProgramName(), index);
}

void SetMachineSetting(const char* name, DWORD value)
{
    SetDword(HKEY_LOCAL_MACHINE, "Software\\Varnek", name, value);
}

void ThrowInNotification(std::function<void()> thrower)
{
    DeliverNotification(thrower);
    ASSERT_TRUE(TakePendingException()) << "the failure must reach the wrapper's handlers";
}

void ThrowAccessDeniedInNotification()
{
    ThrowInNotification([] { throw Windows::Error(ERROR_ACCESS_DENIED); });
}

struct DumpSummary {
    bool signature = false;
    ULONG64 flags = 0;
    MINIDUMP_EXCEPTION_STREAM exception = {};
    bool hasException = false;
};

DumpSummary ReadDump(const std::string& path)
{
    DumpSummary summary;
    std::string bytes = ReadFile(path);
    if (bytes.size() < sizeof(MINIDUMP_HEADER))
        return summary;
    MINIDUMP_HEADER header;
    std::memcpy(&header, bytes.data(), sizeof header);
    summary.signature = bytes.compare(0, 4, "MDMP") == 0;
    summary.flags = header.Flags;
    for (ULONG32 i = 0; i < header.NumberOfStreams; ++i) {
        MINIDUMP_DIRECTORY entry;
        std::size_t at = header.StreamDirectoryRva + i * sizeof entry;
        if (at + sizeof entry > bytes.size())
            break;
        std::memcpy(&entry, bytes.data() + at, sizeof entry);
        if (entry.StreamType == ExceptionStream && entry.Location.Rva + sizeof summary.exception <= bytes.size()) {
            std::memcpy(&summary.exception, bytes.data() + entry.Location.Rva, sizeof summary.exception);
            summary.hasException = true;
        }
    }
    return summary;
}

// Every test starts and ends without the suite's keys and dump folder.
class CrashDumpTest : public ::testing::Test {
protected:
    ~CrashDumpTest() override { DeleteFileA(DumpPath("_0", TestBinFolder()).c_str()); }

    CleanSuiteMachine machine_;
};

// Notes at its destruction whether the dump file already existed.
struct DumpProbe {
    std::string path;
    bool* existed;
    ~DumpProbe() { *existed = PathExists(path); }
};

TEST_F(CrashDumpTest, DumpWithoutSuiteKeyIsARealMinidumpWrittenAtTheThrow)
{
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Varnek"));
    bool existedAtUnwinding = false;
    DeliverNotification([&] {
        DumpProbe probe{DumpPath("_0"), &existedAtUnwinding};
        throw Windows::Error(ERROR_ACCESS_DENIED);
    });
    EXPECT_TRUE(existedAtUnwinding) << "the dump is written before the throwing frame unwinds";
    std::unique_ptr<CaughtException> pending = TakePendingException();
    ASSERT_TRUE(pending);
    try {
        pending->rethrow();
    } catch (const Windows::Error& error) {
        EXPECT_EQ(ERROR_ACCESS_DENIED, error.Code()) << "the failure goes on unchanged";
    }

    DumpSummary dump = ReadDump(DumpPath("_0"));
    EXPECT_TRUE(dump.signature);
    EXPECT_EQ(static_cast<ULONG64>(MiniDumpNormal), dump.flags);
    ASSERT_TRUE(dump.hasException);
    EXPECT_EQ(GetCurrentThreadId(), dump.exception.ThreadId);
    EXPECT_EQ(WindowsPlatform::ProgramThrowCode, dump.exception.ExceptionRecord.ExceptionCode);
    EXPECT_EQ(2u, dump.exception.ExceptionRecord.NumberParameters);
    EXPECT_EQ(reinterpret_cast<ULONG64>(&typeid(Windows::Error)),
              dump.exception.ExceptionRecord.ExceptionInformation[1]);
    EXPECT_EQ(1, StoredIndex());
}

TEST_F(CrashDumpTest, DumpTypeIsPassedUnchanged)
{
    const DWORD type = MiniDumpWithHandleData | MiniDumpWithUnloadedModules;
    SetDword(HKEY_CURRENT_USER, "Software\\Varnek", "MINIDUMP_TYPE", type);
    ThrowAccessDeniedInNotification();
    DumpSummary dump = ReadDump(DumpPath("_0"));
    ASSERT_TRUE(dump.signature);
    EXPECT_EQ(type, dump.flags);
}

TEST_F(CrashDumpTest, OnlyNewDumpableThrowsInsideNotificationsAreDumped)
{
    std::exception_ptr earlier;
    try {
        throw Windows::Error(ERROR_FILE_NOT_FOUND);
    } catch (...) {
        earlier = std::current_exception();
    }
    EXPECT_EQ("", TakeOnlyDump()) << "a throw outside a notification";

    struct Case {
        const char* what;
        std::function<void()> thrower;
        bool dumped;
    } cases[] = {
        {"Windows::Error", [] { throw Windows::Error(ERROR_ACCESS_DENIED); }, true},
        {"DatabaseDeadlockException", [] { throw DatabaseDeadlockException("deadlock"); }, true},
        {"DatabaseConnectionError", [] { throw DatabaseConnectionError("down"); }, false},
        {"DatabaseTimeoutExpiredError", [] { throw DatabaseTimeoutExpiredError("slow"); }, false},
        {"DatabaseRestoringError", [] { throw DatabaseRestoringError("restoring"); }, false},
        {"std::rethrow_exception", [&] { std::rethrow_exception(earlier); }, false},
    };
    for (const Case& c : cases) {
        ThrowInNotification(c.thrower);
        EXPECT_EQ(c.dumped ? ProgramStem() + "_0.dmp" : "", TakeOnlyDump()) << c.what;
        SetStoredIndex(0);
    }

    try {
        std::rethrow_exception(earlier);
    } catch (...) {
        ThrowInNotification([] { throw; });
    }
    EXPECT_EQ("", TakeOnlyDump()) << "a rethrow of the object being handled";

    EXCEPTION_RECORD record = {};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    CONTEXT context = {};
    EXCEPTION_POINTERS pointers = {&record, &context};
    EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, WindowsPlatform::DumpFilter(&pointers));
    EXPECT_EQ("", TakeOnlyDump()) << "a system exception";

    SetMachineSetting("WriteMiniDumps", 0);
    SetStoredIndex(2);
    ThrowAccessDeniedInNotification();
    EXPECT_EQ("", TakeOnlyDump()) << "dumps turned off";
    EXPECT_EQ(2, StoredIndex());
}

TEST_F(CrashDumpTest, MaxDumpFilesRotatesTheIndex)
{
    SetMachineSetting("MaxDumpFiles", 3);
    std::vector<std::string> written;
    for (int i = 0; i < 6; ++i) {
        ThrowAccessDeniedInNotification();
        written.push_back(TakeOnlyDump());
    }
    std::string s = ProgramStem();
    EXPECT_EQ((std::vector<std::string>{s + "_0.dmp", s + "_1.dmp", s + "_2.dmp", s + "_0.dmp", s + "_1.dmp",
                                        s + "_2.dmp"}),
              written);

    // An index left from a larger limit is brought into range.
    SetStoredIndex(7);
    ThrowAccessDeniedInNotification();
    EXPECT_EQ(s + "_1.dmp", TakeOnlyDump());
    EXPECT_EQ(2, StoredIndex());

    SetMachineSetting("MaxDumpFiles", 0);
    SetStoredIndex(0xFFFFFFFEu);
    ThrowAccessDeniedInNotification();
    EXPECT_EQ(s + "_4294967294.dmp", TakeOnlyDump()) << "no limit";
    EXPECT_EQ(0, StoredIndex()) << "the unlimited counter wraps before the largest value";
}

TEST_F(CrashDumpTest, MaxDumpFilesOneOverwritesOneFile)
{
    SetMachineSetting("MaxDumpFiles", 1);
    ThrowAccessDeniedInNotification();
    MakeFile(DumpPath(""), "earlier");
    ThrowAccessDeniedInNotification();
    EXPECT_TRUE(ReadDump(DumpPath("")).signature);
    EXPECT_EQ(1u, DumpFiles().size());
    EXPECT_EQ(-1, StoredIndex()) << "a single file needs no index";
}

TEST_F(CrashDumpTest, DumpAsSystemLandsNextToTheExecutable)
{
    WindowsPlatform::ScopedUserName system("SYSTEM");
    ThrowAccessDeniedInNotification();
    EXPECT_TRUE(ReadDump(DumpPath("_0", TestBinFolder())).signature);
    EXPECT_TRUE(DumpFiles().empty());
}

TEST_F(CrashDumpTest, DumpWithAMissingPlatformFunctionWritesNothing)
{
    for (const char* function :
         {"MiniDumpWriteDump", "PathFindFileNameA", "PathAppendA", "PathRenameExtensionA", "SHGetFolderPathA"}) {
        WindowsPlatform::ScopedFailure missing("GetProcAddress", ERROR_PROC_NOT_FOUND, function);
        ThrowAccessDeniedInNotification();
        EXPECT_EQ(1, missing.Hits()) << function;
        EXPECT_EQ("", TakeOnlyDump()) << function;
    }
}

} // namespace
