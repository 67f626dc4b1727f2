// The application object: the process's one start-up routine.
#pragma once

#include <windows.h>

#include <string>

class CZEMRemoveApp {
public:
    CZEMRemoveApp(HINSTANCE instance, const char* arguments);

    // Runs the whole program; answers false so that the process ends when it returns.
    bool InitInstance();

    // What the process ends with: the silent removal's result, 0 otherwise.
    int ExitCode() const { return exitCode_; }

    // The executable's file name without its extension: the caption of every message box.
    static std::string AppName();

private:
    HINSTANCE instance_;
    std::string arguments_;
    int exitCode_ = 0;
};
