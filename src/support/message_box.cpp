#include "support/message_box.h"

#include "support/platform_seam.h"
#include "support/system_library.h"

#include <atomic>
#include <cstdlib>
#include <utility>

namespace WindowsPlatform {

namespace {

std::atomic<ScopedMessageBoxRoute*> currentRoute{nullptr};

} // namespace

bool WindowStationIsInteractive()
{
    // Session 0 is the services' session: since Windows Vista no user sees
    // it, although a service allowed to interact with the desktop finds its
    // window station marked visible there.
    DWORD session = 1;
    if (std::optional<std::string> answer = InjectedAnswer(SeamCall::ProcessIdToSessionId, "session"))
        session = static_cast<DWORD>(std::strtoul(answer->c_str(), nullptr, 10));
    else if (!ProcessIdToSessionId(GetCurrentProcessId(), &session))
        session = 1;
    if (session == 0)
        return false;
    // user32 and what imports it are loaded at their first call; where that
    // fails (no desktop heap left on a service's window station) nobody can
    // see a window either.
    if (!LoadDelayedLibraries())
        return false;
    USEROBJECTFLAGS flags = {};
    if (std::optional<std::string> answer = InjectedAnswer(SeamCall::GetUserObjectInformationA, "UOI_FLAGS")) {
        flags.dwFlags = static_cast<DWORD>(std::strtoul(answer->c_str(), nullptr, 10));
    } else {
        HWINSTA station = GetProcessWindowStation(); // not to be closed
        DWORD needed = 0;
        if (!station || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed))
            return false;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

ScopedMessageBoxRoute::ScopedMessageBoxRoute(bool show, Recorder record)
    : show_(show), record_(std::move(record)), previous_(currentRoute.load())
{
    currentRoute.store(this);
}

ScopedMessageBoxRoute::~ScopedMessageBoxRoute()
{
    currentRoute.store(previous_);
}

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    ScopedMessageBoxRoute* route = currentRoute.load();
    if (route) {
        if (route->record_)
            route->record_(caption, text);
        if (!route->show_)
            return IDOK;
    }
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}

} // namespace WindowsPlatform
