// Finds the message boxes this process shows, reads them and answers them as
// an operator would. Every wait is bounded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ShownBox {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    explicit operator bool() const { return window != nullptr; }
};

// The visible message boxes ("#32770" windows with a static text 0xFFFF) of this process.
std::vector<ShownBox> OpenMessageBoxes();

// Waits for a box with this caption; an empty ShownBox when none came in time.
ShownBox WaitForMessageBox(const std::string& caption, DWORD timeoutMilliseconds = 10000);

// Presses a button of the box (IDOK, IDCANCEL) and waits until it is gone;
// false when it did not go in time.
bool AnswerMessageBox(const ShownBox& box, int button, DWORD timeoutMilliseconds = 10000);
