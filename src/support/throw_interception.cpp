// Sees every new C++ throw of the program before the unwinder starts.
//
// With this toolchain a C++ throw is not a structured exception (the 32-bit
// build unwinds with DWARF tables), so neither __try filters nor vectored
// handlers ever see one. Every executable that links the support library is
// linked with --wrap=__cxa_throw: each call of the run-time library's throw
// function (a `throw expression`, also inside the run-time library) lands here
// first. A rethrow (`throw;`, std::rethrow_exception) goes through other entry
// points and never arrives here, so it can never cause a dump.
//
// The toolchain forces the GCC-specific pieces of this file: the reserved
// names the linker expects, the run-time library's throw signature with its
// destructor convention, __builtin_return_address, and the Itanium ABI's
// type_info::__do_catch.

#include "support/crash_dump.h"

#include <cxxabi.h>

extern "C" {

[[noreturn]] void __real___cxa_throw(void* object, std::type_info* type,
                                     void(_GLIBCXX_CDTOR_CALLABI* destroy)(void*));
[[noreturn]] void __wrap___cxa_throw(void* object, std::type_info* type,
                                     void(_GLIBCXX_CDTOR_CALLABI* destroy)(void*));

void __wrap___cxa_throw(void* object, std::type_info* type, void(_GLIBCXX_CDTOR_CALLABI* destroy)(void*))
{
    WindowsPlatform::OnProgramThrow(object, *type, __builtin_return_address(0));
    __real___cxa_throw(object, type, destroy);
}

} // extern "C"

namespace WindowsPlatform {

// At a throw the Itanium ABI offers no list of catchable types; the type_info's
// own catch test, the one the unwinder matches handlers with, answers instead.
bool ThrownObjectIsA(const std::type_info& handlerType, const std::type_info& thrownType, void* object) noexcept
{
    void* adjusted = object;
    return handlerType.__do_catch(&thrownType, &adjusted, 1);
}

} // namespace WindowsPlatform
