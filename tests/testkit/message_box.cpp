#include "testkit/message_box.h"

#include "testkit/deadline.h"
#include "testkit/window_search.h"

std::vector<ShownBox> OpenMessageBoxes()
{
    // A message box has its text in the static control 0xFFFF; the main dialog has none.
    WindowSearch search;
    search.process = GetCurrentProcessId();
    search.control = 0xFFFF;
    std::vector<ShownBox> boxes;
    for (const FoundWindow& found : FindWindows(search)) {
        ShownBox box;
        box.window = found.window;
        box.caption = found.caption;
        char text[4096] = {};
        GetDlgItemTextA(found.window, 0xFFFF, text, sizeof text);
        box.text = text;
        boxes.push_back(box);
    }
    return boxes;
}

ShownBox WaitForMessageBox(const std::string& caption, DWORD timeoutMilliseconds)
{
    ShownBox shown;
    WaitUntil(
        [&] {
            for (const ShownBox& box : OpenMessageBoxes()) {
                if (box.caption == caption)
                    shown = box;
            }
            return bool(shown);
        },
        timeoutMilliseconds);
    return shown;
}

bool AnswerMessageBox(const ShownBox& box, int button, DWORD timeoutMilliseconds)
{
    if (!box.window)
        return false;
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, button)));
    return WaitUntil([&] { return !IsWindow(box.window); }, timeoutMilliseconds);
}
