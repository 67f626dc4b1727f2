// The dialog's private messages and the timer of a run.
#pragma once

#include <windows.h>

// Private messages of the main dialog. The worker only ever posts them, with
// both parameters 0, and never sends: it must not wait for the dialog.
constexpr UINT WM_START_DETECTION = WM_APP;         // the dialog to itself, once, when it opens
constexpr UINT WM_DETECTION_FINISHED = WM_APP + 1;  // the worker: the detection pass has ended
constexpr UINT WM_REMOVAL_FINISHED = WM_APP + 2;    // the worker: the removal pass has ended

// While a run is going on the dialog drains the log queue on this timer.
constexpr UINT_PTR kRunTimerId = 1;
constexpr UINT kRunTimerMilliseconds = 100;
