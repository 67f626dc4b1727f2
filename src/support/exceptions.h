// The one exception hierarchy every failure of the program is reported with.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <typeinfo>

namespace WindowsPlatform {

// Marks exceptions that a debugger or dump writer may look at; carries nothing.
class ExceptionDebuggingInfo {
};

} // namespace WindowsPlatform

// "class Namespace::Name" for a type, in the shape the platform's own type
// information prints on Windows.
std::string TypeNameText(const std::type_info& type);

// Root of the hierarchy. Its text is the run-time type name of the most
// derived class.
class DebuggableException : public std::exception, public WindowsPlatform::ExceptionDebuggingInfo {
public:
    DebuggableException() = default;
    DebuggableException(const DebuggableException&) {}
    DebuggableException& operator=(const DebuggableException&) { return *this; }
    ~DebuggableException() override = default;
    const char* what() const noexcept override;

private:
    mutable std::string typeName_;
};

// An exception with an owned message text; what() answers Message(), so a
// subclass that overrides Message() changes the text.
class ExceptionPL : public DebuggableException {
public:
    explicit ExceptionPL(const std::string& message);
    ~ExceptionPL() override = default;
    const char* what() const noexcept override;
    virtual const char* Message() const noexcept;

private:
    std::string message_;
};

// Exceptions that list this among their bases never cause a crash dump.
class NonDumpableException {
public:
    virtual ~NonDumpableException() = default;
};

// Deliberately not standard exceptions: they carry no text.
class LocalFreeFailed {
};
class UserCancelled {
};

// Failures that carry nothing; their text is their type name.
class CloseSCHandleFailed : public DebuggableException {
};
class FreeLibraryFailed : public DebuggableException {
};
class NoSuchProcAddress : public DebuggableException {
};
class DestroyAcceleratorTableFailed : public DebuggableException {
};
class ConstDataCapacityExceeded : public DebuggableException {
};
class DataOverflow : public DebuggableException {
};
class InvalidTextEncoding : public DebuggableException {
};
class IllegalFileName : public DebuggableException {
};
class IllegalFileNameLength : public DebuggableException {
};
class BadFormatStringError : public DebuggableException {
};
class TooManyFormatArguments : public DebuggableException {
};
class TooFewFormatArguments : public DebuggableException {
};
class UndefinedFormatVariable : public DebuggableException {
};
class ImproperFormatVariableName : public DebuggableException {
};
class ExceptionCannotBeCopied : public DebuggableException {
};

namespace WindowsPlatform {

// Starting a thread failed; keeps the run-time library's errno of the failure.
class ThreadError : public DebuggableException {
public:
    explicit ThreadError(int errorNumber) : errorNumber_(errorNumber) {}
    int ErrorNumber() const noexcept { return errorNumber_; }

private:
    int errorNumber_;
};

} // namespace WindowsPlatform

// Database failures raised by the ODBC layer; text "Database Error: " + message.
class ODBCException : public ExceptionPL {
public:
    explicit ODBCException(const std::string& message);
};
class NothingReturnedFromQuery : public ODBCException {
public:
    using ODBCException::ODBCException;
};
class InvalidObjectError : public ODBCException {
public:
    using ODBCException::ODBCException;
};
class DatabaseDeadlockException : public ODBCException {
public:
    using ODBCException::ODBCException;
};
class DatabaseConnectionError : public ODBCException, public NonDumpableException {
public:
    using ODBCException::ODBCException;
};
class DatabaseRestoringError : public DatabaseConnectionError {
public:
    using DatabaseConnectionError::DatabaseConnectionError;
};
class DatabaseTimeoutExpiredError : public ODBCException, public NonDumpableException {
public:
    using ODBCException::ODBCException;
};

// The text the removal log shows for the exception being handled. Call only
// inside a catch block.
std::string DescribeCurrentException();
