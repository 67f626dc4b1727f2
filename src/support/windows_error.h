// Windows error codes as exceptions and as text.
#pragma once

#include "support/exceptions.h"

#include <windows.h>

#include <string>

namespace Windows {

// A failed Windows call. The text, "Windows Error: " + the code's message, is
// built on the first what() and cached; a copy takes code and module only.
class Error : public DebuggableException {
public:
    explicit Error(DWORD code, HMODULE messageModule = nullptr) : code_(code), module_(messageModule) {}
    Error(const Error& other) : DebuggableException(other), code_(other.code_), module_(other.module_) {}
    Error& operator=(const Error& other)
    {
        code_ = other.code_;
        module_ = other.module_;
        text_.clear();
        return *this;
    }
    const char* what() const noexcept override;

    DWORD Code() const noexcept { return code_; }
    HMODULE MessageModule() const noexcept { return module_; }

private:
    DWORD code_;
    HMODULE module_;
    mutable std::string text_;
};

// A registry value that holds no data, or data of another type than asked for.
class RegistryValueIsEmpty : public DebuggableException {
};
class WrongRegistryType : public DebuggableException {
};

} // namespace Windows

// The system's text for a code (looked up in `module` first when given),
// without leading or trailing blanks and line breaks; "unknown error 0x…"
// when the system has none.
std::string WindowsErrorText(DWORD code, unsigned char width = 0, HMODULE module = nullptr);

// Throws Windows::Error for a non-zero code; code 0 returns normally.
void ThrowWindowsError(DWORD code, HMODULE module = nullptr);
// Throws for this thread's GetLastError(); call right after the failed call.
void ThrowLastWindowsError(HMODULE module = nullptr);
// For calls that answer non-zero on success: a zero result throws the last error.
void CheckWindowsResult(BOOL ok, HMODULE module = nullptr);

// The "unknown error 0x…" text for a code.
std::string UnknownErrorText(DWORD code);
