// The DPI a window is shown at, and sizes scaled to it. The per-monitor calls
// of Windows 10 are looked up at run time: on earlier systems the screen's DPI
// is every window's.
#pragma once

#include "support/owned_handle.h"

#include <windows.h>

constexpr int kDefaultDpi = 96;

// GetDpiForWindow where the system has it, else the screen's pixels per inch.
int WindowDpi(HWND window);

// A size given at 96 DPI, at `dpi`.
int ScaleToDpi(int value, int dpi);

// A GetSystemMetrics value (icon sizes, scroll bars) at `dpi`.
int SystemMetricForDpi(int index, int dpi);

// Keeps the dialog manager of Windows 10 1703 and later from rescaling the
// dialog's controls and font on a DPI change: the dialog does it itself, and
// two rescalers would fight over the anchored layout.
void TakeOverDialogDpiScaling(HWND dialog);

// An icon we loaded in a size of our own (not shared): DestroyIcon.
struct IconTraits {
    using Type = HICON;
    static Type Empty() noexcept { return nullptr; }
    static bool Close(Type icon) noexcept { return DestroyIcon(icon) != FALSE; }
};
using UniqueIcon = Windows::OwnedHandle<IconTraits>;

// The icon resource at the large (SM_CXICON) or small (SM_CXSMICON) size for `dpi`.
UniqueIcon LoadIconForDpi(HINSTANCE instance, UINT resourceId, bool large, int dpi);
