#include "ui/ui_font_dialog.h"

#include "ui/window_dpi.h"

#include <versionhelpers.h>

#include <cstdlib>

bool CUIFontDialog::SystemMessageFont(DialogFont& font)
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return false;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const LOGFONTA& message = metrics.lfMessageFont;
    font.points = static_cast<WORD>(MulDiv(std::abs(message.lfHeight), 72, pixelsPerInch));
    font.weight = static_cast<WORD>(message.lfWeight);
    font.italic = message.lfItalic;
    font.charset = message.lfCharSet;
    font.typeface = message.lfFaceName;
    return font.points != 0 && !font.typeface.empty();
}

bool CUIFontDialog::ReplacementFont(DialogFont& font)
{
    return SystemMessageFont(font);
}

void CUIFontDialog::PrepareTemplate(std::vector<BYTE>& dialogTemplate)
{
    CModalDialog::PrepareTemplate(dialogTemplate);
    // NONCLIENTMETRICS of Windows 6.0 and later is the size this build declares.
    if (!IsWindowsVistaOrGreater())
        return;
    DialogFont font;
    if (ReplacementFont(font))
        dialogTemplate = ReplaceDialogFont(dialogTemplate, font);
}

BOOL CUIFontDialog::OnInitDialog()
{
    BOOL result = CModalDialog::OnInitDialog();
    HWND window = GetSafeHwnd();
    dpi_ = initialDpi_ = WindowDpi(window);
    shownFont_ = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (!shownFont_ || !GetObjectA(shownFont_, sizeof initialFont_, &initialFont_))
        shownFont_ = nullptr;
    TakeOverDialogDpiScaling(window);
    return result;
}

bool CUIFontDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer)
{
    if (message != WM_DPICHANGED)
        return CModalDialog::HandleMessage(message, wParam, lParam, answer);
    const int newDpi = LOWORD(wParam);
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (newDpi > 0 && suggested) {
        const int oldDpi = dpi_;
        dpi_ = newDpi;
        OnDpiChanged(oldDpi, *suggested);
    }
    SetWindowLongPtrA(GetSafeHwnd(), DWLP_MSGRESULT, 0);
    return true;
}

void CUIFontDialog::OnDpiChanged(int, const RECT& suggested)
{
    HWND window = GetSafeHwnd();
    if (shownFont_) {
        LOGFONTA font = initialFont_;
        font.lfHeight = MulDiv(initialFont_.lfHeight, dpi_, initialDpi_);
        Windows::UniqueGdiObject scaled(CreateFontIndirectA(&font));
        if (scaled) {
            HFONT previous = shownFont_;
            shownFont_ = static_cast<HFONT>(scaled.get());
            // Controls with a font of their own (the log pane) keep it.
            for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                if (reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)) == previous)
                    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(shownFont_), TRUE);
            }
            scaledFont_ = std::move(scaled);
        }
    }
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}
