#include "ui/subclassed_control.h"

#include <commctrl.h>

CSubclassedControl::~CSubclassedControl()
{
    Detach();
}

bool CSubclassedControl::Attach(HWND control)
{
    Detach();
    if (!control || !SetWindowSubclass(control, SubclassProcedure, 0, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    control_ = control;
    return true;
}

void CSubclassedControl::Detach()
{
    if (control_ && IsWindow(control_))
        RemoveWindowSubclass(control_, SubclassProcedure, 0);
    control_ = nullptr;
}

LRESULT CSubclassedControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT CSubclassedControl::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefSubclassProc(control_, message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedControl::SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                       UINT_PTR, DWORD_PTR self)
{
    CSubclassedControl* control = reinterpret_cast<CSubclassedControl*>(self);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, SubclassProcedure, 0);
        control->control_ = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    try {
        return control->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the control's own code; let it handle the message.
        return DefSubclassProc(window, message, wParam, lParam);
    }
}
