#include "remove/uninstaller_runner.h"

#include "support/platform_seam.h"
#include "support/windows_error.h"

#include <vector>

namespace Windows {

UniqueKernelHandle CreateJob()
{
    UniqueKernelHandle job(CreateJobObjectA(nullptr, nullptr));
    CheckWindowsResult(job.valid());
    return job;
}

StartedProcess StartProcess(const std::string& commandLine, DWORD creationFlags)
{
    // CreateProcessA may write into the command line.
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');

    // Only the size is set: no window-show request.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION information = {};
    CheckWindowsResult(CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                                      nullptr, &startup, &information));

    StartedProcess started;
    started.process.reset(information.hProcess);
    started.thread.reset(information.hThread);
    started.processId = information.dwProcessId;
    started.threadId = information.dwThreadId;
    return started;
}

UniqueKernelHandle CreateCompletionPort(ULONG_PTR completionKey)
{
    UniqueKernelHandle port(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, completionKey, 0));
    CheckWindowsResult(port.valid());
    return port;
}

void SetJobInformation(HANDLE job, JOBOBJECTINFOCLASS infoClass, void* information, DWORD size)
{
    CheckWindowsResult(SetInformationJobObject(job, infoClass, information, size));
}

void AssignProcessToJob(HANDLE job, HANDLE process)
{
    // Wine offers no way to have a fresh process refused by a job; tests use the seam.
    if (DWORD injected = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::AssignProcessToJobObject))
        ThrowWindowsError(injected);
    CheckWindowsResult(AssignProcessToJobObject(job, process));
}

DWORD ResumeProcessThread(HANDLE thread)
{
    DWORD previousCount = ResumeThread(thread);
    if (previousCount == static_cast<DWORD>(-1))
        ThrowLastWindowsError();
    return previousCount;
}

} // namespace Windows

namespace Remove {

namespace {

const ULONG_PTR JobCompletionKey = 1;

// Windows does not promise to deliver a job's messages: one that never arrives
// does not mean that the event did not happen. And the 32-bit program under
// Wine has been seen to sleep on the port for good, the uninstaller long gone,
// when it waited without a time-out. So the wait wakes this often while the
// port stays quiet, asks the job itself whether any process is left, and looks
// at the port again. This is no time-out: an uninstaller still running is
// still waited for.
const DWORD QuietPortInterval = 2000;

bool JobHasNoProcessLeft(HANDLE job)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    return QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                     nullptr) &&
           accounting.ActiveProcesses == 0;
}

// Waits until the job's last process has ended. False when a wait fails.
bool WaitForEmptyJob(HANDLE job, HANDLE port)
{
    for (;;) {
        DWORD waited = WaitForSingleObject(port, QuietPortInterval);
        if (waited == WAIT_TIMEOUT) {
            if (JobHasNoProcessLeft(job))
                return true;
            continue;
        }
        if (waited != WAIT_OBJECT_0)
            return false;
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        // Every other job message (new process, process exit, ...) is read and dropped.
        if (GetQueuedCompletionStatus(port, &message, &key, &detail, INFINITE) &&
            message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO &&
            !WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::GetQueuedCompletionStatus))
            return true;
    }
}

// The uninstaller leaves our own job, if we run in one, so that only its own
// processes are counted. A job that forbids leaving it (deployment tools often
// start us in one) refuses that with 5; jobs nest, so start it inside ours then.
Windows::StartedProcess StartUninstallerProcess(const std::string& commandLine)
{
    try {
        return Windows::StartProcess(commandLine, CREATE_SUSPENDED | CREATE_BREAKAWAY_FROM_JOB);
    } catch (const Windows::Error& error) {
        if (error.Code() != ERROR_ACCESS_DENIED)
            throw;
    }
    return Windows::StartProcess(commandLine, CREATE_SUSPENDED);
}

} // namespace

bool RunUninstaller(const std::string& commandLine, const std::string& productName, Log& log)
{
    log << "Running uninstaller for \"" << productName << "\" with command " << commandLine << LineEnd;

    Windows::UniqueKernelHandle job;
    Windows::StartedProcess started;
    try {
        job = Windows::CreateJob();
        // Suspended, so that nothing runs before it belongs to the job.
        started = StartUninstallerProcess(commandLine);
    } catch (...) {
        log << "...error creating process: " << DescribeCurrentException() << LineEnd;
        return false;
    }

    // Declared after the process holder, so it runs while the handle is still open.
    HANDLE process = started.process.get();
    auto terminateUnlessAttached = Windows::MakeScopeExit([process] { TerminateProcess(process, 0); });

    log << "...waiting for the uninstaller to finish...";

    Windows::UniqueKernelHandle port;
    try {
        port = Windows::CreateCompletionPort(JobCompletionKey);
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT association = {};
        association.CompletionKey = reinterpret_cast<PVOID>(JobCompletionKey);
        association.CompletionPort = port.get();
        Windows::SetJobInformation(job.get(), JobObjectAssociateCompletionPortInformation, &association,
                                   sizeof association);
        Windows::AssignProcessToJob(job.get(), process);
        Windows::ResumeProcessThread(started.thread.get());
    } catch (...) {
        log << "...error creating IO completion port" << DescribeCurrentException() << LineEnd;
        return false;
    }
    terminateUnlessAttached.dismiss();

    if (!WaitForEmptyJob(job.get(), port.get())) {
        log << "...wait failed" << LineEnd;
        return false;
    }
    log << "finished" << LineEnd;
    return true;
}

} // namespace Remove
