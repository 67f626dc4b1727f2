// Copies of caught exceptions that can be stored and thrown again later.
#pragma once

#include "support/exceptions.h"
#include "support/windows_error.h"

#include <memory>
#include <string>

class CaughtException {
public:
    virtual ~CaughtException() = default;
    [[noreturn]] virtual void rethrow() const = 0;
    virtual std::string Text() const = 0;
};

// A standard exception kept by its text.
class CopiedStdException : public ExceptionPL {
public:
    using ExceptionPL::ExceptionPL;
};

template <typename T>
class CaughtExceptionOfType;

template <>
class CaughtExceptionOfType<Windows::Error> : public CaughtException {
public:
    explicit CaughtExceptionOfType(const Windows::Error& error) : held_(error.Code(), error.MessageModule()) {}
    [[noreturn]] void rethrow() const override { throw Windows::Error(held_.Code(), held_.MessageModule()); }
    std::string Text() const override { return held_.what(); }

private:
    Windows::Error held_;
};

template <>
class CaughtExceptionOfType<std::exception> : public CaughtException {
public:
    explicit CaughtExceptionOfType(const std::exception& caught) : held_(caught.what()) {}
    [[noreturn]] void rethrow() const override { throw CopiedStdException(held_.what()); }
    std::string Text() const override { return held_.what(); }

private:
    CopiedStdException held_;
};

template <>
class CaughtExceptionOfType<ExceptionCannotBeCopied> : public CaughtException {
public:
    [[noreturn]] void rethrow() const override { throw held_; }
    std::string Text() const override { return held_.what(); }

private:
    ExceptionCannotBeCopied held_;
};

// A catcher throws the current exception again, catches exactly one type and
// returns a holder for it; any other type passes through it.
using ExceptionCatcher = std::unique_ptr<CaughtException> (*)();

// Adds a catcher; captures try the newest catcher first.
void RegisterExceptionCatcher(ExceptionCatcher catcher);

// Holds a copy of the exception being handled. Call only inside a catch block.
std::unique_ptr<CaughtException> CaptureCurrentException();
