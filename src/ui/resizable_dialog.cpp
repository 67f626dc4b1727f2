#include "ui/resizable_dialog.h"

#include "ui/window_dpi.h"

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
    originalDpi_ = Dpi();
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        anchored_.push_back({child, kTopLeft, kTopLeft, rect});
    }
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
    for (Anchored& item : anchored_) {
        if (item.control == control && control) {
            item.topLeft = topLeft;
            item.bottomRight = bottomRight;
        }
    }
}

int CResizableDialog::Scaled(int value) const
{
    return MulDiv(value, Dpi(), originalDpi_);
}

void CResizableDialog::OnDpiChanged(int oldDpi, const RECT& suggested)
{
    // The least size at the old DPI must not hold back the move to the suggested rectangle.
    minimumTrack_ = {};
    CUIFontDialog::OnDpiChanged(oldDpi, suggested);
    HWND window = GetSafeHwnd();
    // The frame is the system's at the new DPI by now; the least client area is ours.
    RECT frame = {}, client = {};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    minimumTrack_ = {Scaled(originalClient_.cx) + (frame.right - frame.left) - client.right,
                     Scaled(originalClient_.cy) + (frame.bottom - frame.top) - client.bottom};
    // Moving to the suggested rectangle need not change the client size.
    Arrange(client.right, client.bottom);
    PlaceGrip(client.right, client.bottom, !IsZoomed(window));
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
    const int dx = width - Scaled(originalClient_.cx);
    const int dy = height - Scaled(originalClient_.cy);
    HDWP positions = BeginDeferWindowPos(static_cast<int>(anchored_.size()));
    for (const Anchored& item : anchored_) {
        RECT rect = {Scaled(item.original.left), Scaled(item.original.top), Scaled(item.original.right),
                     Scaled(item.original.bottom)};
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
    const int cx = SystemMetricForDpi(SM_CXVSCROLL, Dpi());
    const int cy = SystemMetricForDpi(SM_CYHSCROLL, Dpi());
    // Above its siblings, so that the log pane's corner never hides it.
    SetWindowPos(grip_, HWND_TOP, width - cx, height - cy, cx, cy, SWP_NOACTIVATE);
    ShowWindow(grip_, visible ? SW_SHOW : SW_HIDE);
}
