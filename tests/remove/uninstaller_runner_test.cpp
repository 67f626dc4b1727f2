// The uninstaller runner against real processes (test_uninstaller.exe).
#include "remove/uninstaller_runner.h"

#include "support/owned_handle.h"
#include "support/platform_seam.h"
#include "support/windows_error.h"
#include "testkit/file_tree.h"
#include "testkit/fixture_programs.h"
#include "testkit/recording_log.h"
#include "testkit/registered_service.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using WindowsPlatform::SeamCall;

namespace {

const char* const Product = "Test Product";
const DWORD RunnerTimeLimit = 30000;

struct RunnerCall {
    std::string commandLine;
    RecordingLog log;
    bool result = false;
};

DWORD WINAPI RunnerThread(void* parameter)
{
    RunnerCall& call = *static_cast<RunnerCall*>(parameter);
    call.result = Remove::RunUninstaller(call.commandLine, Product, call.log);
    return 0;
}

// The runner waits without a time-out by design; the test does not. A runner
// that hangs ends this test process, which still reads as a failure.
bool RunBounded(RunnerCall& call)
{
    HANDLE thread = CreateThread(nullptr, 0, RunnerThread, &call, 0, nullptr);
    if (!thread)
        return false;
    DWORD waited = WaitForSingleObject(thread, RunnerTimeLimit);
    CloseHandle(thread);
    if (waited != WAIT_OBJECT_0) {
        std::fprintf(stderr, "RunUninstaller did not return within %lu ms\n",
                     static_cast<unsigned long>(RunnerTimeLimit));
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 99);
    }
    return true;
}

std::string Uninstaller(const std::string& arguments)
{
    return "\"" + FixtureProgram("test_uninstaller") + "\" " + arguments;
}

std::string RunningLine(const std::string& command)
{
    return std::string("Running uninstaller for \"") + Product + "\" with command " + command + "\r\n";
}

} // namespace

TEST(UninstallerRunner, WaitEndsOnlyWhenTheGrandchildHasEnded)
{
    ScratchFolder folder;
    const std::string marker = folder / "grandchild.done";
    RunnerCall call;
    call.commandLine = Uninstaller("spawn \"" + marker + "\"");

    DWORD start = GetTickCount();
    ASSERT_TRUE(RunBounded(call));
    DWORD elapsed = GetTickCount() - start;

    EXPECT_TRUE(call.result);
    EXPECT_TRUE(Exists(marker)) << "returned before the grandchild wrote its marker";
    EXPECT_GE(elapsed, 1000u);
    EXPECT_EQ(call.log.Text(),
              RunningLine(call.commandLine) + "...waiting for the uninstaller to finish...finished\r\n");
}

TEST(UninstallerRunner, ExitCodeIsNotJudged)
{
    for (const char* code : {"0", "1603"}) {
        SCOPED_TRACE(code);
        RunnerCall call;
        call.commandLine = Uninstaller(std::string("exit ") + code);
        ASSERT_TRUE(RunBounded(call));
        EXPECT_TRUE(call.result);
        EXPECT_EQ(call.log.Text(),
                  RunningLine(call.commandLine) + "...waiting for the uninstaller to finish...finished\r\n");
    }
}

TEST(UninstallerRunner, UninstallerSeesOurEnvironment)
{
    ScratchFolder folder;
    const std::string output = folder / "environment.txt";
    const std::string variable = UniqueTestName("ZEM_RUNNER_VARIABLE");
    ASSERT_TRUE(SetEnvironmentVariableA(variable.c_str(), "value with blanks & signs"));

    RunnerCall call;
    call.commandLine = Uninstaller("env " + variable + " \"" + output + "\"");
    ASSERT_TRUE(RunBounded(call));
    SetEnvironmentVariableA(variable.c_str(), nullptr);

    EXPECT_TRUE(call.result);
    EXPECT_EQ(ReadTestFile(output), "value with blanks & signs");
}

TEST(UninstallerRunner, MissingProgramIsAnErrorCreatingTheProcess)
{
    ScratchFolder folder;
    RunnerCall call;
    call.commandLine = "\"" + (folder / "missing_uninstaller.exe") + "\" /x";
    ASSERT_TRUE(RunBounded(call));

    EXPECT_FALSE(call.result);
    EXPECT_EQ(call.log.Text(), RunningLine(call.commandLine) + "...error creating process: " +
                                   Windows::Error(ERROR_FILE_NOT_FOUND).what() + "\r\n");
}

TEST(UninstallerRunner, SetUpFailureEndsTheSuspendedProcess)
{
    // A job of the test's own that forbids leaving it: the uninstaller starts
    // inside it, so its process count shows whether the guard ended it.
    Windows::UniqueKernelHandle outerJob(CreateJobObjectA(nullptr, nullptr));
    ASSERT_TRUE(outerJob);
    ASSERT_TRUE(AssignProcessToJobObject(outerJob.get(), GetCurrentProcess())) << GetLastError();
    auto activeProcesses = [&] {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
        QueryInformationJobObject(outerJob.get(), JobObjectBasicAccountingInformation, &accounting,
                                  sizeof accounting, nullptr);
        return accounting.ActiveProcesses;
    };
    ASSERT_EQ(activeProcesses(), 1u) << "this test process alone";

    ScratchFolder folder;
    WindowsPlatform::ScopedFailure refused(SeamCall::AssignProcessToJobObject, ERROR_ACCESS_DENIED);
    RunnerCall call;
    call.commandLine = Uninstaller("spawn \"" + (folder / "grandchild.done") + "\"");
    ASSERT_TRUE(RunBounded(call));

    EXPECT_FALSE(call.result);
    EXPECT_EQ(call.log.Text(), RunningLine(call.commandLine) +
                                   "...waiting for the uninstaller to finish......error creating IO completion port" +
                                   Windows::Error(ERROR_ACCESS_DENIED).what() + "\r\n");
    EXPECT_EQ(refused.Hits(), 1);
    EXPECT_TRUE(WaitUntil([&] { return activeProcesses() == 1; }, 5000))
        << activeProcesses() << " processes: the suspended uninstaller was left behind";
}

// Deployment tools often start us inside a job that forbids leaving it: the
// uninstaller then starts inside our job, and the wait still covers its children.
TEST(UninstallerRunner, RunsInsideAJobThatForbidsBreakingAway)
{
    HANDLE outerJob = CreateJobObjectA(nullptr, nullptr);
    ASSERT_NE(outerJob, nullptr);
    ASSERT_TRUE(AssignProcessToJobObject(outerJob, GetCurrentProcess())) << GetLastError();

    ScratchFolder folder;
    const std::string marker = folder / "grandchild.done";
    RunnerCall call;
    call.commandLine = Uninstaller("spawn \"" + marker + "\"");
    ASSERT_TRUE(RunBounded(call));
    EXPECT_TRUE(call.result) << call.log.Text();
    EXPECT_TRUE(Exists(marker)) << "returned before the grandchild wrote its marker";
    EXPECT_EQ(call.log.Text(),
              RunningLine(call.commandLine) + "...waiting for the uninstaller to finish...finished\r\n");
    CloseHandle(outerJob);
}

// The end message is only a notification: when it is lost, the job's own
// count still ends the wait, and not before the grandchild has ended.
TEST(UninstallerRunner, ALostEndMessageStillEndsTheWaitOnceTheJobIsEmpty)
{
    ScratchFolder folder;
    const std::string marker = folder / "grandchild.done";
    WindowsPlatform::ScopedFailure lost(SeamCall::GetQueuedCompletionStatus, ERROR_ABANDONED_WAIT_0);
    RunnerCall call;
    call.commandLine = Uninstaller("spawn \"" + marker + "\"");
    ASSERT_TRUE(RunBounded(call));

    EXPECT_EQ(lost.Hits(), 1);
    EXPECT_TRUE(call.result);
    EXPECT_TRUE(Exists(marker)) << "returned before the grandchild wrote its marker";
    EXPECT_EQ(call.log.Text(),
              RunningLine(call.commandLine) + "...waiting for the uninstaller to finish...finished\r\n");
}
