#include "orchestration/silent_mode.h"

#include "orchestration/command_line.h"
#include "products/suite_products.h"
#include "remove/file_log.h"
#include "remove/file_version.h"
#include "remove/suite_roots.h"
#include "support/message_box.h"

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

} // namespace

int RunSilentMode(const std::string& arguments, const std::string& programName, const SilentRun& run)
{
    const CommandLine commandLine = SplitCommandLine(arguments);
    std::unique_ptr<Remove::FileLog> file;
    if (commandLine.logFile) {
        file.reset(new Remove::FileLog(*commandLine.logFile));
        if (!file->IsOpen())
            return kSilentLogFileFailed;
    }
    Remove::Log discarding;
    Remove::Log& log = file ? static_cast<Remove::Log&>(*file) : discarding;
    log << programName << " " << ProgramVersion() << " started " << LocalTime()
        << " with command line: " << arguments << Remove::LineEnd;

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

    const int code = run(commandLine.switches, log, host);
    if (file)
        file->EndOpenLine();
    log << programName << " ended with exit code " << std::to_string(code) << Remove::LineEnd;
    return code;
}

int RunSuiteRemoval(const std::string& switches, Remove::Log& log, const SilentRemovalHost& host)
{
    SuiteProducts products(&log);
    return RunSilentRemoval(switches, products.Catalogue(), log, host);
}
