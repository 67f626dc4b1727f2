// The one check every ODBC call's return code passes through.
#pragma once

#include <windows.h>

#include <sql.h>

// Returns for SQL_SUCCESS and SQL_SUCCESS_WITH_INFO (whose records are read and
// dropped); throws for every other code. For SQL_ERROR the diagnostic records
// of handle choose the exception: DatabaseConnectionError,
// DatabaseTimeoutExpiredError, DatabaseDeadlockException,
// DatabaseRestoringError, InvalidObjectError or ODBCException, with the
// records' messages joined. A null handle (or type 0) has no records to read.
void CheckODBCResult(SQLRETURN result, SQLHANDLE handle, SQLSMALLINT handleType);
