// A session with a database through the ODBC driver manager: environment,
// connection and statements, with the fixed call sequences the database
// recipe relies on. Every call's result passes through CheckODBCResult.
#pragma once

#include "support/odbc_handles.h"

#include <windows.h>

#include <sql.h>

#include <cstdint>
#include <memory>
#include <string>

// An open connection. Copies share it; the last copy disconnects.
class ODBCConnection {
public:
    // Allocates a connection in the environment, sets the login timeout (given
    // in microseconds, handed on in whole seconds) and connects without a prompt.
    ODBCConnection(const std::shared_ptr<AutoODBCEnvironmentHandle>& environment,
                   const std::string& connectionString, std::int64_t loginTimeoutMicroseconds);

    SQLHDBC Handle() const noexcept { return handle_->Get(); }

    // One-shot: a new statement runs the text and is released.
    void ExecuteSQL(const std::string& sql) const;

private:
    std::shared_ptr<AutoODBCDatabaseHandle> handle_;
};

// A text bound as an input parameter: NUL-terminated, at most 128 characters.
class ODBCTextParameter {
public:
    static constexpr std::size_t MaximumLength = 128;
    // Throws ODBCException for a longer text: cutting it short would ask
    // about a different name.
    explicit ODBCTextParameter(const std::string& text);
    char* Buffer() noexcept { return buffer_; }
    // SQL_NTS, read by the driver manager when the statement runs. A null
    // pointer would say the same, but Wine 10's odbc32 reads through it.
    SQLLEN* Length() noexcept { return &length_; }

private:
    char buffer_[MaximumLength + 1];
    SQLLEN length_ = SQL_NTS;
};

// A text result column of at most 64 characters.
class ODBCTextColumn {
public:
    static constexpr std::size_t MaximumLength = 64;
    ODBCTextColumn() noexcept : buffer_() {}
    char* Buffer() noexcept { return buffer_; }
    std::string Text() const;

private:
    char buffer_[MaximumLength + 1];
};

// A statement on a connection. Copies share the handle; the last copy frees it.
// The statement keeps its connection open for as long as it lives.
class ODBCStatement {
public:
    explicit ODBCStatement(const ODBCConnection& connection);

    SQLHSTMT Handle() const noexcept { return handle_->get(); }

    // Bindings are made before the statement runs; the bound objects must
    // outlive the execution and the fetches.
    void BindTextParameter(SQLUSMALLINT number, ODBCTextParameter& parameter) const;
    // Sets target to 0 before binding it.
    void BindIntegerColumn(SQLUSMALLINT number, std::int32_t& target) const;
    void BindTextColumn(SQLUSMALLINT number, ODBCTextColumn& target) const;

    // SQL_NO_DATA (a statement that touched no rows) counts as success.
    void ExecuteDirect(const std::string& sql) const;
    // True when a row was fetched, false when there is no further row.
    bool Fetch() const;

private:
    static std::shared_ptr<AutoODBCStatementHandle> Allocate(const ODBCConnection& connection);

    // Declared first: the statement is freed before its connection lets go.
    ODBCConnection connection_;
    std::shared_ptr<AutoODBCStatementHandle> handle_;
};

// The session the database recipe works with: an environment with ODBC 2
// behaviour and one connection with a 15-second login timeout. The connection
// is released before the environment.
class ODBCDatabase {
public:
    explicit ODBCDatabase(const std::string& connectionString);

    const ODBCConnection& Connection() const noexcept { return connection_; }

private:
    std::shared_ptr<AutoODBCEnvironmentHandle> environment_;
    ODBCConnection connection_;
};

// Thrown by callers whose query always yields a row when it yields none.
[[noreturn]] void ThrowNothingReturnedFromQuery();
