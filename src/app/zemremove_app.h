// The application object: the process's one start-up routine.
#pragma once

#include <windows.h>

class CZEMRemoveApp {
public:
    explicit CZEMRemoveApp(HINSTANCE instance) : instance_(instance) {}

    // Runs the whole program; answers false so that the process ends when it returns.
    bool InitInstance();

private:
    HINSTANCE instance_;
};
