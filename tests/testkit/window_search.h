// Finding top-level windows by class and caption, in this process or another:
// the dialog under test, its message boxes, another program's dialog.
// Header-only, for the helper programs too.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

struct WindowSearch {
    const char* className = "#32770"; // dialogs and message boxes
    std::vector<std::string> captions; // any of these; empty: any caption
    DWORD process = 0;                 // 0: any process
    bool visibleOnly = true;
    int control = 0;                   // not 0: only windows with this child (0xFFFF: a message box's text)
};

struct FoundWindow {
    HWND window = nullptr;
    std::string caption;
    explicit operator bool() const { return window != nullptr; }
};

inline BOOL CALLBACK CollectSearchedWindow(HWND window, LPARAM parameter)
{
    auto* walk = reinterpret_cast<std::pair<const WindowSearch*, std::vector<FoundWindow>>*>(parameter);
    const WindowSearch& search = *walk->first;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64] = {}, caption[256] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    bool wanted = search.captions.empty();
    for (const std::string& one : search.captions)
        wanted = wanted || one == caption;
    if (wanted && (!search.process || process == search.process) && (!search.visibleOnly || IsWindowVisible(window)) &&
        std::string(className) == search.className && (!search.control || GetDlgItem(window, search.control)))
        walk->second.push_back(FoundWindow{window, caption});
    return TRUE;
}

// Every matching window, in z order.
inline std::vector<FoundWindow> FindWindows(const WindowSearch& search)
{
    std::pair<const WindowSearch*, std::vector<FoundWindow>> walk{&search, {}};
    EnumWindows(CollectSearchedWindow, reinterpret_cast<LPARAM>(&walk));
    return walk.second;
}

// The first matching window; an empty one when there is none.
inline FoundWindow FindWindowBy(const WindowSearch& search)
{
    std::vector<FoundWindow> found = FindWindows(search);
    return found.empty() ? FoundWindow() : found.front();
}
