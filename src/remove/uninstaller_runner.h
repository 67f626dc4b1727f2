// Runs a component's uninstaller and waits until it and every process it
// started have ended.
#pragma once

#include "remove/log.h"
#include "support/owned_handle.h"

#include <windows.h>

#include <string>

namespace Windows {

// What CreateProcessA hands back.
struct StartedProcess {
    UniqueKernelHandle process;
    UniqueKernelHandle thread;
    DWORD processId = 0;
    DWORD threadId = 0;
};

// CreateJobObjectA: unnamed, default security.
UniqueKernelHandle CreateJob();
// CreateProcessA with no application name, so the command line's first token
// names the program; handles are not inherited, environment and current
// folder are ours.
StartedProcess StartProcess(const std::string& commandLine, DWORD creationFlags);
// A new completion port not tied to any file.
UniqueKernelHandle CreateCompletionPort(ULONG_PTR completionKey);
// SetInformationJobObject.
void SetJobInformation(HANDLE job, JOBOBJECTINFOCLASS infoClass, void* information, DWORD size);
// AssignProcessToJobObject.
void AssignProcessToJob(HANDLE job, HANDLE process);
// ResumeThread; answers the previous suspend count.
DWORD ResumeProcessThread(HANDLE thread);

} // namespace Windows

namespace Remove {

// Starts `commandLine` and waits, without a time-out, until the last process
// of its job has ended; the exit code is not read. `productName` is only
// shown in the log. True when the job reported its end; never throws.
bool RunUninstaller(const std::string& commandLine, const std::string& productName, Log& log);

} // namespace Remove
