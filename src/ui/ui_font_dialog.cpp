#include "ui/ui_font_dialog.h"

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
