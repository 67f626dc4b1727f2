// The log pane: a read-only edit where Ctrl+A and a triple click select all.
#pragma once

#include "ui/subclassed_control.h"

class CMyEdit : public CSubclassedControl {
public:
    // Selects the whole text and scrolls the caret into view.
    void SelectAll();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static long long NowMicroseconds();

    LPARAM doubleClickPosition_ = 0;
    long long doubleClickTime_ = -1;
};
