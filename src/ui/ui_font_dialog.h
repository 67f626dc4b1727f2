// A dialog that shows its controls in the system's message font on Windows 6.0
// and later; earlier versions keep the template's font. It follows the DPI of
// its window: on WM_DPICHANGED (per-monitor awareness) it rescales its font and
// takes the rectangle the system suggests.
#pragma once

#include "support/owned_handle.h"
#include "ui/dialog_template.h"
#include "ui/modal_dialog.h"

class CUIFontDialog : public CModalDialog {
public:
    using CModalDialog::CModalDialog;

    // The system's message font in template terms (points from its height at
    // the screen's pixels per inch); false when the system cannot tell.
    static bool SystemMessageFont(DialogFont& font);

    // The DPI the dialog is shown at now.
    int Dpi() const { return dpi_; }

protected:
    void PrepareTemplate(std::vector<BYTE>& dialogTemplate) override;
    BOOL OnInitDialog() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) override;
    // The font that replaces the template's; the system's message font.
    virtual bool ReplacementFont(DialogFont& font);
    // Dpi() is the new DPI already. The base rescales the dialog's font and
    // moves the window to `suggested`; overrides call it first.
    virtual void OnDpiChanged(int oldDpi, const RECT& suggested);

private:
    int dpi_ = 96;
    // The dialog's font when it was created, and at what DPI: every rescale
    // starts from there, so that going back and forth loses nothing.
    LOGFONTA initialFont_ = {};
    int initialDpi_ = 96;
    HFONT shownFont_ = nullptr;
    Windows::UniqueGdiObject scaledFont_;
};
