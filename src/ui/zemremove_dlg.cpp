#include "ui/zemremove_dlg.h"

#include "ui/resource_ids.h"
#include "orchestration/removal_planning.h"
#include "orchestration/run_messages.h"
#include "products/suite_products.h"
#include "remove/suite_roots.h"
#include "support/exceptions.h"

#include <cstdio>

namespace {

const char* const kSuccessCaption = "Success";
const char* const kErrorsCaption = "Errors Encountered";
const char* const kErrorsText = "Some errors were encountered.  See the log for details.";

MainDialogHost RealHost()
{
    MainDialogHost host;
    host.removeSuiteRoots = [](Remove::Log& log) { Remove::RemoveSuiteRoots(log); };
    return host;
}

} // namespace

CZEMRemoveDlg::CZEMRemoveDlg(HINSTANCE instance)
    : CResizableDialog(instance, IDD_ZEMREMOVE_DIALOG),
      messageLog_(logQueue_),
      ownProducts_(std::make_unique<SuiteProducts>(&messageLog_)),
      products_(ownProducts_->Catalogue()),
      remover_(&messageLog_),
      host_(RealHost())
{
}

CZEMRemoveDlg::CZEMRemoveDlg(HINSTANCE instance, const ProductFactory& makeProducts, MainDialogHost host)
    : CResizableDialog(instance, IDD_ZEMREMOVE_DIALOG),
      messageLog_(logQueue_),
      products_(makeProducts(&messageLog_)),
      remover_(&messageLog_),
      host_(std::move(host))
{
}

CZEMRemoveDlg::~CZEMRemoveDlg() = default;

BOOL CZEMRemoveDlg::OnInitDialog()
{
    CResizableDialog::OnInitDialog();
    HWND window = GetSafeHwnd();
    logPane_.Attach(GetDlgItem(IDC_LOG));
    productList_.SetDpi(Dpi());
    productList_.Show<ZEMProduct*>(GetDlgItem(IDC_PRODUCT_LIST), listModel_, listModel_, listModel_, listModel_);

    ShowIcons();

    AddAnchor(IDC_PRODUCT_LIST, kTopLeft, kTopRight);
    AddAnchor(IDC_REMOVE, kTopRight, kTopRight);
    AddAnchor(IDC_REMOVE_ALL, kTopRight, kTopRight);
    AddAnchor(IDC_LOG, kTopLeft, kBottomRight);

    SendMessageA(GetDlgItem(IDC_LOG), EM_LIMITTEXT, 0, 0);

    ShowLogFont();

    remover_.SetWindow(window);
    PostMessageA(window, WM_START_DETECTION, 0, 0);

    selectionConnection_ = listModel_.selectionChanged.connect([this](const std::set<int>&) { UpdateButtons(); });
    rowsConnection_ = listModel_.modelChanged.connect([this] { UpdateButtons(); });
    UpdateButtons();
    return TRUE;
}

bool CZEMRemoveDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer)
{
    switch (message) {
    case WM_START_DETECTION:
        OnStartDetection();
        return true;
    // Only the message the running worker posts: a stray one would end a run
    // that is not there (and after a removal, clean up the roots).
    case WM_DETECTION_FINISHED:
        if (runFinishedMessage_ == WM_DETECTION_FINISHED)
            OnDetectionFinished();
        return true;
    case WM_REMOVAL_FINISHED:
        if (runFinishedMessage_ == WM_REMOVAL_FINISHED)
            OnRemovalFinished();
        return true;
    case WM_TIMER:
        if (wParam == kRunTimerId)
            FlushLog();
        return true;
    case WM_SIZE: {
        bool handled = CResizableDialog::HandleMessage(message, wParam, lParam, answer);
        // The re-wrapped pane may start past its last line: bring the caret back.
        SendMessageA(GetDlgItem(IDC_LOG), EM_SCROLLCARET, 0, 0);
        return handled;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_REMOVE:
            if (HIWORD(wParam) == BN_CLICKED)
                OnRemove();
            return true;
        case IDC_REMOVE_ALL:
            if (HIWORD(wParam) == BN_CLICKED)
                OnRemoveAll();
            return true;
        case IDOK: // Enter: the dialog has no default action
            return true;
        case IDCANCEL: // Escape, and the Close command by way of WM_CLOSE
            OnCancel();
            return true;
        default:
            return false;
        }
    case WM_SYSCOMMAND:
        // The grayed Close item is not the only way to the command (Alt+F4).
        if ((wParam & 0xFFF0) == SC_CLOSE && runActive_)
            return true;
        return false;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        LRESULT result = 0;
        if (header && header->idFrom == IDC_PRODUCT_LIST && productList_.OnParentNotify(*header, result)) {
            SetWindowLongPtrA(GetSafeHwnd(), DWLP_MSGRESULT, result);
            return true;
        }
        return false;
    }
    case WM_PAINT:
        if (!IsIconic(GetSafeHwnd()))
            return false;
        OnPaintMinimized();
        return true;
    case WM_QUERYDRAGICON:
        answer = reinterpret_cast<INT_PTR>(icon_.get());
        return true;
    default:
        return CResizableDialog::HandleMessage(message, wParam, lParam, answer);
    }
}

void CZEMRemoveDlg::OnHandlerException(const std::string& description) noexcept
{
    try {
        // While a worker writes, a line from here could land inside one of its lines.
        if (runFinishedMessage_) {
            heldErrors_.push_back(description);
            return;
        }
        messageLog_ << "error encountered: " << description << Remove::LineEnd;
        FlushLog();
    } catch (...) {
    }
}

void CZEMRemoveDlg::OnStartDetection()
{
    if (runActive_)
        return;
    std::vector<ZEMProduct*> all = products_.InOrder(kInteractiveDetectionOrder);
    BeginRun(WM_DETECTION_FINISHED);
    try {
        remover_.StartDetection(all);
    } catch (...) {
        OnRunNotStarted("product detection", DescribeCurrentException());
    }
}

void CZEMRemoveDlg::OnDetectionFinished()
{
    // Whatever fails below, the dialog leaves the running state.
    auto endRun = Windows::MakeScopeExit([this] { EndRun(); });
    EndWorker();
    // Only what the detection found: a pass cut short hands back what it had found.
    listModel_.SetProducts(remover_.Products());
}

void CZEMRemoveDlg::OnRemovalFinished()
{
    auto endRun = Windows::MakeScopeExit([this] { EndRun(); });
    EndWorker();

    const std::vector<ZEMProduct*>& removed = remover_.Products();
    if (remover_.Succeeded()) {
        char text[64] = {};
        std::snprintf(text, sizeof text, "Successfully removed %u products.", static_cast<unsigned>(removed.size()));
        ShowMessage(text, kSuccessCaption, MB_OK);
    } else {
        ShowMessage(kErrorsText, kErrorsCaption, MB_ICONERROR);
    }

    listModel_.RemoveProducts(std::set<ZEMProduct*>(removed.begin(), removed.end()));
    if (listModel_.Products().empty()) {
        messageLog_ << Remove::LineEnd << "No more products installed. Removing root folders and reg keys..."
                    << Remove::LineEnd;
        messageLog_.RemovingBanner("Varnek root folders and registry keys");
        if (host_.removeSuiteRoots)
            host_.removeSuiteRoots(messageLog_);
        FlushLog();
    }
}

void CZEMRemoveDlg::OnRemove()
{
    if (runActive_)
        return;
    std::set<ZEMProduct*> selection = listModel_.SelectedProducts();
    if (selection.empty())
        return;
    if (MessageBoxA(GetSafeHwnd(), RemoveSelectionQuestion(selection).c_str(), kConfirmRemovalCaption,
                    kConfirmRemovalFlags) == IDOK)
        StartRemoval(selection);
}

void CZEMRemoveDlg::OnRemoveAll()
{
    if (runActive_)
        return;
    const std::vector<ZEMProduct*>& listed = listModel_.Products();
    if (listed.empty())
        return;
    if (MessageBoxA(GetSafeHwnd(), RemoveAllQuestion(listed.size()).c_str(), kConfirmRemovalCaption,
                    kConfirmRemovalFlags) == IDOK)
        StartRemoval(std::set<ZEMProduct*>(listed.begin(), listed.end()));
}

void CZEMRemoveDlg::StartRemoval(const std::set<ZEMProduct*>& chosen)
{
    if (runActive_)
        return;
    const std::vector<ZEMProduct*>& listed = listModel_.Products();
    RemovalPlan plan = PlanRemoval(chosen, std::set<ZEMProduct*>(listed.begin(), listed.end()), products_);
    if (plan.Refused()) {
        ShowMessage(plan.refusal, kClientDependantsCaption, kClientDependantsFlags);
        return;
    }
    BeginRun(WM_REMOVAL_FINISHED);
    try {
        remover_.StartRemoval(plan.order);
    } catch (...) {
        OnRunNotStarted("the removal", DescribeCurrentException());
    }
}

void CZEMRemoveDlg::OnCancel()
{
    // The dialog, the products and the log must outlive a running worker.
    if (runActive_)
        return;
    EndDialog(IDCANCEL);
}

void CZEMRemoveDlg::OnPaintMinimized()
{
    HWND window = GetSafeHwnd();
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(window, &paint);
    SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client = {};
    GetClientRect(window, &client);
    int x = (client.right - SystemMetricForDpi(SM_CXICON, Dpi()) + 1) / 2;
    int y = (client.bottom - SystemMetricForDpi(SM_CYICON, Dpi()) + 1) / 2;
    if (icon_)
        DrawIcon(dc, x, y, icon_.get());
    EndPaint(window, &paint);
}

void CZEMRemoveDlg::OnDpiChanged(int oldDpi, const RECT& suggested)
{
    CResizableDialog::OnDpiChanged(oldDpi, suggested);
    ShowLogFont();
    productList_.SetDpi(Dpi());
    ShowIcons();
}

void CZEMRemoveDlg::ShowIcons()
{
    // Loaded at the sizes for this DPI, not shared: the old ones go once replaced.
    UniqueIcon large = LoadIconForDpi(instance_, IDR_MAINFRAME, true, Dpi());
    UniqueIcon small = LoadIconForDpi(instance_, IDR_MAINFRAME, false, Dpi());
    SendMessageA(GetSafeHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large.get()));
    SendMessageA(GetSafeHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    icon_ = std::move(large);
    smallIcon_ = std::move(small);
}

void CZEMRemoveDlg::ShowLogFont()
{
    Windows::UniqueGdiObject font(CreateFontA(-MulDiv(8, Dpi(), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                              DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New"));
    if (!font)
        return;
    SendMessageA(GetDlgItem(IDC_LOG), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    logFont_ = std::move(font);
}

void CZEMRemoveDlg::BeginRun(UINT finishedMessage)
{
    runActive_ = true;
    runFinishedMessage_ = finishedMessage;
    EnableMenuItem(GetSystemMenu(GetSafeHwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    UpdateButtons();
}

void CZEMRemoveDlg::EndRun()
{
    runActive_ = false;
    runFinishedMessage_ = 0;
    EnableMenuItem(GetSystemMenu(GetSafeHwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
    UpdateButtons();
}

void CZEMRemoveDlg::EndWorker()
{
    FlushLog();
    KillTimer(GetSafeHwnd(), remover_.Timer());
    remover_.ReleaseThread();
    runFinishedMessage_ = 0;
    std::vector<std::string> held;
    held.swap(heldErrors_);
    for (const std::string& description : held)
        messageLog_ << "error encountered: " << description << Remove::LineEnd;
    FlushLog();
}

void CZEMRemoveDlg::OnRunNotStarted(const char* what, const std::string& description)
{
    KillTimer(GetSafeHwnd(), kRunTimerId);
    EndRun();
    messageLog_ << "Unable to start " << what << ": " << description << Remove::LineEnd;
    FlushLog();
    ShowMessage(std::string("Unable to start ") + what + ".  See the log for details.", kErrorsCaption,
                MB_ICONERROR);
}

void CZEMRemoveDlg::UpdateButtons()
{
    EnableWindow(GetDlgItem(IDC_REMOVE), !runActive_ && listModel_.SelectedCount() > 0);
    EnableWindow(GetDlgItem(IDC_REMOVE_ALL), !runActive_ && listModel_.RowCount() > 0);
}

void CZEMRemoveDlg::FlushLog()
{
    AppendToLogPane(GetDlgItem(IDC_LOG), TakePendingLogText(logQueue_));
}

void CZEMRemoveDlg::ShowMessage(const std::string& text, const char* caption, UINT flags)
{
    MessageBoxA(GetSafeHwnd(), text.c_str(), caption, flags);
}
