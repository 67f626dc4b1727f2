#include "ui/my_edit.h"

void CMyEdit::SelectAll()
{
    SendMessageA(GetSafeHwnd(), EM_SETSEL, 0, -1);
    SendMessageA(GetSafeHwnd(), EM_SCROLLCARET, 0, 0);
}

long long CMyEdit::NowMicroseconds()
{
    LARGE_INTEGER frequency = {}, now = {};
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0 || !QueryPerformanceCounter(&now))
        return 0;
    return now.QuadPart / frequency.QuadPart * 1000000 + now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

LRESULT CMyEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == 'A' && (GetKeyState(VK_CONTROL) & 0x8000)) {
            SelectAll();
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == 1) // the Ctrl+A character: already handled, no beep
            return 0;
        break;
    case WM_LBUTTONDBLCLK:
        doubleClickPosition_ = lParam;
        doubleClickTime_ = NowMicroseconds();
        break;
    case WM_LBUTTONDOWN:
        if (doubleClickTime_ >= 0 && lParam == doubleClickPosition_) {
            long long elapsed = NowMicroseconds() - doubleClickTime_;
            doubleClickTime_ = -1;
            if (elapsed < static_cast<long long>(GetDoubleClickTime()) * 1000 / 2) {
                SetFocus(GetSafeHwnd());
                SelectAll();
                return 0;
            }
        }
        doubleClickTime_ = -1;
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}
