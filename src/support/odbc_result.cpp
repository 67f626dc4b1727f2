#include "support/odbc_result.h"

#include "support/exceptions.h"
#include "support/odbc_driver_manager.h"

#include <cstdint>
#include <cstring>
#include <string>

using WindowsPlatform::ODBC32;

namespace {

enum class Classification { Generic, Connection, Timeout, Deadlock, Restoring, InvalidObject };

struct Diagnostics {
    Classification classification = Classification::Generic;
    std::string message;
};

// Each test that matches overrides the ones before it, and each record the
// records before it.
Classification Classify(Classification current, const char* state, SQLINTEGER native, const char* message)
{
    if (std::strcmp(state, "08001") == 0)
        current = Classification::Connection;
    if (std::strcmp(state, "08S01") == 0)
        current = Classification::Connection;
    if (std::strcmp(state, "S1T00") == 0)
        current = Classification::Timeout;
    if (std::strcmp(state, "37000") == 0 && native == 4060)
        current = Classification::Connection;
    if (std::strcmp(state, "01000") == 0 && native == 10054)
        current = Classification::Connection;
    if (std::strcmp(state, "40001") == 0)
        current = Classification::Deadlock;
    if (native == 922)
        current = Classification::Restoring;
    else if (native == 208)
        current = Classification::InvalidObject;
    if (std::strstr(message, "General network error. Check your network documentation.") != nullptr)
        current = Classification::Connection;
    return current;
}

Diagnostics ReadDiagnostics(SQLHANDLE handle, SQLSMALLINT handleType)
{
    Diagnostics diagnostics;
    // Without a handle there is nothing to ask; a driver manager would answer
    // SQL_INVALID_HANDLE rather than SQL_NO_DATA.
    if (handle == SQL_NULL_HANDLE || handleType == 0)
        return diagnostics;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR message[8192] = {};
        SQLRETURN result = ODBC32().SQLGetDiagRec(handleType, handle, record, state, &native, message,
                                                  static_cast<SQLSMALLINT>(sizeof message), nullptr);
        // SQL_NO_DATA ends the records; any other failure must end the loop too.
        if (result != SQL_SUCCESS && result != SQL_SUCCESS_WITH_INFO)
            break;
        const char* stateText = reinterpret_cast<const char*>(state);
        const char* messageText = reinterpret_cast<const char*>(message);
        diagnostics.classification = Classify(diagnostics.classification, stateText, native, messageText);
        if (record > 1)
            diagnostics.message += "\n";
        diagnostics.message += messageText;
        diagnostics.message += " (";
        diagnostics.message += stateText;
        diagnostics.message += ":";
        diagnostics.message += std::to_string(static_cast<std::uint32_t>(native));
        diagnostics.message += ")";
    }
    return diagnostics;
}

[[noreturn]] void ThrowDiagnostics(const Diagnostics& diagnostics)
{
    switch (diagnostics.classification) {
    case Classification::Connection:
        throw DatabaseConnectionError(diagnostics.message);
    case Classification::Timeout:
        throw DatabaseTimeoutExpiredError(diagnostics.message);
    case Classification::Deadlock:
        throw DatabaseDeadlockException("A database transaction encountered a deadlock and has been terminated.");
    case Classification::Restoring:
        throw DatabaseRestoringError(diagnostics.message);
    case Classification::InvalidObject:
        throw InvalidObjectError(diagnostics.message);
    case Classification::Generic:
        break;
    }
    throw ODBCException(diagnostics.message);
}

} // namespace

void CheckODBCResult(SQLRETURN result, SQLHANDLE handle, SQLSMALLINT handleType)
{
    switch (result) {
    case SQL_SUCCESS:
        return;
    case SQL_SUCCESS_WITH_INFO:
        // Read so that the records are consumed; what they say does not matter.
        ReadDiagnostics(handle, handleType);
        return;
    case SQL_ERROR:
        ThrowDiagnostics(ReadDiagnostics(handle, handleType));
    case SQL_STILL_EXECUTING:
        throw ODBCException("Still Executing");
    case SQL_NEED_DATA:
        throw ODBCException("Need Data");
    case SQL_NO_DATA:
        throw ODBCException("No Data");
    case SQL_INVALID_HANDLE:
        throw ODBCException("Invalid Handle");
    default:
        throw ODBCException("Unknown ODBC Error");
    }
}
