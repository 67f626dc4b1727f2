#include "support/odbc_database.h"

#include "support/exceptions.h"
#include "support/odbc_driver_manager.h"
#include "support/odbc_result.h"

#include <sqlext.h>

#include <cstring>

using WindowsPlatform::ODBC32;

namespace {

const std::int64_t LoginTimeoutMicroseconds = 15000000;
const std::int64_t MicrosecondsPerSecond = 1000000;
const SQLSMALLINT CompletedConnectionSize = 4096;

std::shared_ptr<AutoODBCEnvironmentHandle> OpenEnvironment()
{
    SQLHENV handle = SQL_NULL_HENV;
    CheckODBCResult(ODBC32().SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle), SQL_NULL_HANDLE, 0);
    auto environment = std::make_shared<AutoODBCEnvironmentHandle>(handle);
    // ODBC 2 behaviour: the driver manager then reports the ODBC 2 SQLSTATEs
    // ("S1T00", "37000") the result check looks for.
    CheckODBCResult(
        ODBC32().SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0), handle,
        SQL_HANDLE_ENV);
    return environment;
}

std::shared_ptr<AutoODBCDatabaseHandle> OpenConnection(const std::shared_ptr<AutoODBCEnvironmentHandle>& environment,
                                                       const std::string& connectionString,
                                                       std::int64_t loginTimeoutMicroseconds)
{
    SQLHDBC handle = SQL_NULL_HDBC;
    CheckODBCResult(ODBC32().SQLAllocHandle(SQL_HANDLE_DBC, environment->get(), &handle), environment->get(),
                    SQL_HANDLE_ENV);
    auto connection = std::make_shared<AutoODBCDatabaseHandle>(environment, handle);

    SQLULEN seconds = static_cast<SQLULEN>(loginTimeoutMicroseconds / MicrosecondsPerSecond);
    CheckODBCResult(ODBC32().SQLSetConnectAttr(handle, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(seconds),
                                               SQL_IS_INTEGER),
                    handle, SQL_HANDLE_DBC);

    // The completed connection string is not used, but the call wants room for it.
    SQLCHAR completed[CompletedConnectionSize] = {};
    SQLSMALLINT completedLength = 0;
    CheckODBCResult(ODBC32().SQLDriverConnect(
                        handle, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
                        SQL_NTS, completed, CompletedConnectionSize, &completedLength, SQL_DRIVER_NOPROMPT),
                    handle, SQL_HANDLE_DBC);
    connection->MarkConnected();
    return connection;
}

} // namespace

ODBCConnection::ODBCConnection(const std::shared_ptr<AutoODBCEnvironmentHandle>& environment,
                               const std::string& connectionString, std::int64_t loginTimeoutMicroseconds)
    : handle_(OpenConnection(environment, connectionString, loginTimeoutMicroseconds))
{
}

void ODBCConnection::ExecuteSQL(const std::string& sql) const
{
    ODBCStatement statement(*this);
    statement.ExecuteDirect(sql);
}

ODBCTextParameter::ODBCTextParameter(const std::string& text) : buffer_()
{
    if (text.size() > MaximumLength || text.find('\0') != std::string::npos)
        throw ODBCException("Parameter text longer than 128 characters or with an embedded NUL: " + text);
    std::memcpy(buffer_, text.c_str(), text.size() + 1);
}

std::string ODBCTextColumn::Text() const
{
    // The driver may fill the buffer to the brim; never read past it.
    const void* end = std::memchr(buffer_, '\0', sizeof buffer_);
    std::size_t length = end ? static_cast<const char*>(end) - buffer_ : MaximumLength;
    return std::string(buffer_, length > MaximumLength ? MaximumLength : length);
}

ODBCStatement::ODBCStatement(const ODBCConnection& connection) : connection_(connection), handle_(Allocate(connection))
{
}

std::shared_ptr<AutoODBCStatementHandle> ODBCStatement::Allocate(const ODBCConnection& connection)
{
    SQLHSTMT allocated = SQL_NULL_HSTMT;
    SQLRETURN result = ODBC32().SQLAllocHandle(SQL_HANDLE_STMT, connection.Handle(), &allocated);
    // No statement handle to read from: the reasons sit on the connection.
    if (allocated == SQL_NULL_HSTMT)
        CheckODBCResult(result, connection.Handle(), SQL_HANDLE_DBC);
    auto statement = std::make_shared<AutoODBCStatementHandle>(allocated);
    CheckODBCResult(result, allocated, SQL_HANDLE_STMT);
    return statement;
}

void ODBCStatement::BindTextParameter(SQLUSMALLINT number, ODBCTextParameter& parameter) const
{
    CheckODBCResult(ODBC32().SQLBindParameter(Handle(), number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                              ODBCTextParameter::MaximumLength, 0, parameter.Buffer(),
                                              ODBCTextParameter::MaximumLength + 1, parameter.Length()),
                    Handle(), SQL_HANDLE_STMT);
}

void ODBCStatement::BindIntegerColumn(SQLUSMALLINT number, std::int32_t& target) const
{
    target = 0;
    CheckODBCResult(ODBC32().SQLBindCol(Handle(), number, SQL_C_SLONG, &target, 0, nullptr), Handle(), SQL_HANDLE_STMT);
}

void ODBCStatement::BindTextColumn(SQLUSMALLINT number, ODBCTextColumn& target) const
{
    CheckODBCResult(
        ODBC32().SQLBindCol(Handle(), number, SQL_C_CHAR, target.Buffer(), ODBCTextColumn::MaximumLength + 1, nullptr),
        Handle(), SQL_HANDLE_STMT);
}

void ODBCStatement::ExecuteDirect(const std::string& sql) const
{
    SQLRETURN result =
        ODBC32().SQLExecDirect(Handle(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
    if (result == SQL_NO_DATA)
        return;
    CheckODBCResult(result, Handle(), SQL_HANDLE_STMT);
}

bool ODBCStatement::Fetch() const
{
    SQLRETURN result = ODBC32().SQLFetch(Handle());
    if (result == SQL_NO_DATA)
        return false;
    CheckODBCResult(result, Handle(), SQL_HANDLE_STMT);
    return true;
}

ODBCDatabase::ODBCDatabase(const std::string& connectionString)
    : environment_(OpenEnvironment()), connection_(environment_, connectionString, LoginTimeoutMicroseconds)
{
}

void ThrowNothingReturnedFromQuery()
{
    throw NothingReturnedFromQuery("A database query unexpectedly failed to return any results.");
}
