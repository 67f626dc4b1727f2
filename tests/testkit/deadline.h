// The one way the tests and their helper programs wait: a deadline on
// GetTickCount's clock, and polling a condition until it holds or the
// deadline passes. Header-only, for the helper programs too.
#pragma once

#include <windows.h>

class Deadline {
public:
    explicit Deadline(DWORD milliseconds) : end_(GetTickCount() + milliseconds) {}
    bool Passed() const { return static_cast<LONG>(end_ - GetTickCount()) <= 0; }
    DWORD Left() const { return Passed() ? 0 : end_ - GetTickCount(); }

private:
    DWORD end_;
};

// Checks `condition` every `pollMilliseconds` until it holds (true) or the
// deadline has passed (false); it is checked at least once.
template <class Condition>
bool WaitUntil(Condition&& condition, const Deadline& deadline, DWORD pollMilliseconds = 10)
{
    while (!condition()) {
        if (deadline.Passed())
            return false;
        Sleep(pollMilliseconds);
    }
    return true;
}

template <class Condition>
bool WaitUntil(Condition&& condition, DWORD timeoutMilliseconds = 10000)
{
    return WaitUntil(condition, Deadline(timeoutMilliseconds));
}
