// The dialog template of the program and the font the dialog is shown in.
#include "dialog_under_test.h"

#include "support/owned_handle.h"
#include "ui/resource_ids.h"
#include "ui/ui_font_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

INT_PTR CALLBACK PlainProcedure(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Each control of a dialog made from the template: id, class, style, text and
// its place in the template's dialog units.
std::vector<std::string> Controls(const std::vector<BYTE>& dialogTemplate)
{
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), nullptr,
                                             PlainProcedure, 0);
    std::vector<std::string> controls;
    if (!dialog)
        return controls;
    RECT base = {0, 0, 4, 8};
    MapDialogRect(dialog, &base);
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        char className[64] = {}, text[128] = {};
        GetClassNameA(control, className, sizeof className);
        GetWindowTextA(control, text, sizeof text);
        RECT rect = {};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        auto units = [](LONG pixels, LONG per4) { return std::to_string(MulDiv(pixels, 4, per4)); };
        controls.push_back(std::to_string(GetDlgCtrlID(control)) + " " + className + " " +
                           std::to_string(GetWindowLongA(control, GWL_STYLE)) + " \"" + text + "\" " +
                           units(rect.left, base.right) + "," + units(rect.top * 2, base.bottom) + " " +
                           units(rect.right - rect.left, base.right) + "x" +
                           units((rect.bottom - rect.top) * 2, base.bottom));
    }
    DestroyWindow(dialog);
    return controls;
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

    const std::vector<std::string> controls = Controls(original);
    ASSERT_EQ(6u, controls.size()) << "two labels, the list, two buttons, the log pane";
    EXPECT_EQ(controls, Controls(changed));
}

// The program's template shown the program's way; keeps the font it was shown in.
class ShownFontDialog : public CUIFontDialog {
public:
    ShownFontDialog() : CUIFontDialog(GetModuleHandleA(nullptr), IDD_ZEMREMOVE_DIALOG) {}
    LOGFONTA shown = {};

protected:
    BOOL OnInitDialog() override
    {
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetSafeHwnd(), WM_GETFONT, 0, 0));
        GetObjectA(font, sizeof shown, &shown);
        EndDialog(IDOK);
        return TRUE;
    }
};

TEST(MainDialogTemplate, DialogIsShownInTheSystemMessageFont)
{
    // Wine's message font is the template's own: for this process and a
    // moment another one (not saved), so that the replacement shows.
    NONCLIENTMETRICSA original = {};
    original.cbSize = sizeof original;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof original, &original, 0));
    NONCLIENTMETRICSA changed = original;
    changed.lfMessageFont.lfHeight = -16;
    lstrcpynA(changed.lfMessageFont.lfFaceName, "Courier New", LF_FACESIZE);
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof changed, &changed, 0));
    auto restore = Windows::MakeScopeExit(
        [&] { SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof original, &original, 0); });

    ShownFontDialog dialog;
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_STREQ("Courier New", dialog.shown.lfFaceName);
    EXPECT_NEAR(16, std::abs(dialog.shown.lfHeight), 1);
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
