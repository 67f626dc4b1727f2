// The DLLs this program delay-loads (see CMakeLists.txt) come from System32
// only, like every other library it loads at run time.
#include "support/system_library.h"

#include <windows.h>
#include <delayimp.h>

namespace {

FARPROC WINAPI LoadDelayedLibrary(unsigned notification, PDelayLoadInfo information)
{
    if (notification != dliNotePreLoadLibrary)
        return nullptr;
    // Called from the delay-load helper: nothing may be thrown through it.
    try {
        return reinterpret_cast<FARPROC>(WindowsPlatform::LoadSystemLibrary(information->szDll));
    } catch (...) {
        return nullptr;
    }
}

} // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = LoadDelayedLibrary;
}
