// A dialog control whose messages pass through a member function first
// (SetWindowSubclass). Nothing thrown by the member crosses into the system.
#pragma once

#include <windows.h>

class CSubclassedControl {
public:
    CSubclassedControl() = default;
    virtual ~CSubclassedControl();
    CSubclassedControl(const CSubclassedControl&) = delete;
    CSubclassedControl& operator=(const CSubclassedControl&) = delete;

    // Binds the object to an existing control; false when it could not.
    bool Attach(HWND control);
    void Detach();
    HWND GetSafeHwnd() const { return control_; }

protected:
    // Handles one message; calls Default for what it leaves to the control.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR id, DWORD_PTR self);
    HWND control_ = nullptr;
};
