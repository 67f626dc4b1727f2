// A modal dialog bound to a C++ object: the object is bound to its window at
// WM_INITDIALOG (DWLP_USER) and handles messages in member functions. Nothing
// thrown by a handler crosses the dialog procedure into the system.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CModalDialog {
public:
    CModalDialog(HINSTANCE instance, UINT templateId);
    virtual ~CModalDialog();
    CModalDialog(const CModalDialog&) = delete;
    CModalDialog& operator=(const CModalDialog&) = delete;

    // Creates the dialog from a copy of its template and runs it until
    // EndDialog; answers EndDialog's result, or -1 when it could not be shown.
    INT_PTR DoModal(HWND parent = nullptr);

    HWND GetSafeHwnd() const { return window_; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(window_, id); }
    void EndDialog(INT_PTR result);

protected:
    // Changes the copy of the template before the dialog is created from it.
    virtual void PrepareTemplate(std::vector<BYTE>& dialogTemplate);
    // The controls exist; answers whether the system should set the focus.
    virtual BOOL OnInitDialog();
    // Answers true when the message was handled; `answer` is what the dialog
    // procedure returns (TRUE unless set otherwise). Subclasses call the base
    // for what they do not handle.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer);
    // A handler let an exception out; `description` says what it was.
    virtual void OnHandlerException(const std::string& description) noexcept;

    HINSTANCE instance_;

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HWND window_ = nullptr;
};
