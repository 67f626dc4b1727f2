#include "support/crash_dump.h"

#include "support/notification.h"
#include "support/platform_seam.h"
#include "testkit/machine_state.h"

#include <gtest/gtest.h>

#include <dbghelp.h>

#include <cstring>
#include <functional>

namespace {

using namespace MachineState;

const char Program[] = "support_tests.exe";
const char IndexKey[] = "Software\\Varnek\\Minidumps";

std::string DumpPath(const std::string& suffix, const std::string& folder = LocalAppData() + "\\Varnek")
{
    return folder + "\\support_tests" + suffix + ".dmp";
}

// The names of the dump files written since the last call, which are removed.
std::string TakeDumps()
{
    std::string names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(DumpPath("*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        names += (names.empty() ? "" : " ") + std::string(entry.cFileName);
        DeleteFileA((LocalAppData() + "\\Varnek\\" + entry.cFileName).c_str());
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

long long StoredIndex()
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, IndexKey, Program, RRF_RT_REG_DWORD, nullptr, &value, &size))
        return -1;
    return value;
}

void ThrowInNotification(std::function<void()> thrower = [] { throw Windows::Error(ERROR_ACCESS_DENIED); })
{
    DeliverNotification(thrower);
    EXPECT_TRUE(TakePendingException()) << "the failure must reach the wrapper's handlers";
}

struct Minidump {
    MINIDUMP_HEADER header = {};
    MINIDUMP_EXCEPTION_STREAM exception = {};
};

Minidump ReadDump(const std::string& path)
{
    Minidump dump;
    std::string bytes = ReadTestFile(path);
    if (bytes.size() < sizeof dump.header)
        return dump;
    std::memcpy(&dump.header, bytes.data(), sizeof dump.header);
    for (ULONG32 i = 0; i < dump.header.NumberOfStreams; ++i) {
        MINIDUMP_DIRECTORY entry;
        std::memcpy(&entry, bytes.data() + dump.header.StreamDirectoryRva + i * sizeof entry, sizeof entry);
        if (entry.StreamType == ExceptionStream)
            std::memcpy(&dump.exception, bytes.data() + entry.Location.Rva, sizeof dump.exception);
    }
    return dump;
}

// Every test starts and ends without the suite's keys and dump folder.
class CrashDumpTest : public ::testing::Test {
protected:
    // Wine's dump writer loads the symbols of every module first, parsing the
    // debug information of this test program and of Wine's own libraries:
    // seconds per dump, for nothing a dump contains. Deferred loading keeps the
    // dumps real and the same, and the process's dbghelp is the one the code
    // under test loads. (Windows' writer loads no symbols at all.)
    CrashDumpTest() { SymSetOptions(SymGetOptions() | SYMOPT_DEFERRED_LOADS); }
    ~CrashDumpTest() override { DeleteFileA(DumpPath("_0", TestBinFolder()).c_str()); }

    CleanSuiteMachine machine_;
};

TEST_F(CrashDumpTest, DumpWithoutSuiteKeyIsARealMinidumpWrittenAtTheThrow)
{
    struct Probe {
        bool& dumpExisted;
        ~Probe() { dumpExisted = Exists(DumpPath("_0")); }
    };
    bool existedAtUnwinding = false;
    DeliverNotification([&] {
        Probe probe{existedAtUnwinding};
        throw Windows::Error(ERROR_ACCESS_DENIED);
    });
    EXPECT_TRUE(existedAtUnwinding) << "the dump is written before the throwing frame unwinds";
    std::unique_ptr<CaughtException> pending = TakePendingException();
    ASSERT_TRUE(pending);
    EXPECT_THROW(pending->rethrow(), Windows::Error) << "the failure goes on to the wrapper unchanged";

    Minidump dump = ReadDump(DumpPath("_0"));
    EXPECT_EQ(0, std::memcmp(&dump.header.Signature, "MDMP", 4));
    EXPECT_EQ(static_cast<ULONG64>(MiniDumpNormal), dump.header.Flags);
    EXPECT_EQ(GetCurrentThreadId(), dump.exception.ThreadId);
    const MINIDUMP_EXCEPTION& record = dump.exception.ExceptionRecord;
    EXPECT_EQ(WindowsPlatform::ProgramThrowCode, record.ExceptionCode);
    ASSERT_EQ(2u, record.NumberParameters);
    EXPECT_EQ(reinterpret_cast<ULONG64>(&typeid(Windows::Error)), record.ExceptionInformation[1]);
    EXPECT_EQ(1, StoredIndex());
}

TEST_F(CrashDumpTest, DumpSettingsTurnOffTypeRotationAndFolder)
{
    SetTestDword(HKEY_LOCAL_MACHINE, "Software\\Varnek", "MaxDumpFiles", 3);
    SetTestDword(HKEY_LOCAL_MACHINE, "Software\\Varnek", "WriteMiniDumps", 0);
    ThrowInNotification();
    EXPECT_EQ("", TakeDumps()) << "dumps turned off";
    EXPECT_EQ(-1, StoredIndex());

    SetTestDword(HKEY_LOCAL_MACHINE, "Software\\Varnek", "WriteMiniDumps", 2);
    const DWORD type = MiniDumpWithHandleData | MiniDumpWithUnloadedModules;
    SetTestDword(HKEY_CURRENT_USER, "Software\\Varnek", "MINIDUMP_TYPE", type);
    std::string written;
    for (int i = 0; i < 6; ++i) {
        ThrowInNotification();
        written += TakeDumps() + " ";
    }
    EXPECT_EQ("support_tests_0.dmp support_tests_1.dmp support_tests_2.dmp "
              "support_tests_0.dmp support_tests_1.dmp support_tests_2.dmp ", written);
    SetTestDword(HKEY_CURRENT_USER, IndexKey, Program, 7);
    ThrowInNotification();
    EXPECT_EQ(type, ReadDump(DumpPath("_1")).header.Flags) << "the type is passed unchanged";
    EXPECT_EQ("support_tests_1.dmp", TakeDumps()) << "an index from a larger limit is brought into range";
    EXPECT_EQ(2, StoredIndex());

    SetTestDword(HKEY_LOCAL_MACHINE, "Software\\Varnek", "MaxDumpFiles", 0);
    SetTestDword(HKEY_CURRENT_USER, IndexKey, Program, 0xFFFFFFFE);
    ThrowInNotification();
    EXPECT_EQ("support_tests_4294967294.dmp", TakeDumps()) << "no limit";
    EXPECT_EQ(0, StoredIndex());

    SetTestDword(HKEY_LOCAL_MACHINE, "Software\\Varnek", "MaxDumpFiles", 1);
    SetTestDword(HKEY_CURRENT_USER, IndexKey, Program, 5);
    ThrowInNotification();
    MakeFile(DumpPath(""), "earlier");
    ThrowInNotification();
    EXPECT_EQ(0, ReadTestFile(DumpPath("")).compare(0, 4, "MDMP")) << "one file, overwritten";
    EXPECT_EQ("support_tests.dmp", TakeDumps());
    EXPECT_EQ(5, StoredIndex()) << "a single file needs no index";
}

TEST_F(CrashDumpTest, DumpOnlyNewThrowsOfDumpableTypesInsideNotifications)
{
    std::exception_ptr earlier;
    try {
        throw Windows::Error(ERROR_FILE_NOT_FOUND);
    } catch (...) {
        earlier = std::current_exception();
    }
    EXPECT_EQ("", TakeDumps()) << "a throw outside a notification";

    struct Case {
        const char* what;
        std::function<void()> thrower;
        const char* dumps;
    } cases[] = {
        {"Windows::Error", [] { throw Windows::Error(ERROR_ACCESS_DENIED); }, "support_tests_0.dmp"},
        {"DatabaseDeadlockException", [] { throw DatabaseDeadlockException("x"); }, "support_tests_1.dmp"},
        {"DatabaseConnectionError", [] { throw DatabaseConnectionError("x"); }, ""},
        {"DatabaseTimeoutExpiredError", [] { throw DatabaseTimeoutExpiredError("x"); }, ""},
        {"DatabaseRestoringError", [] { throw DatabaseRestoringError("x"); }, ""},
        {"std::rethrow_exception", [&] { std::rethrow_exception(earlier); }, ""},
    };
    for (const Case& c : cases) {
        ThrowInNotification(c.thrower);
        EXPECT_EQ(c.dumps, TakeDumps()) << c.what;
    }
    try {
        std::rethrow_exception(earlier);
    } catch (...) {
        ThrowInNotification([] { throw; });
    }
    EXPECT_EQ("", TakeDumps()) << "a rethrow of the object being handled";
}

TEST_F(CrashDumpTest, DumpAsSystemOrWithAMissingPlatformFunction)
{
    for (const char* function :
         {"MiniDumpWriteDump", "PathFindFileNameA", "PathAppendA", "PathRenameExtensionA", "SHGetFolderPathA"}) {
        WindowsPlatform::ScopedFailure missing(WindowsPlatform::SeamCall::GetProcAddress, ERROR_PROC_NOT_FOUND, function);
        ThrowInNotification();
        EXPECT_EQ(1, missing.Hits()) << function;
        EXPECT_EQ("", TakeDumps()) << function;
    }
    WindowsPlatform::ScopedUserName system("SYSTEM");
    ThrowInNotification();
    EXPECT_EQ(0, ReadTestFile(DumpPath("_0", TestBinFolder())).compare(0, 4, "MDMP")) << "next to the executable";
    EXPECT_EQ("", TakeDumps());
}

} // namespace
