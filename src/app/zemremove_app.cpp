#include "app/zemremove_app.h"

#include "orchestration/command_line.h"
#include "orchestration/silent_mode.h"

CZEMRemoveApp::CZEMRemoveApp(HINSTANCE instance, const char* arguments)
    : instance_(instance), arguments_(arguments ? arguments : "")
{
}

std::string CZEMRemoveApp::AppName()
{
    char path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

bool CZEMRemoveApp::InitInstance()
{
    // A log file's path is never read as switches.
    if (!HasSwitch(SplitCommandLine(arguments_).switches, "/silent")) {
        // The main dialog is not wired in yet: show nothing and end.
        return false;
    }

    exitCode_ = RunSilentMode(arguments_, AppName(), RunSuiteRemoval);
    return false;
}
