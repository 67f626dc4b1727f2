// A dialog that shows its controls in the system's message font on Windows 6.0
// and later; earlier versions keep the template's font.
#pragma once

#include "ui/dialog_template.h"
#include "ui/modal_dialog.h"

class CUIFontDialog : public CModalDialog {
public:
    using CModalDialog::CModalDialog;

    // The system's message font in template terms (points from its height at
    // the screen's pixels per inch); false when the system cannot tell.
    static bool SystemMessageFont(DialogFont& font);

protected:
    void PrepareTemplate(std::vector<BYTE>& dialogTemplate) override;
    // The font that replaces the template's; the system's message font.
    virtual bool ReplacementFont(DialogFont& font);
};
