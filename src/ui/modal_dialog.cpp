#include "ui/modal_dialog.h"

#include "support/exceptions.h"
#include "support/notification.h"
#include "ui/dialog_template.h"

CModalDialog::CModalDialog(HINSTANCE instance, UINT templateId) : instance_(instance), templateId_(templateId)
{
}

CModalDialog::~CModalDialog() = default;

INT_PTR CModalDialog::DoModal(HWND parent)
{
    std::vector<BYTE> dialogTemplate = LoadDialogTemplate(instance_, templateId_);
    if (dialogTemplate.empty())
        return -1;
    PrepareTemplate(dialogTemplate);
    return DialogBoxIndirectParamA(instance_, reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), parent,
                                   DialogProcedure, reinterpret_cast<LPARAM>(this));
}

void CModalDialog::EndDialog(INT_PTR result)
{
    ::EndDialog(window_, result);
}

void CModalDialog::PrepareTemplate(std::vector<BYTE>&)
{
}

BOOL CModalDialog::OnInitDialog()
{
    return TRUE;
}

bool CModalDialog::HandleMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}

void CModalDialog::OnHandlerException(const std::string& description) noexcept
{
    OutputDebugStringA(description.c_str());
}

INT_PTR CALLBACK CModalDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CModalDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CModalDialog*>(lParam);
        dialog->window_ = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<CModalDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!dialog)
        return FALSE; // messages before WM_INITDIALOG (WM_SETFONT) go to the default handling

    INT_PTR answer = FALSE;
    try {
        answer = dialog->Dispatch(message, wParam, lParam);
        // A list-model listener's failure is parked, not thrown: report it here.
        if (std::unique_ptr<CaughtException> pending = TakePendingException())
            pending->rethrow();
    } catch (...) {
        // The 32-bit build cannot unwind through the system's frames.
        try {
            dialog->OnHandlerException(DescribeCurrentException());
        } catch (...) {
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        dialog->window_ = nullptr;
    }
    return answer;
}

INT_PTR CModalDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    INT_PTR answer = TRUE;
    return HandleMessage(message, wParam, lParam, answer) ? answer : FALSE;
}
