// The dialog template of the program and the font the dialog is shown in.
#include "dialog_under_test.h"

#include "ui/resource_ids.h"
#include "ui/ui_font_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

struct ControlCase {
    int id;
    const char* className;
    DWORD style; // bits that must be set; a border may show as a client edge
    RECT dialogUnits; // x, y, width, height
};

const ControlCase kControls[] = {
    {IDC_PRODUCT_LIST, "SysListView32",
     LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP, {7, 18, 276, 106}},
    {IDC_REMOVE, "Button", WS_TABSTOP, {179, 126, 50, 14}},
    {IDC_REMOVE_ALL, "Button", WS_TABSTOP, {233, 126, 50, 14}},
    {IDC_LOG, "Edit",
     ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | ES_NOHIDESEL | WS_BORDER | WS_TABSTOP,
     {7, 144, 276, 114}},
};

INT_PTR CALLBACK PlainProcedure(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

} // namespace

TEST(MainDialogTemplate, FontIsReplacedAndItemsSurvive)
{
    std::vector<BYTE> original = LoadDialogTemplate(GetModuleHandleA(nullptr), IDD_ZEMREMOVE_DIALOG);
    ASSERT_TRUE(IsExtendedDialogTemplate(original));
    DialogFont font;
    ASSERT_TRUE(ReadDialogFont(original, font));
    EXPECT_EQ("MS Shell Dlg", font.typeface);
    EXPECT_EQ(8, font.points);

    // A face name of odd length moves the items by a non-multiple of four bytes.
    DialogFont other{11, FW_BOLD, 1, ANSI_CHARSET, "Courier New"};
    std::vector<BYTE> changed = ReplaceDialogFont(original, other);
    DialogFont read;
    ASSERT_TRUE(ReadDialogFont(changed, read));
    EXPECT_EQ(other.typeface, read.typeface);
    EXPECT_EQ(11, read.points);
    EXPECT_EQ(FW_BOLD, read.weight);

    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEA>(changed.data()), nullptr,
                                             PlainProcedure, 0);
    ASSERT_NE(nullptr, dialog);
    char title[64] = {};
    GetWindowTextA(dialog, title, sizeof title);
    EXPECT_STREQ("Varnek Removal Utility", title);
    for (const ControlCase& c : kControls) {
        SCOPED_TRACE(c.id);
        HWND control = GetDlgItem(dialog, c.id);
        ASSERT_NE(nullptr, control);
        char className[64] = {};
        GetClassNameA(control, className, sizeof className);
        EXPECT_STRCASEEQ(c.className, className);
        DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
        if (GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)
            style |= WS_BORDER;
        EXPECT_EQ(c.style, style & c.style);
        RECT expected = c.dialogUnits;
        MapDialogRect(dialog, &expected);
        RECT actual = {};
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(expected.left, actual.left);
        EXPECT_EQ(expected.top, actual.top);
        EXPECT_EQ(expected.right, actual.right - actual.left);
        EXPECT_EQ(expected.bottom, actual.bottom - actual.top);
    }
    DestroyWindow(dialog);
}

// Wine's message font is the template's own ("MS Shell Dlg", 8 points), so
// the replacement is seen through a dialog whose system font is another.
class OtherFontDialog : public CUIFontDialog {
public:
    OtherFontDialog() : CUIFontDialog(GetModuleHandleA(nullptr), IDD_ZEMREMOVE_DIALOG) {}
    LOGFONTA shown = {};

protected:
    bool ReplacementFont(DialogFont& font) override
    {
        font = DialogFont{10, FW_NORMAL, 0, ANSI_CHARSET, "Courier New"};
        return true;
    }
    BOOL OnInitDialog() override
    {
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetSafeHwnd(), WM_GETFONT, 0, 0));
        GetObjectA(font, sizeof shown, &shown);
        EndDialog(IDOK);
        return TRUE;
    }
};

TEST(MainDialogTemplate, DialogIsShownInTheSystemFont)
{
    OtherFontDialog dialog;
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_STREQ("Courier New", dialog.shown.lfFaceName);

    DialogFont system;
    EXPECT_TRUE(CUIFontDialog::SystemMessageFont(system));
    EXPECT_FALSE(system.typeface.empty());
}

TEST(MainDialogTemplate, LogPaneIsCourierWithoutLimit)
{
    DialogUnderTest dialog([](ScriptedSuite&) {});
    ASSERT_TRUE(dialog.Open());
    LOGFONTA pane = {};
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog.Item(IDC_LOG), WM_GETFONT, 0, 0));
    ASSERT_NE(0, GetObjectA(font, sizeof pane, &pane));
    EXPECT_STREQ("Courier New", pane.lfFaceName);
    // No limit: more than the edit control's default of 32,767 characters.
    EXPECT_GT(static_cast<unsigned>(SendMessageA(dialog.Item(IDC_LOG), EM_GETLIMITTEXT, 0, 0)), 32767u);
    EXPECT_TRUE(dialog.OpenAndDetected());
}
