#include "ui/window_dpi.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);

// DIALOG_DPI_CHANGE_BEHAVIORS' DDC_DISABLE_ALL, from headers newer than the ones we build for.
constexpr int kDialogDpiChangeDisableAll = 0x0001;

template <typename Function>
Function User32Function(const char* name)
{
    // user32 stays loaded for the life of a program with windows.
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

} // namespace

int WindowDpi(HWND window)
{
    static const GetDpiForWindowFunction getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        if (UINT dpi = getDpiForWindow(window))
            return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int ScaleToDpi(int value, int dpi)
{
    return MulDiv(value, dpi, kDefaultDpi);
}

int SystemMetricForDpi(int index, int dpi)
{
    static const GetSystemMetricsForDpiFunction forDpi =
        User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (forDpi)
        return forDpi(index, static_cast<UINT>(dpi));
    // Before Windows 10 the metrics are the screen's: one DPI for all windows.
    return MulDiv(GetSystemMetrics(index), dpi, ScreenDpi());
}

void TakeOverDialogDpiScaling(HWND dialog)
{
    static const SetDialogDpiChangeBehaviorFunction setBehavior =
        User32Function<SetDialogDpiChangeBehaviorFunction>("SetDialogDpiChangeBehavior");
    if (setBehavior)
        setBehavior(dialog, kDialogDpiChangeDisableAll, kDialogDpiChangeDisableAll);
}

UniqueIcon LoadIconForDpi(HINSTANCE instance, UINT resourceId, bool large, int dpi)
{
    const int width = SystemMetricForDpi(large ? SM_CXICON : SM_CXSMICON, dpi);
    const int height = SystemMetricForDpi(large ? SM_CYICON : SM_CYSMICON, dpi);
    return UniqueIcon(static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON, width, height, LR_DEFAULTCOLOR)));
}
