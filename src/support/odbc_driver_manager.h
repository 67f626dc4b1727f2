// The ODBC driver manager, "odbc32.dll", loaded at run time from the system
// directory. It is no known DLL of the system: as a static import it would be
// looked for beside the program first, where anyone may have put one.
#pragma once

#include <windows.h>

#include <sql.h>
#include <sqlext.h>

namespace WindowsPlatform {

// The calls the ODBC layer makes, one line each.
#define ZEM_ODBC_FUNCTIONS(X) \
    X(SQLAllocHandle)         \
    X(SQLSetEnvAttr)          \
    X(SQLSetConnectAttr)      \
    X(SQLDriverConnect)       \
    X(SQLDisconnect)          \
    X(SQLFreeHandle)          \
    X(SQLExecDirect)          \
    X(SQLBindParameter)       \
    X(SQLBindCol)             \
    X(SQLFetch)               \
    X(SQLGetDiagRec)

// Each member has its declaration's own type, calling convention included.
struct ODBCDriverManager {
#define ZEM_ODBC_MEMBER(name) decltype(&::name) name = nullptr;
    ZEM_ODBC_FUNCTIONS(ZEM_ODBC_MEMBER)
#undef ZEM_ODBC_MEMBER
};

// Loaded at the first call and kept for the rest of the process. Throws
// Windows::Error when the library cannot be loaded and NoSuchProcAddress when
// it lacks a call; the next call then tries again.
const ODBCDriverManager& ODBC32();

} // namespace WindowsPlatform
