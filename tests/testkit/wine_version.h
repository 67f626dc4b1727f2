// Which Wine the tests run under, for the few checks whose answer differs
// between platforms (Wine 8 lacks the POSIX delete and per-monitor DPI v2
// that Windows 10 and Wine 10 have). Header-only, for the helper programs too.
#pragma once

#include <windows.h>

#include <cstdlib>

// The major version of the Wine that runs this process, 0 on Windows itself.
inline int WineMajorVersion()
{
    using WineGetVersion = const char*(CDECL*)();
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto version = ntdll ? reinterpret_cast<WineGetVersion>(
                               reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
                         : nullptr;
    return version ? std::atoi(version()) : 0;
}

// Whether deletes with POSIX semantics and the ignore-read-only flag exist
// here: Windows 10 and Wine 10 have them, Wine 8 refuses the call.
inline bool HasPosixDelete()
{
    int wine = WineMajorVersion();
    return wine == 0 || wine >= 10;
}
