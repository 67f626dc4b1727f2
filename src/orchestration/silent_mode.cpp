#include "orchestration/silent_mode.h"

#include "orchestration/command_line.h"
#include "products/suite_products.h"
#include "remove/file_log.h"
#include "remove/file_version.h"
#include "remove/suite_roots.h"
#include "support/exceptions.h"
#include "support/message_box.h"
#include "support/system_library.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace {

std::string ProgramVersion()
{
    char path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    try {
        return Windows::FileVersionText(Windows::GetFileVersion(std::string(path, length)));
    } catch (...) {
        return "(version unknown)";
    }
}

std::string LocalTime()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", static_cast<unsigned>(now.wYear),
                  static_cast<unsigned>(now.wMonth), static_cast<unsigned>(now.wDay), static_cast<unsigned>(now.wHour),
                  static_cast<unsigned>(now.wMinute), static_cast<unsigned>(now.wSecond));
    return text;
}

// Box texts break their lines with "\n"; the log's lines end with "\r\n".
std::string WithLogLineEnds(const std::string& text)
{
    std::string converted;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            converted += '\r';
        converted += text[i];
    }
    return converted;
}

// The run between the log's header and its closing line.
int RunLogged(const std::string& arguments, const std::string& switches, const std::string& programName,
              Remove::FileLog* file, Remove::Log& log, const SilentRun& run)
{
    log << programName << " " << ProgramVersion() << " started " << LocalTime()
        << " with command line: " << arguments << Remove::LineEnd;
    // Loaded now, where a failure is an error like any other; later a
    // failed delay load could only crash.
    WindowsPlatform::PreloadDelayedLibraries();

    WindowsPlatform::ScopedMessageBoxRoute boxes(
        WindowsPlatform::WindowStationIsInteractive(), [&](const std::string& caption, const std::string& text) {
            if (file)
                file->EndOpenLine();
            log << "Message box \"" << caption << "\": " << WithLogLineEnds(text) << Remove::LineEnd;
        });
    SilentRemovalHost host;
    host.showMessage = [&programName](const std::string& text, unsigned flags) {
        WindowsPlatform::ShowMessageBox(text, programName, flags);
    };
    host.removeSuiteRoots = [](Remove::Log& rootLog) { Remove::RemoveSuiteRoots(rootLog); };
    host.suiteRootsRemain = [] { return Remove::SuiteRootsRemain(); };
    return run(switches, log, host);
}

} // namespace

int RunSilentMode(const std::string& arguments, const std::string& programName, const SilentRun& run)
{
    const CommandLine commandLine = SplitCommandLine(arguments);
    if (commandLine.malformed) {
        // Nothing can be trusted, the log file's name included: only a user
        // who is there sees why.
        WindowsPlatform::ScopedMessageBoxRoute boxes(WindowsPlatform::WindowStationIsInteractive(), nullptr);
        WindowsPlatform::ShowMessageBox(kSilentHelpText, programName, MB_OK);
        return kSilentInvalidArguments;
    }
    std::unique_ptr<Remove::FileLog> file;
    if (commandLine.logFile) {
        file.reset(new Remove::FileLog(*commandLine.logFile));
        if (!file->IsOpen())
            return kSilentLogFileFailed;
    }
    Remove::Log discarding;
    Remove::Log& log = file ? static_cast<Remove::Log&>(*file) : discarding;

    int code = kSilentUnexpectedFailure;
    try {
        code = RunLogged(arguments, commandLine.switches, programName, file.get(), log, run);
    } catch (...) {
        // Whatever went wrong, a deployment tool gets a failure code and the
        // log its ending; never a crash.
        if (file)
            file->EndOpenLine();
        try {
            log << "error encountered: " << DescribeCurrentException() << Remove::LineEnd;
        } catch (...) {
            log << "error encountered" << Remove::LineEnd;
        }
    }
    if (file)
        file->EndOpenLine();
    log << programName << " ended with exit code " << std::to_string(code) << Remove::LineEnd;
    return code;
}

int RefuseWithoutDesktop(const std::string& arguments, const std::string& programName)
{
    const int code = RunSilentMode(arguments, programName, [](const std::string&, Remove::Log&,
                                                              const SilentRemovalHost& host) {
        host.showMessage(kSilentHelpText, MB_OK);
        return kSilentInvalidArguments;
    });
    // The command line is what is wrong, even when its log file cannot be made.
    return code == kSilentLogFileFailed ? kSilentInvalidArguments : code;
}

int RunSuiteRemoval(const std::string& switches, Remove::Log& log, const SilentRemovalHost& host)
{
    SuiteProducts products(&log);
    return RunSilentRemoval(switches, products.Catalogue(), log, host);
}
