#include "dialog_under_test.h"

#include "testkit/message_box.h"
#include "testkit/window_search.h"
#include "ui/resource_ids.h"
#include "ui/zemremove_dlg.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <chrono>
#include <stdexcept>
#include <thread>

// Shared with the dialog's thread, which may outlive a failed test.
struct DialogUnderTest::Shared {
    std::unique_ptr<ScriptedSuite> suite;
    std::atomic<ScriptedSuite*> madeSuite{nullptr};
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> ended{false};
    std::atomic<int> rootCleanups{0};
};

namespace {

// The program's dialog, whose handler fails on request.
class DialogWithFailingHandler : public CZEMRemoveDlg {
public:
    using CZEMRemoveDlg::CZEMRemoveDlg;

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) override
    {
        if (message == DialogUnderTest::kFailingMessage)
            throw std::runtime_error("handler failed");
        return CZEMRemoveDlg::HandleMessage(message, wParam, lParam, answer);
    }
};

std::string WindowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::string text(length + 1, '\0');
    text.resize(GetWindowTextA(window, &text[0], length + 1));
    return text;
}

} // namespace

DialogUnderTest::DialogUnderTest(std::function<void(ScriptedSuite&)> configure) : shared_(std::make_shared<Shared>())
{
    std::shared_ptr<Shared> shared = shared_;
    std::thread([shared, configure] {
        MainDialogHost host;
        host.removeSuiteRoots = [shared](Remove::Log& log) {
            log << "test: root clean-up" << Remove::LineEnd;
            ++shared->rootCleanups;
        };
        {
            DialogWithFailingHandler dialog(
                GetModuleHandleA(nullptr),
                [shared, configure](Remove::Log* log) {
                    shared->suite = std::make_unique<ScriptedSuite>(log);
                    configure(*shared->suite);
                    shared->madeSuite = shared->suite.get();
                    return shared->suite->Catalogue();
                },
                host);
            dialog.DoModal();
        }
        shared->ended = true;
    }).detach();
}

DialogUnderTest::~DialogUnderTest()
{
    // Whatever state the test left: answer boxes, let a run end, close.
    bool closed = WaitUntil(
        [this] {
            if (shared_->ended)
                return true;
            for (const ShownBox& box : OpenMessageBoxes())
                PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            if (HWND window = shared_->window)
                PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return false;
        },
        20000);
    EXPECT_TRUE(closed) << "the dialog did not close";
}

bool DialogUnderTest::Open()
{
    return WaitUntil([this] {
        if (shared_->ended)
            return false;
        // Not necessarily visible yet: a modal dialog shows itself once its
        // queue is empty, and a box may come first.
        WindowSearch search;
        search.captions = {"Varnek Removal Utility"};
        search.process = GetCurrentProcessId();
        search.visibleOnly = false;
        search.control = IDC_LOG;
        if (HWND found = FindWindowBy(search).window)
            shared_->window = found;
        return shared_->window != nullptr;
    });
}

bool DialogUnderTest::OpenAndDetected()
{
    // Detection has ended once all ten banners are in, the list shows what it
    // found and the dialog is idle.
    return Open() && WaitUntil([this] {
               std::string log = LogText();
               size_t banners = 0;
               for (size_t at = log.find("* Detecting "); at != std::string::npos; at = log.find("* Detecting ", at + 1))
                   ++banners;
               if (banners != kProductCount)
                   return false;
               size_t found = 0;
               for (ProductKind kind : kCreationOrder)
                   found += Suite()[kind].installed ? 1 : 0;
               return Rows().size() == found && Idle();
           });
}

HWND DialogUnderTest::Window() const
{
    return shared_->window;
}

HWND DialogUnderTest::Item(int id) const
{
    return GetDlgItem(shared_->window, id);
}

ScriptedSuite& DialogUnderTest::Suite()
{
    return *shared_->madeSuite.load();
}

bool DialogUnderTest::Enabled(int id) const
{
    return IsWindowEnabled(Item(id)) != FALSE;
}

bool DialogUnderTest::CloseGrayed() const
{
    HMENU menu = GetSystemMenu(shared_->window, FALSE);
    UINT state = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_GRAYED);
}

bool DialogUnderTest::Idle() const
{
    // "Remove All" follows the rows once no run is active.
    return !CloseGrayed() && Enabled(IDC_REMOVE_ALL) == !Rows().empty();
}

bool DialogUnderTest::WaitUntilIdle(DWORD timeoutMilliseconds) const
{
    return WaitUntil([this] { return Idle(); }, timeoutMilliseconds);
}

bool DialogUnderTest::WaitForRows(const std::vector<std::string>& rows, DWORD timeoutMilliseconds) const
{
    return WaitUntil([&] { return Rows() == rows && Idle(); }, timeoutMilliseconds);
}

std::string DialogUnderTest::LogText() const
{
    return WindowText(Item(IDC_LOG));
}

std::vector<std::string> DialogUnderTest::Rows() const
{
    HWND list = Item(IDC_PRODUCT_LIST);
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::string> rows;
    for (int row = 0; row < count; ++row) {
        std::string cells;
        for (int column = 0; column < 2; ++column) {
            char text[256] = {};
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
            cells += (column ? "|" : "") + std::string(text);
        }
        rows.push_back(cells);
    }
    return rows;
}

void DialogUnderTest::SelectRow(int displayRow, bool select)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = select ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    SendMessageA(Item(IDC_PRODUCT_LIST), LVM_SETITEMSTATE, displayRow, reinterpret_cast<LPARAM>(&item));
}

void DialogUnderTest::Click(int id)
{
    PostMessageA(shared_->window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

void DialogUnderTest::PressKey(int virtualKey)
{
    // Keys reach the focused control first; the dialog's loop turns Enter and
    // Escape into its commands.
    HWND list = Item(IDC_PRODUCT_LIST);
    PostMessageA(list, WM_KEYDOWN, virtualKey, 1);
    PostMessageA(list, WM_KEYUP, virtualKey, 0xC0000001);
}

bool DialogUnderTest::Settle()
{
    // A marker behind everything posted so far: the log pane's right margin.
    static int marker = 0;
    const int value = 1 + (++marker % 3);
    HWND pane = Item(IDC_LOG);
    PostMessageA(pane, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELONG(0, value));
    return WaitUntil([pane, value] {
        return HIWORD(SendMessageA(pane, EM_GETMARGINS, 0, 0)) == value;
    });
}

bool DialogUnderTest::WaitClosed(DWORD timeoutMilliseconds) const
{
    return WaitUntil([this] { return shared_->ended.load(); }, timeoutMilliseconds);
}

int DialogUnderTest::RootCleanups() const
{
    return shared_->rootCleanups;
}
