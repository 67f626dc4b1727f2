#include "app/zemremove_app.h"

#include "orchestration/command_line.h"
#include "orchestration/silent_mode.h"
#include "support/message_box.h"
#include "ui/zemremove_dlg.h"

#include <commctrl.h>

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
    try {
        // A log file's path is never read as switches.
        const CommandLine line = SplitCommandLine(arguments_);
        const bool wantsDialog = !line.malformed && !HasSwitch(line.switches, "/silent");
        if (wantsDialog && WindowsPlatform::WindowStationIsInteractive()) {
            INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
            InitCommonControlsEx(&controls);
            CZEMRemoveDlg dialog(instance_);
            dialog.DoModal();
            return false;
        }
        // A dialog nobody sees would wait for ever.
        exitCode_ = wantsDialog ? RefuseWithoutDesktop(arguments_, AppName())
                                : RunSilentMode(arguments_, AppName(), RunSuiteRemoval);
    } catch (...) {
        // Only what fails before the silent mode's own log exists lands here.
        exitCode_ = kSilentUnexpectedFailure;
    }
    return false;
}
