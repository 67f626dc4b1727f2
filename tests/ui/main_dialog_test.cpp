// The main dialog in a real window: what the operator sees and can do.
#include "dialog_under_test.h"

#include "orchestration/run_messages.h"
#include "support/owned_handle.h"
#include "support/platform_seam.h"
#include "testkit/message_box.h"
#include "testkit/wine_version.h"
#include "ui/resource_ids.h"
#include "ui/window_dpi.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

using K = ProductKind;
using Rows = std::vector<std::string>;

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Removals(ScriptedSuite& suite)
{
    return ::Removals(suite.Journal());
}

// Answers the confirmation with `button` and checks its question.
void Confirm(const std::string& question, int button)
{
    ShownBox box = WaitForMessageBox("Confirm Removal");
    ASSERT_TRUE(box) << "no confirmation for: " << question;
    EXPECT_EQ(question, box.text);
    ASSERT_TRUE(AnswerMessageBox(box, button));
}

RECT ClientRect(HWND dialog, HWND control)
{
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

TEST(MainDialogStart, NothingInstalledListsNothingAndDisablesBoth)
{
    DialogUnderTest dialog([](ScriptedSuite&) {});
    ASSERT_TRUE(dialog.OpenAndDetected());
    EXPECT_EQ(Rows(), dialog.Rows());
    EXPECT_FALSE(dialog.Enabled(IDC_REMOVE));
    EXPECT_FALSE(dialog.Enabled(IDC_REMOVE_ALL));
    // The interactive detection order, each product once.
    EXPECT_EQ((std::vector<std::string>{"detect Microsoft SQL Server Desktop Engine", "detect Varnek Client",
                                        "detect Varnek Client Logging Service", "detect Varnek DLP",
                                        "detect Varnek Console", "detect Varnek Databases",
                                        "detect Varnek Deployment Installer", "detect Varnek Platform API",
                                        "detect Varnek Relay", "detect Varnek Server"}),
              dialog.Suite().Journal());
    EXPECT_TRUE(Contains(dialog.LogText(), "\r\n**************************************************\r\n"
                                           "* Detecting Microsoft SQL Server Desktop Engine\r\n"));
    char title[64] = {};
    GetWindowTextA(dialog.Window(), title, sizeof title);
    EXPECT_STREQ("Varnek Removal Utility", title);
    EXPECT_NE(0, SendMessageA(dialog.Window(), WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(0, SendMessageA(dialog.Window(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(SendMessageA(dialog.Window(), WM_GETICON, ICON_BIG, 0),
              SendMessageA(dialog.Window(), WM_QUERYDRAGICON, 0, 0));
}

// The box around what the list draws below its header; empty when it draws
// nothing but its background.
RECT DrawnBox(HWND list)
{
    RECT area = {}, header = {};
    GetClientRect(list, &area);
    GetWindowRect(reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)), &header);
    HDC dc = GetDC(list);
    const COLORREF background = GetPixel(dc, area.right - 2, area.bottom - 2);
    RECT box = {area.right, area.bottom, 0, 0};
    for (LONG y = header.bottom - header.top + 1; y < area.bottom; ++y)
        for (LONG x = 0; x < area.right; ++x)
            if (GetPixel(dc, x, y) != background)
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
    ReleaseDC(list, dc);
    return box;
}

TEST(MainDialogStart, EmptyListShowsItsText)
{
    DialogUnderTest dialog([](ScriptedSuite&) {});
    ASSERT_TRUE(dialog.OpenAndDetected());
    HWND list = dialog.Item(IDC_PRODUCT_LIST);
    const std::string text = "No installed products found.";
    SIZE extent = {};
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(list, dc);

    // One line of the text, centred below the header.
    RECT client = {}, box = {};
    GetClientRect(list, &client);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_TRUE(WaitUntil([&] { return box = DrawnBox(list), box.right > box.left; }, 3000));
    EXPECT_NEAR(extent.cx, box.right - box.left, 4);
    EXPECT_LE(box.bottom - box.top, extent.cy);
    EXPECT_NEAR(client.right, box.left + box.right, 4);
}

TEST(MainDialogStart, ListsWhatDetectionFoundWithVersions)
{
    DialogUnderTest dialog([](ScriptedSuite& suite) {
        suite.Install({K::Relay, K::Console});
        suite[K::Relay].version = "8.1.2";
    });
    ASSERT_TRUE(dialog.OpenAndDetected());
    // Sorted by name, descending, until a header click.
    EXPECT_EQ((Rows{"Varnek Relay|8.1.2", "Varnek Console|unknown"}), dialog.Rows());
    EXPECT_FALSE(dialog.Enabled(IDC_REMOVE));
    EXPECT_TRUE(dialog.Enabled(IDC_REMOVE_ALL));

    // A click on "Name" sorts ascending; the selected product stays selected where it moved.
    dialog.SelectRow(0, true);
    HWND list = dialog.Item(IDC_PRODUCT_LIST);
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_PRODUCT_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = 0;
    SendMessageA(dialog.Window(), WM_NOTIFY, IDC_PRODUCT_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ((Rows{"Varnek Console|unknown", "Varnek Relay|8.1.2"}), dialog.Rows());
    EXPECT_EQ(1, SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0));
    EXPECT_EQ(1, SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

TEST(MainDialogStart, DetectionCutShortOffersOnlyWhatWasFound)
{
    // MSDE and the client come before DLP in the detection order; the console after it.
    DialogUnderTest dialog([](ScriptedSuite& suite) {
        suite.Install({K::MSDE, K::Client, K::Console});
        suite[K::DLP].onDetect = [] { throw std::runtime_error("detection broke"); };
    });
    ASSERT_TRUE(dialog.Open());
    ASSERT_TRUE(WaitUntil([&] { return Contains(dialog.LogText(), "detection broke"); }));
    EXPECT_TRUE(dialog.WaitForRows({"Varnek Client|unknown", "Microsoft SQL Server Desktop Engine|unknown"}))
        << ::testing::PrintToString(dialog.Rows());
}

TEST(MainDialogSelection, RowSelectionDrivesRemoveButton)
{
    DialogUnderTest dialog([](ScriptedSuite& suite) { suite.Install({K::Relay, K::Console}); });
    ASSERT_TRUE(dialog.OpenAndDetected());
    dialog.SelectRow(0, true);
    EXPECT_TRUE(WaitUntil([&] { return dialog.Enabled(IDC_REMOVE); }));
    EXPECT_TRUE(dialog.Enabled(IDC_REMOVE_ALL));
    dialog.SelectRow(0, false);
    EXPECT_TRUE(WaitUntil([&] { return !dialog.Enabled(IDC_REMOVE); }));
    EXPECT_TRUE(dialog.Enabled(IDC_REMOVE_ALL));
}

TEST(MainDialogKeys, EnterDoesNothing)
{
    DialogUnderTest dialog([](ScriptedSuite& suite) { suite.Install({K::Relay}); });
    ASSERT_TRUE(dialog.OpenAndDetected());
    dialog.SelectRow(0, true);
    dialog.PressKey(VK_RETURN);
    PostMessageA(dialog.Window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(dialog.Settle());
    EXPECT_TRUE(IsWindow(dialog.Window()));
    EXPECT_TRUE(OpenMessageBoxes().empty());
    EXPECT_TRUE(Removals(dialog.Suite()).empty());
}

TEST(MainDialogKeys, EscapeAndCloseAreIgnoredDuringARunAndCloseAfterIt)
{
    Windows::UniqueKernelHandle gate = MakeTestEvent();
    HANDLE event = gate.get();
    DialogUnderTest dialog([event](ScriptedSuite& suite) {
        suite[K::MSDE].onDetect = [event] { WaitForTestEvent(event); };
    });
    ASSERT_TRUE(dialog.Open());
    ASSERT_TRUE(WaitUntil([&] { return dialog.CloseGrayed(); }));
    EXPECT_FALSE(dialog.Enabled(IDC_REMOVE_ALL));
    dialog.PressKey(VK_ESCAPE);
    PostMessageA(dialog.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(dialog.Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(dialog.Settle());
    EXPECT_TRUE(IsWindow(dialog.Window()));

    SetEvent(event);
    ASSERT_TRUE(dialog.WaitUntilIdle());
    dialog.PressKey(VK_ESCAPE);
    EXPECT_TRUE(dialog.WaitClosed());
}

TEST(MainDialogKeys, CtrlAAndTripleClickInTheLogPaneSelectAll)
{
    DialogUnderTest dialog([](ScriptedSuite&) {});
    ASSERT_TRUE(dialog.OpenAndDetected());
    HWND pane = dialog.Item(IDC_LOG);
    auto selectsAll = [&] {
        DWORD start = 1, end = 0;
        SendMessageA(pane, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return start == 0 && end == static_cast<DWORD>(GetWindowTextLengthA(pane));
    };

    SendMessageA(pane, EM_SETSEL, 0, 0);
    const LPARAM spot = MAKELPARAM(20, 20);
    PostMessageA(pane, WM_LBUTTONDBLCLK, MK_LBUTTON, spot);
    PostMessageA(pane, WM_LBUTTONUP, 0, spot);
    PostMessageA(pane, WM_LBUTTONDOWN, MK_LBUTTON, spot);
    PostMessageA(pane, WM_LBUTTONUP, 0, spot);
    ASSERT_TRUE(dialog.Settle());
    EXPECT_TRUE(selectsAll()) << "triple click";

    // Ctrl held down in the dialog thread's key state, which this thread shares
    // for the moment. The pane starts at its top; Ctrl+A scrolls to the caret.
    SendMessageA(pane, EM_SETSEL, 0, 0);
    SendMessageA(pane, EM_SCROLLCARET, 0, 0);
    ASSERT_EQ(0, SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0));
    const DWORD self = GetCurrentThreadId();
    const DWORD dialogThread = GetWindowThreadProcessId(dialog.Window(), nullptr);
    ASSERT_TRUE(AttachThreadInput(self, dialogThread, TRUE));
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageA(pane, WM_KEYDOWN, 'A', 1);
    PostMessageA(pane, WM_KEYUP, 'A', 0xC0000001);
    bool settled = dialog.Settle();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    AttachThreadInput(self, dialogThread, FALSE);
    ASSERT_TRUE(settled);
    EXPECT_TRUE(selectsAll()) << "Ctrl+A";
    EXPECT_LT(0, SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0));
}

struct ConfirmationCase {
    const char* name;
    std::vector<K> selected; // empty: "Remove All"
    const char* question;
    std::vector<std::string> removed;
};

class MainDialogConfirmation : public ::testing::TestWithParam<ConfirmationCase> {};

TEST_P(MainDialogConfirmation, AsksThenRemovesInOrder)
{
    const ConfirmationCase& c = GetParam();
    DialogUnderTest dialog([](ScriptedSuite& suite) {
        suite.Install({K::Client, K::LoggingService, K::Relay, K::Server, K::Console});
    });
    ASSERT_TRUE(dialog.OpenAndDetected());
    for (K kind : c.selected) {
        Rows rows = dialog.Rows();
        auto row = std::find_if(rows.begin(), rows.end(), [&](const std::string& r) {
            return r.rfind(std::string(DefaultProductName(kind)) + "|", 0) == 0;
        });
        ASSERT_NE(rows.end(), row);
        dialog.SelectRow(static_cast<int>(row - rows.begin()), true);
    }
    ASSERT_TRUE(WaitUntil([&] { return dialog.Enabled(c.selected.empty() ? IDC_REMOVE_ALL : IDC_REMOVE); }));

    // Cancel starts nothing.
    dialog.Click(c.selected.empty() ? IDC_REMOVE_ALL : IDC_REMOVE);
    Confirm(c.question, IDCANCEL);
    ASSERT_TRUE(dialog.Settle());
    EXPECT_FALSE(dialog.CloseGrayed());
    EXPECT_TRUE(Removals(dialog.Suite()).empty());

    dialog.Click(c.selected.empty() ? IDC_REMOVE_ALL : IDC_REMOVE);
    Confirm(c.question, IDOK);
    ShownBox summary = WaitForMessageBox("Success");
    ASSERT_TRUE(summary);
    EXPECT_EQ(c.removed, Removals(dialog.Suite()));
    ASSERT_TRUE(AnswerMessageBox(summary, IDOK));
    ASSERT_TRUE(dialog.WaitUntilIdle());
    // The view's selection follows the model's, not the old row positions.
    EXPECT_EQ(0, SendMessageA(dialog.Item(IDC_PRODUCT_LIST), LVM_GETSELECTEDCOUNT, 0, 0));
    EXPECT_FALSE(dialog.Enabled(IDC_REMOVE));
}

INSTANTIATE_TEST_SUITE_P(
    MainDialog, MainDialogConfirmation,
    ::testing::Values(
        ConfirmationCase{"One", {K::Console}, "Are you sure you want to remove \"Varnek Console\"?", {"Varnek Console"}},
        ConfirmationCase{"Several",
                         {K::Server, K::Console},
                         "Are you sure you want to remove the 2 selected components?",
                         {"Varnek Console", "Varnek Server"}},
        ConfirmationCase{"All",
                         {},
                         "Are you sure you want to remove all 5 installed components?",
                         {"Varnek Console", "Varnek Relay", "Varnek Server", "Varnek Client Logging Service",
                          "Varnek Client"}}),
    [](const ::testing::TestParamInfo<ConfirmationCase>& info) { return std::string(info.param.name); });

TEST(MainDialogRemoval, ClientRuleRefusesAndKeepsTheSelection)
{
    DialogUnderTest dialog([](ScriptedSuite& suite) { suite.Install({K::Client, K::Relay, K::Server}); });
    ASSERT_TRUE(dialog.OpenAndDetected());
    ASSERT_EQ((Rows{"Varnek Server|unknown", "Varnek Relay|unknown", "Varnek Client|unknown"}), dialog.Rows());
    dialog.SelectRow(2, true);
    ASSERT_TRUE(WaitUntil([&] { return dialog.Enabled(IDC_REMOVE); }));
    dialog.Click(IDC_REMOVE);
    Confirm("Are you sure you want to remove \"Varnek Client\"?", IDOK);
    ShownBox refusal = WaitForMessageBox("Some installed components depend on the client");
    ASSERT_TRUE(refusal);
    EXPECT_EQ("Removing the client will destroy relay and server configuration.\r\n"
              "In order to remove the client, you must also remove the following components:\r\n\r\n"
              "Varnek Relay\r\nVarnek Server\r\n",
              refusal.text);
    ASSERT_TRUE(AnswerMessageBox(refusal, IDOK));
    ASSERT_TRUE(dialog.Settle());
    EXPECT_TRUE(Removals(dialog.Suite()).empty());
    EXPECT_TRUE(dialog.Enabled(IDC_REMOVE));
    EXPECT_EQ(3u, dialog.Rows().size());
}

TEST(MainDialogRemoval, LastProductsGoneThenRootCleanUpAfterTheSummary)
{
    DialogUnderTest dialog([](ScriptedSuite& suite) { suite.Install({K::Relay}); });
    ASSERT_TRUE(dialog.OpenAndDetected());
    dialog.Click(IDC_REMOVE_ALL);
    Confirm("Are you sure you want to remove all 1 installed components?", IDOK);
    ShownBox summary = WaitForMessageBox("Success");
    ASSERT_TRUE(summary);
    EXPECT_EQ("Successfully removed 1 products.", summary.text);
    EXPECT_TRUE(Contains(dialog.LogText(), "x Removing Varnek Relay\r\n"));
    EXPECT_FALSE(Contains(dialog.LogText(), "No more products installed"));
    EXPECT_EQ(0, dialog.RootCleanups());

    ASSERT_TRUE(AnswerMessageBox(summary, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return dialog.RootCleanups() == 1; }));
    ASSERT_TRUE(dialog.WaitForRows({}));
    EXPECT_TRUE(Contains(dialog.LogText(), "\r\nNo more products installed. Removing root folders and reg keys...\r\n"
                                           "\r\nxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\r\n"
                                           "x Removing Varnek root folders and registry keys\r\n"
                                           "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\r\n"
                                           "test: root clean-up\r\n"));
    EXPECT_EQ(Rows(), dialog.Rows());
    EXPECT_FALSE(dialog.Enabled(IDC_REMOVE_ALL));
}

struct FailureCase {
    const char* name;
    bool removeSucceeds;
    bool survivesRemoval;
    Rows rowsAfter;
    int rootCleanups;
};

class MainDialogFailedRemoval : public ::testing::TestWithParam<FailureCase> {};

TEST_P(MainDialogFailedRemoval, ShowsErrorsAndListsWhatIsLeft)
{
    const FailureCase& c = GetParam();
    DialogUnderTest dialog([&c](ScriptedSuite& suite) {
        suite.Install({K::Relay, K::Console});
        suite[K::Relay].removeSucceeds = c.removeSucceeds;
        suite[K::Relay].survivesRemoval = c.survivesRemoval;
    });
    ASSERT_TRUE(dialog.OpenAndDetected());
    dialog.Click(IDC_REMOVE_ALL);
    Confirm("Are you sure you want to remove all 2 installed components?", IDOK);
    ShownBox summary = WaitForMessageBox("Errors Encountered");
    ASSERT_TRUE(summary);
    EXPECT_EQ("Some errors were encountered.  See the log for details.", summary.text);
    ASSERT_TRUE(AnswerMessageBox(summary, IDOK));
    EXPECT_TRUE(dialog.WaitForRows(c.rowsAfter)) << ::testing::PrintToString(dialog.Rows());
    EXPECT_EQ(c.rootCleanups, dialog.RootCleanups());
    EXPECT_EQ(!c.rowsAfter.empty(), dialog.Enabled(IDC_REMOVE_ALL));
}

INSTANTIATE_TEST_SUITE_P(MainDialog, MainDialogFailedRemoval,
                         ::testing::Values(FailureCase{"StillFound", true, true, {"Varnek Relay|unknown"}, 0},
                                           FailureCase{"StepFailedButGone", false, false, {}, 1}),
                         [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(MainDialogFaults, WorkerThatCannotStartLeavesNoRunBehind)
{
    DialogUnderTest dialog([](ScriptedSuite& suite) { suite.Install({K::Relay}); });
    ASSERT_TRUE(dialog.OpenAndDetected());
    WindowsPlatform::ScopedFailure noThread(WindowsPlatform::SeamCall::_beginthreadex, EAGAIN);
    dialog.Click(IDC_REMOVE_ALL);
    Confirm("Are you sure you want to remove all 1 installed components?", IDOK);
    ShownBox error = WaitForMessageBox("Errors Encountered");
    ASSERT_TRUE(error);
    EXPECT_EQ("Unable to start the removal.  See the log for details.", error.text);
    EXPECT_EQ(1, noThread.Hits());
    EXPECT_TRUE(Contains(dialog.LogText(), "Unable to start the removal: "));
    ASSERT_TRUE(AnswerMessageBox(error, IDOK));
    ASSERT_TRUE(dialog.Settle());
    EXPECT_FALSE(dialog.CloseGrayed());
    EXPECT_TRUE(dialog.Enabled(IDC_REMOVE_ALL));
    EXPECT_TRUE(Removals(dialog.Suite()).empty());
    EXPECT_EQ((Rows{"Varnek Relay|unknown"}), dialog.Rows());
    dialog.PressKey(VK_ESCAPE);
    EXPECT_TRUE(dialog.WaitClosed());
}

TEST(MainDialogFaults, DetectionThatCannotStartLeavesTheDialogClosable)
{
    WindowsPlatform::ScopedFailure noThread(WindowsPlatform::SeamCall::_beginthreadex, EAGAIN);
    DialogUnderTest dialog([](ScriptedSuite& suite) { suite.Install({K::Relay}); });
    ASSERT_TRUE(dialog.Open());
    ShownBox error = WaitForMessageBox("Errors Encountered");
    ASSERT_TRUE(error);
    EXPECT_EQ("Unable to start product detection.  See the log for details.", error.text);
    EXPECT_TRUE(Contains(dialog.LogText(), "Unable to start product detection: "));
    ASSERT_TRUE(AnswerMessageBox(error, IDOK));
    ASSERT_TRUE(dialog.Settle());
    EXPECT_FALSE(dialog.CloseGrayed());
    EXPECT_EQ(Rows(), dialog.Rows());
    EXPECT_FALSE(dialog.Enabled(IDC_REMOVE_ALL));
    dialog.PressKey(VK_ESCAPE);
    EXPECT_TRUE(dialog.WaitClosed());
}

TEST(MainDialogFaults, HandlerFailureWaitsForTheWorkerAndStrayFinishedMessagesDoNothing)
{
    Windows::UniqueKernelHandle gate = MakeTestEvent();
    HANDLE event = gate.get();
    DialogUnderTest dialog([event](ScriptedSuite& suite) {
        suite.Install({K::Relay});
        ScriptedProduct& msde = suite[K::MSDE];
        msde.onDetect = [&msde, event] {
            *msde.Log() << "Looking for the engine...";
            WaitForTestEvent(event);
            *msde.Log() << "not found" << Remove::LineEnd;
        };
    });
    ASSERT_TRUE(dialog.Open());
    ASSERT_TRUE(WaitUntil([&] { return Contains(dialog.LogText(), "Looking for the engine..."); }));
    PostMessageA(dialog.Window(), DialogUnderTest::kFailingMessage, 0, 0);
    PostMessageA(dialog.Window(), WM_REMOVAL_FINISHED, 0, 0);
    ASSERT_TRUE(dialog.Settle());
    EXPECT_FALSE(Contains(dialog.LogText(), "error encountered"));
    SetEvent(event);
    ASSERT_TRUE(dialog.WaitForRows({"Varnek Relay|unknown"}));
    const std::string log = dialog.LogText();
    EXPECT_TRUE(Contains(log, "\r\nLooking for the engine...not found\r\n"));
    EXPECT_LT(log.find("* Detecting Varnek Server"), log.find("\r\nerror encountered: handler failed\r\n"));

    PostMessageA(dialog.Window(), WM_REMOVAL_FINISHED, 0, 0);
    PostMessageA(dialog.Window(), WM_DETECTION_FINISHED, 0, 0);
    ASSERT_TRUE(dialog.Settle());
    EXPECT_TRUE(OpenMessageBoxes().empty());
    EXPECT_EQ(0, dialog.RootCleanups());
    EXPECT_EQ((Rows{"Varnek Relay|unknown"}), dialog.Rows());
}

TEST(MainDialogLayout, GrowingWidensTheListAndPaneAndKeepsButtonsAtTheRight)
{
    DialogUnderTest dialog([](ScriptedSuite&) {});
    ASSERT_TRUE(dialog.OpenAndDetected());
    HWND window = dialog.Window();
    const int ids[] = {IDC_PRODUCT_LIST, IDC_REMOVE, IDC_REMOVE_ALL, IDC_LOG};
    RECT before[4], after[4], client = {};
    for (int i = 0; i < 4; ++i)
        before[i] = ClientRect(window, dialog.Item(ids[i]));
    GetClientRect(window, &client);
    const int rightGap = client.right - before[2].right;

    RECT frame = {};
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + 200, frame.bottom - frame.top + 120,
                 SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(window, &client);
    for (int i = 0; i < 4; ++i)
        after[i] = ClientRect(window, dialog.Item(ids[i]));

    // The list: same top and height, 200 wider.
    EXPECT_EQ(before[0].top, after[0].top);
    EXPECT_EQ(before[0].bottom, after[0].bottom);
    EXPECT_EQ(before[0].right - before[0].left + 200, after[0].right - after[0].left);
    // The buttons: moved with the right edge, same size.
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(before[i].left + 200, after[i].left);
        EXPECT_EQ(before[i].top, after[i].top);
    }
    EXPECT_EQ(rightGap, client.right - after[2].right);
    // The pane: top fixed, larger both ways.
    EXPECT_EQ(before[3].top, after[3].top);
    EXPECT_EQ(before[3].right + 200, after[3].right);
    EXPECT_EQ(before[3].bottom + 120, after[3].bottom);

    // Never smaller than the template.
    SetWindowPos(window, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    RECT small = {};
    GetWindowRect(window, &small);
    EXPECT_EQ(frame.right - frame.left, small.right - small.left);
    EXPECT_EQ(frame.bottom - frame.top, small.bottom - small.top);
}

namespace {

// Per-monitor DPI awareness v2 (Windows 10 1703), looked up at run time: the
// headers we build with predate it.
bool SwitchThreadToPerMonitorV2()
{
    using SetContext = HANDLE(WINAPI*)(HANDLE);
    auto set = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
    return set && set(reinterpret_cast<HANDLE>(-4) /* DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 */) != nullptr;
}

// Whether the window gets the DPI of the screen it is on (DPI_AWARENESS_PER_MONITOR_AWARE).
bool WindowIsPerMonitorAware(HWND window)
{
    using GetContext = HANDLE(WINAPI*)(HWND);
    using AwarenessOf = int(WINAPI*)(HANDLE);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    auto get = reinterpret_cast<GetContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    auto awareness = reinterpret_cast<AwarenessOf>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    return get && awareness && awareness(get(window)) == 2;
}

} // namespace

// Moved to a screen of 150 % the DPI, and back. The dialog's thread asks for
// per-monitor awareness v2 first, as the program's manifest does: Wine 10 (like
// Windows 10) switches it for real, and WM_DPICHANGED is the message the system
// sends such a window on the move; Wine 8 refuses the switch (it reports the
// window as per-monitor aware all the same) and never sends the message, which
// can only come from here. The dialog follows it either way.
TEST(MainDialogLayout, DpiChangeRescalesFontsColumnsAndLayoutAndTakesTheSuggestedRectangle)
{
    std::atomic<bool> switched{false};
    DialogUnderTest dialog([&switched](ScriptedSuite&) { switched = SwitchThreadToPerMonitorV2(); });
    ASSERT_TRUE(dialog.OpenAndDetected());
    HWND window = dialog.Window();
    EXPECT_EQ(WineMajorVersion() != 8, switched.load());
    EXPECT_TRUE(WindowIsPerMonitorAware(window));
    auto measure = [&] { // the controls' places, a column, the dialog's font and, last, the log pane's
        std::vector<int> lengths;
        for (int id : {IDC_PRODUCT_LIST, IDC_REMOVE, IDC_REMOVE_ALL, IDC_LOG}) {
            RECT rect = ClientRect(window, dialog.Item(id));
            lengths.insert(lengths.end(), {rect.left, rect.top, rect.right, rect.bottom});
        }
        lengths.push_back(int(SendMessageA(dialog.Item(IDC_PRODUCT_LIST), LVM_GETCOLUMNWIDTH, 1, 0)));
        for (int id : {IDC_REMOVE, IDC_LOG}) {
            LOGFONTA font = {};
            GetObjectA(HFONT(SendMessageA(dialog.Item(id), WM_GETFONT, 0, 0)), sizeof font, &font);
            lengths.push_back(-font.lfHeight);
        }
        return lengths;
    };
    const std::vector<int> before = measure();
    const int dpi = WindowDpi(window), larger = dpi * 3 / 2;
    RECT frame = {}, client = {}, now = {};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    // The client area scaled; Wine keeps the frame as it was.
    RECT suggested = {frame.left + 20, frame.top + 10, frame.right + 20 + MulDiv(client.right, 1, 2),
                      frame.bottom + 10 + MulDiv(client.bottom, 1, 2)};
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(larger, larger), reinterpret_cast<LPARAM>(&suggested));
    std::vector<int> scaled;
    for (int length : before)
        scaled.push_back(MulDiv(length, larger, dpi));
    scaled.back() = MulDiv(8, larger, 72); // Courier New 8 anew, not a rounded height scaled
    EXPECT_EQ(scaled, measure());
    SetWindowPos(window, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER); // the least size scaled too
    GetWindowRect(window, &now);
    EXPECT_TRUE(EqualRect(&suggested, &now));
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
    EXPECT_EQ(before, measure());
}
