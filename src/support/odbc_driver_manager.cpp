#include "support/odbc_driver_manager.h"

#include "support/exceptions.h"
#include "support/owned_handle.h"
#include "support/system_library.h"
#include "support/windows_error.h"

namespace WindowsPlatform {

namespace {

template <typename Function>
void Find(HMODULE module, const char* name, Function& function)
{
    FARPROC found = GetProcAddress(module, name);
    if (!found)
        throw NoSuchProcAddress();
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

ODBCDriverManager Load()
{
    Windows::UniqueModule module(LoadSystemLibrary("odbc32.dll"));
    if (!module)
        ThrowLastWindowsError();
    ODBCDriverManager manager;
#define ZEM_ODBC_FIND(name) Find(module.get(), #name, manager.name);
    ZEM_ODBC_FUNCTIONS(ZEM_ODBC_FIND)
#undef ZEM_ODBC_FIND
    // Never unloaded: handles made through it may live until the process ends.
    module.release();
    return manager;
}

} // namespace

const ODBCDriverManager& ODBC32()
{
    // A failed load leaves the object unmade, so the next call loads again.
    static const ODBCDriverManager manager = Load();
    return manager;
}

} // namespace WindowsPlatform
