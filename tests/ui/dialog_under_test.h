// The program's main dialog in a real window, on a thread of its own, with
// scripted products; the test drives it through Win32 as an operator would.
#pragma once

#include "testkit/deadline.h"
#include "testkit/scripted_product.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class DialogUnderTest {
public:
    // Posted to the dialog, its handler throws "handler failed".
    static constexpr UINT kFailingMessage = WM_APP + 0x100;

    // `configure` sets up the products on the dialog's thread before it opens.
    explicit DialogUnderTest(std::function<void(ScriptedSuite&)> configure);
    // Answers open boxes, waits for a run to end, closes the dialog; bounded.
    ~DialogUnderTest();
    DialogUnderTest(const DialogUnderTest&) = delete;
    DialogUnderTest& operator=(const DialogUnderTest&) = delete;

    // Waits for the window; false when it did not appear in time.
    bool Open();
    // Open, then the detection run ended.
    bool OpenAndDetected();

    HWND Window() const;
    HWND Item(int id) const;
    ScriptedSuite& Suite();
    bool Enabled(int id) const;

    // A run is active exactly while the Close item of the system menu is grayed.
    bool CloseGrayed() const;
    // No run, and "Remove All" as the rows want it.
    bool Idle() const;
    bool WaitUntilIdle(DWORD timeoutMilliseconds = 10000) const;
    // Waits until the list shows exactly `rows` and the dialog is idle.
    bool WaitForRows(const std::vector<std::string>& rows, DWORD timeoutMilliseconds = 10000) const;

    std::string LogText() const;
    // Each row as "name|version", in display order.
    std::vector<std::string> Rows() const;
    void SelectRow(int displayRow, bool select);
    // A click, as the button sends it; posted, since it may open a box.
    void Click(int id);
    void PressKey(int virtualKey);
    // Returns once the dialog's thread has handled everything posted before.
    bool Settle();
    // Waits for DoModal to return.
    bool WaitClosed(DWORD timeoutMilliseconds = 10000) const;

    // What the injected root clean-up saw.
    int RootCleanups() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};
