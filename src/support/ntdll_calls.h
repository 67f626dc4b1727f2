// The few ntdll calls that have no Win32 form: opening a file relative to an
// open folder (or re-opening the object a handle refers to), and deleting the
// registry key a handle refers to. Found at run time in the ntdll that every
// process has loaded; nothing is loaded by name.
#pragma once

#include <windows.h>
#include <winternl.h>

namespace WindowsPlatform {

using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                                          PIO_STATUS_BLOCK status, PLARGE_INTEGER allocationSize,
                                          ULONG fileAttributes, ULONG shareAccess, ULONG disposition, ULONG options,
                                          PVOID extendedAttributes, ULONG extendedAttributesLength);
using NtDeleteKeyCall = NTSTATUS(NTAPI*)(HANDLE key);
using RtlNtStatusToDosErrorCall = ULONG(NTAPI*)(NTSTATUS status);
using RtlGetLastNtStatusCall = NTSTATUS(NTAPI*)();

struct NtdllCalls {
    NtCreateFileCall createFile = nullptr;
    NtDeleteKeyCall deleteKey = nullptr;
    RtlNtStatusToDosErrorCall toDosError = nullptr;
    RtlGetLastNtStatusCall lastStatus = nullptr;
};

// Looked up once; a call the system lacks stays null.
const NtdllCalls& Ntdll();

// The Win32 code for a failed status (ERROR_MR_MID_NOT_FOUND when the
// conversion itself is missing).
DWORD Win32CodeOf(NTSTATUS status);

// The status behind the calling thread's last Win32 error (0 when unknown).
NTSTATUS LastNtStatus();

} // namespace WindowsPlatform
