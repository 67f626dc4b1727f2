// A dialog whose controls follow its edges as it is resized, with a size grip
// and the template's size as its least size. On a DPI change the controls, the
// anchors and the least size are scaled with the dialog. The size and position are not
// kept anywhere: the suite's keys may be gone by the time the dialog closes.
#pragma once

#include "ui/ui_font_dialog.h"

#include <vector>

// A point of a control tied to the dialog's client area: 0 keeps it at the
// left (top) edge's distance, 100 at the right (bottom) edge's.
struct AnchorPoint {
    int x;
    int y;
};
constexpr AnchorPoint kTopLeft{0, 0};
constexpr AnchorPoint kTopRight{100, 0};
constexpr AnchorPoint kBottomLeft{0, 100};
constexpr AnchorPoint kBottomRight{100, 100};

class CResizableDialog : public CUIFontDialog {
public:
    using CUIFontDialog::CUIFontDialog;

protected:
    void PrepareTemplate(std::vector<BYTE>& dialogTemplate) override;
    BOOL OnInitDialog() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) override;

    void OnDpiChanged(int oldDpi, const RECT& suggested) override;

    // Ties a control's corners to the client area as it was when the dialog
    // opened; for OnInitDialog. Controls without anchors stay where they are.
    void AddAnchor(int controlId, AnchorPoint topLeft, AnchorPoint bottomRight = kTopLeft);

private:
    struct Anchored {
        HWND control;
        AnchorPoint topLeft;
        AnchorPoint bottomRight;
        RECT original;
    };
    void Arrange(int width, int height);
    void PlaceGrip(int width, int height, bool visible);
    // A length of the layout as it opened, at the DPI the dialog has now.
    int Scaled(int value) const;

    // Every control, with its rectangle and the client size at the DPI the
    // dialog opened with.
    std::vector<Anchored> anchored_;
    SIZE originalClient_{};
    int originalDpi_ = 96;
    POINT minimumTrack_{};
    HWND grip_ = nullptr;
};
