// The log pane after the dialog is resized.
#include "dialog_under_test.h"

#include "remove/log.h"
#include "ui/resource_ids.h"

#include <gtest/gtest.h>

#include <cstdio>

using K = ProductKind;

namespace {

// `count` lines of the given length ("flood 000042 ----...\r\n"), each one unique.
std::string FloodText(int count, size_t length)
{
    std::string text;
    char head[32];
    for (int line = 0; line < count; ++line) {
        std::snprintf(head, sizeof head, "flood %06d ", line);
        std::string one = head;
        one.resize(length - 2, '-');
        text += one + "\r\n";
    }
    return text;
}

// Detection of the Client writes `text` line by line, from the worker.
void FloodDuringDetection(ScriptedSuite& suite, const std::string& text)
{
    ScriptedProduct& client = suite[K::Client];
    client.onDetect = [&client, text] {
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at) + 1;
            *client.Log() << text.substr(at, end - at).c_str();
            at = end;
        }
    };
}

} // namespace

TEST(MainDialogLogPane, ResizeKeepsTheLastLineVisible)
{
    DialogUnderTest dialog([](ScriptedSuite& suite) { FloodDuringDetection(suite, FloodText(300, 150)); });
    ASSERT_TRUE(dialog.OpenAndDetected());
    const HWND window = dialog.Window();
    const HWND pane = dialog.Item(IDC_LOG);
    RECT frame = {};
    GetWindowRect(window, &frame);
    // Wider: the wrapped lines join, so fewer lines are left than the first visible one.
    const int widths[] = {500, 0, 300};
    for (int extra : widths) {
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + extra, frame.bottom - frame.top + extra / 3,
                     SWP_NOMOVE | SWP_NOZORDER);
        ASSERT_TRUE(dialog.Settle());
        const LRESULT lines = SendMessageA(pane, EM_GETLINECOUNT, 0, 0);
        ASSERT_GT(lines, 2);
        // The last line with text (the pane's text ends with a line end).
        const LRESULT lastStart = SendMessageA(pane, EM_LINEINDEX, lines - 2, 0);
        const int y = static_cast<short>(HIWORD(SendMessageA(pane, EM_POSFROMCHAR, lastStart, 0)));
        RECT client = {};
        GetClientRect(pane, &client);
        EXPECT_GE(y, 0) << "width +" << extra;
        EXPECT_LT(y, client.bottom) << "width +" << extra;
    }
}
