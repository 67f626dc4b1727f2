#include "testkit/message_box.h"

#include <chrono>
#include <thread>

namespace {

BOOL CALLBACK CollectBox(HWND window, LPARAM parameter)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    // A message box has its text in the static control 0xFFFF; the main dialog has none.
    if (std::string(className) != "#32770" || !GetDlgItem(window, 0xFFFF))
        return TRUE;
    ShownBox box;
    box.window = window;
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    box.caption = caption;
    char text[4096] = {};
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    box.text = text;
    reinterpret_cast<std::vector<ShownBox>*>(parameter)->push_back(box);
    return TRUE;
}

} // namespace

std::vector<ShownBox> OpenMessageBoxes()
{
    std::vector<ShownBox> boxes;
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

ShownBox WaitForMessageBox(const std::string& caption, DWORD timeoutMilliseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    do {
        for (const ShownBox& box : OpenMessageBoxes()) {
            if (box.caption == caption)
                return box;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return ShownBox();
}

bool AnswerMessageBox(const ShownBox& box, int button, DWORD timeoutMilliseconds)
{
    if (!box.window)
        return false;
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, button)));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    while (IsWindow(box.window)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
