// Ownership of ODBC handles: the environment and connection holders, and the
// shared use count that connection and statement objects are built on.
#pragma once

#include <windows.h>

#include <sql.h>

#include <memory>
#include <utility>

// Owns one environment handle; frees it when destroyed.
class AutoODBCEnvironmentHandle {
public:
    explicit AutoODBCEnvironmentHandle(SQLHENV handle) noexcept : handle_(handle) {}
    ~AutoODBCEnvironmentHandle();
    AutoODBCEnvironmentHandle(const AutoODBCEnvironmentHandle&) = delete;
    AutoODBCEnvironmentHandle& operator=(const AutoODBCEnvironmentHandle&) = delete;

    SQLHENV Get() const noexcept { return handle_; }

private:
    SQLHENV handle_;
};

// Owns one connection handle; frees it when destroyed. It also keeps the
// environment it was made in alive: a driver manager refuses to free an
// environment that still has connections.
class AutoODBCDatabaseHandle {
public:
    AutoODBCDatabaseHandle(std::shared_ptr<AutoODBCEnvironmentHandle> environment, SQLHDBC handle) noexcept
        : environment_(std::move(environment)), handle_(handle)
    {
    }
    ~AutoODBCDatabaseHandle();
    AutoODBCDatabaseHandle(const AutoODBCDatabaseHandle&) = delete;
    AutoODBCDatabaseHandle& operator=(const AutoODBCDatabaseHandle&) = delete;

    SQLHDBC Get() const noexcept { return handle_; }

private:
    std::shared_ptr<AutoODBCEnvironmentHandle> environment_;
    SQLHDBC handle_;
};

// A use count shared by copies of one object, absent until the first copy.
// The derived class asks IsLastReference() in its destructor and performs its
// final release there; this base then lets go of the count. Single-threaded:
// ODBC objects never cross threads here.
class ReferenceCounterPL {
public:
    virtual ~ReferenceCounterPL();

protected:
    ReferenceCounterPL() noexcept = default;
    ReferenceCounterPL(const ReferenceCounterPL& other);
    // Assigning would leave the target's own resource unreleased.
    ReferenceCounterPL& operator=(const ReferenceCounterPL&) = delete;

    bool IsLastReference() const noexcept { return count_ == nullptr || *count_ == 1; }

private:
    mutable long* count_ = nullptr;
};
