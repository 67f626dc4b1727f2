#include "support/ntdll_calls.h"

#include <cstddef>

// The layouts ntdll expects, in the 32-bit and the 64-bit build alike.
static_assert(sizeof(UNICODE_STRING) == 2 * sizeof(void*), "UNICODE_STRING");
static_assert(sizeof(OBJECT_ATTRIBUTES) == 6 * sizeof(void*), "OBJECT_ATTRIBUTES");
static_assert(offsetof(OBJECT_ATTRIBUTES, RootDirectory) == sizeof(void*), "OBJECT_ATTRIBUTES.RootDirectory");
static_assert(offsetof(OBJECT_ATTRIBUTES, ObjectName) == 2 * sizeof(void*), "OBJECT_ATTRIBUTES.ObjectName");
static_assert(sizeof(IO_STATUS_BLOCK) == 2 * sizeof(void*), "IO_STATUS_BLOCK");

namespace WindowsPlatform {

namespace {

template <typename Call>
Call Find(HMODULE module, const char* name)
{
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

const NtdllCalls& Ntdll()
{
    static const NtdllCalls calls = [] {
        NtdllCalls found;
        // Mapped into every process before its first instruction, never unloaded.
        if (HMODULE ntdll = GetModuleHandleA("ntdll.dll")) {
            found.createFile = Find<NtCreateFileCall>(ntdll, "NtCreateFile");
            found.deleteKey = Find<NtDeleteKeyCall>(ntdll, "NtDeleteKey");
            found.toDosError = Find<RtlNtStatusToDosErrorCall>(ntdll, "RtlNtStatusToDosError");
            found.lastStatus = Find<RtlGetLastNtStatusCall>(ntdll, "RtlGetLastNtStatus");
        }
        return found;
    }();
    return calls;
}

DWORD Win32CodeOf(NTSTATUS status)
{
    const NtdllCalls& calls = Ntdll();
    return calls.toDosError ? calls.toDosError(status) : ERROR_MR_MID_NOT_FOUND;
}

NTSTATUS LastNtStatus()
{
    const NtdllCalls& calls = Ntdll();
    return calls.lastStatus ? calls.lastStatus() : 0;
}

} // namespace WindowsPlatform
