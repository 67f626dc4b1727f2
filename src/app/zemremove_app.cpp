#include "app/zemremove_app.h"

#include "orchestration/command_line.h"
#include "orchestration/silent_removal.h"
#include "products/suite_products.h"
#include "remove/suite_roots.h"
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
    if (!HasSwitch(arguments_, "/silent")) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        CZEMRemoveDlg dialog(instance_);
        dialog.DoModal();
        return false;
    }

    // Nothing of the silent mode is shown or stored: the plain log discards it all.
    Remove::Log silentLog;
    SuiteProducts products(&silentLog);
    SilentRemovalHost host;
    host.showMessage = [](const std::string& text, unsigned flags) {
        MessageBoxA(nullptr, text.c_str(), AppName().c_str(), flags);
    };
    host.removeSuiteRoots = [](Remove::Log& log) { Remove::RemoveSuiteRoots(log); };
    exitCode_ = RunSilentRemoval(arguments_, products.Catalogue(), silentLog, host);
    return false;
}
