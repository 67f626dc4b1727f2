// Ownership of ODBC handles: one holder per handle kind on the project's
// holder template, shared between copies through shared pointers only.
#pragma once

#include "support/odbc_driver_manager.h"
#include "support/owned_handle.h"

#include <windows.h>

#include <memory>
#include <utility>

// The handle kinds: each is freed with SQLFreeHandle and its own type.
template <typename Handle, SQLSMALLINT HandleType>
struct ODBCHandleTraits {
    using Type = Handle;
    static Type Empty() noexcept { return nullptr; }
    // A handle exists only once the driver manager has loaded: no throw here.
    static bool Close(Type handle) noexcept
    {
        return SQL_SUCCEEDED(WindowsPlatform::ODBC32().SQLFreeHandle(HandleType, handle));
    }
};

using AutoODBCEnvironmentHandle = Windows::OwnedHandle<ODBCHandleTraits<SQLHENV, SQL_HANDLE_ENV>>;
using AutoODBCStatementHandle = Windows::OwnedHandle<ODBCHandleTraits<SQLHSTMT, SQL_HANDLE_STMT>>;

// Owns one connection handle; once connected, it is disconnected (the result
// ignored) before it is freed. It also keeps the environment it was made in
// alive: a driver manager refuses to free an environment that still has
// connections.
class AutoODBCDatabaseHandle {
public:
    AutoODBCDatabaseHandle(std::shared_ptr<AutoODBCEnvironmentHandle> environment, SQLHDBC handle) noexcept
        : environment_(std::move(environment)), handle_(handle)
    {
    }
    ~AutoODBCDatabaseHandle();
    AutoODBCDatabaseHandle(const AutoODBCDatabaseHandle&) = delete;
    AutoODBCDatabaseHandle& operator=(const AutoODBCDatabaseHandle&) = delete;

    SQLHDBC Get() const noexcept { return handle_.get(); }
    // Called once the connect succeeded.
    void MarkConnected() noexcept { connected_ = true; }

private:
    // Declared first: freed after the connection.
    std::shared_ptr<AutoODBCEnvironmentHandle> environment_;
    Windows::OwnedHandle<ODBCHandleTraits<SQLHDBC, SQL_HANDLE_DBC>> handle_;
    bool connected_ = false;
};
