// A dialog whose controls follow its edges as it is resized, with a size grip
// and the template's size as its least size. The size and position are not
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

    // Ties a control's corners to the client area as it is now.
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

    std::vector<Anchored> anchored_;
    SIZE originalClient_{};
    POINT minimumTrack_{};
    HWND grip_ = nullptr;
};
