// Message boxes that nobody may be there to close.
//
// A run started by a deployment tool or a scheduled task as LocalSystem has
// no desktop a user sees: a box there waits for ever. While the silent mode
// runs it routes every box (its own and the ODBC installer library's)
// through here.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace WindowsPlatform {

// Whether this process's window station is one a user sees (WSF_VISIBLE).
// False for a service's or a scheduled task's station, and when it cannot
// be told: a box nobody sees is worse than a box not shown.
bool WindowStationIsInteractive();

// What becomes of message boxes while it lives: each box's caption and text
// go to `record`; when `show` is false no box appears, as if it had been
// closed at once with OK. Installed and removed by one thread, while no
// other thread shows boxes; routes nest.
class ScopedMessageBoxRoute {
public:
    using Recorder = std::function<void(const std::string& caption, const std::string& text)>;

    ScopedMessageBoxRoute(bool show, Recorder record);
    ~ScopedMessageBoxRoute();
    ScopedMessageBoxRoute(const ScopedMessageBoxRoute&) = delete;
    ScopedMessageBoxRoute& operator=(const ScopedMessageBoxRoute&) = delete;

private:
    friend int ShowMessageBox(const std::string&, const std::string&, UINT);
    bool show_;
    Recorder record_;
    ScopedMessageBoxRoute* previous_;
};

// MessageBoxA without an owner, through the route in force (none: shown as
// always). Answers the button pressed, IDOK for a box not shown.
int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags);

} // namespace WindowsPlatform
