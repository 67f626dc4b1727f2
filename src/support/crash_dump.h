// Memory dumps of the process, written when a thrown object passes through the
// delivery of a list-model notification. The registry decides whether dumps are
// written, how many files stay and how detailed they are; nothing of this
// reaches the removal log or the user.
#pragma once

#include <windows.h>

#include <typeinfo>

namespace WindowsPlatform {

// The exception code of the records made for the program's own C++ throws
// (0xE0 and "ZEM"), in the customer range. Parameter 0 is the thrown object's
// address, parameter 1 the address of its std::type_info. It is deliberately
// not 0xE06D7363: a record with that code tells a debugger or dump reader that
// its parameters point to the other compiler's throw information, which this
// toolchain does not produce; a reader would follow our type_info as if it were
// that and show garbage or fail.
const DWORD ProgramThrowCode = 0xE05A454D;
const DWORD ProgramThrowParameterCount = 2;

// True for a record of a program throw whose object's type does not derive
// from NonDumpableException; false for every system exception.
bool IsDumpable(const EXCEPTION_POINTERS* pointers);

// The filter: writes a dump for a dumpable exception when dumps are on.
// Always answers 0 (continue the search): the exception is never handled here.
LONG DumpFilter(EXCEPTION_POINTERS* pointers);

// Writes one dump of `dumpType` (passed to MiniDumpWriteDump unchanged).
// Every failure stops it silently; answers 0 whatever happens.
LONG WriteDump(EXCEPTION_POINTERS* pointers, DWORD dumpType);

// Lives around the delivery of one list-model notification: while one is alive
// on a thread, every new object thrown on that thread goes to DumpFilter at the
// throw, before any unwinding. Nests. Where the object will be caught is not
// known at the throw, so one that a handler inside the delivery catches is
// dumped as well.
class NotificationDumpScope {
public:
    NotificationDumpScope() noexcept;
    ~NotificationDumpScope();
    NotificationDumpScope(const NotificationDumpScope&) = delete;
    NotificationDumpScope& operator=(const NotificationDumpScope&) = delete;
};

// Called by the throw interception for every new thrown object, on the
// throwing thread, before the unwinder starts. Never throws.
void OnProgramThrow(void* object, const std::type_info& type, void* throwSite) noexcept;

// Provided by the throw interception: whether a handler for `handlerType`
// would catch `object` of `thrownType`.
bool ThrownObjectIsA(const std::type_info& handlerType, const std::type_info& thrownType, void* object) noexcept;

} // namespace WindowsPlatform
