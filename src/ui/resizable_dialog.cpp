#include "ui/resizable_dialog.h"

void CResizableDialog::PrepareTemplate(std::vector<BYTE>& dialogTemplate)
{
    CUIFontDialog::PrepareTemplate(dialogTemplate);
    // A sizing frame from the start keeps the client area at the template's size.
    AddDialogStyle(dialogTemplate, WS_THICKFRAME);
}

BOOL CResizableDialog::OnInitDialog()
{
    BOOL result = CUIFontDialog::OnInitDialog();
    HWND window = GetSafeHwnd();
    RECT client = {};
    GetClientRect(window, &client);
    originalClient_ = {client.right, client.bottom};
    RECT frame = {};
    GetWindowRect(window, &frame);
    minimumTrack_ = {frame.right - frame.left, frame.bottom - frame.top};

    grip_ = CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEGRIP, 0, 0, 0, 0,
                            window, nullptr, instance_, nullptr);
    PlaceGrip(client.right, client.bottom, true);
    return result;
}

void CResizableDialog::AddAnchor(int controlId, AnchorPoint topLeft, AnchorPoint bottomRight)
{
    HWND control = GetDlgItem(controlId);
    if (!control)
        return;
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetSafeHwnd(), reinterpret_cast<POINT*>(&rect), 2);
    anchored_.push_back({control, topLeft, bottomRight, rect});
}

bool CResizableDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer)
{
    switch (message) {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            Arrange(LOWORD(lParam), HIWORD(lParam));
            PlaceGrip(LOWORD(lParam), HIWORD(lParam), wParam != SIZE_MAXIMIZED);
        }
        answer = FALSE;
        return true;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (minimumTrack_.x > 0)
            info->ptMinTrackSize = minimumTrack_;
        answer = FALSE;
        return true;
    }
    default:
        return CUIFontDialog::HandleMessage(message, wParam, lParam, answer);
    }
}

void CResizableDialog::Arrange(int width, int height)
{
    if (anchored_.empty())
        return;
    const int dx = width - originalClient_.cx;
    const int dy = height - originalClient_.cy;
    HDWP positions = BeginDeferWindowPos(static_cast<int>(anchored_.size()));
    for (const Anchored& item : anchored_) {
        RECT rect = item.original;
        rect.left += MulDiv(dx, item.topLeft.x, 100);
        rect.top += MulDiv(dy, item.topLeft.y, 100);
        rect.right += MulDiv(dx, item.bottomRight.x, 100);
        rect.bottom += MulDiv(dy, item.bottomRight.y, 100);
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (positions)
            positions = DeferWindowPos(positions, item.control, nullptr, rect.left, rect.top,
                                       rect.right - rect.left, rect.bottom - rect.top, flags);
        else
            SetWindowPos(item.control, nullptr, rect.left, rect.top, rect.right - rect.left,
                         rect.bottom - rect.top, flags);
    }
    if (positions)
        EndDeferWindowPos(positions);
    InvalidateRect(GetSafeHwnd(), nullptr, TRUE);
}

void CResizableDialog::PlaceGrip(int width, int height, bool visible)
{
    if (!grip_)
        return;
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    // Above its siblings, so that the log pane's corner never hides it.
    SetWindowPos(grip_, HWND_TOP, width - cx, height - cy, cx, cy, SWP_NOACTIVATE);
    ShowWindow(grip_, visible ? SW_SHOW : SW_HIDE);
}
