#include "support/windows_error.h"

#include "support/owned_handle.h"

#include <cstdio>

std::string UnknownErrorText(DWORD code)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%lx", static_cast<unsigned long>(code));
    return std::string("unknown error 0x") + digits;
}

namespace {

bool IsStrippedBlank(char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

} // namespace

std::string WindowsErrorText(DWORD code, unsigned char width, HMODULE module)
{
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM | width;
    if (module)
        flags |= FORMAT_MESSAGE_FROM_HMODULE;

    char* buffer = nullptr;
    DWORD length = FormatMessageA(flags, module, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    // The release result does not matter: a failed LocalFree only leaks.
    Windows::UniqueLocalMemory owned(buffer);
    if (length == 0 || !buffer)
        return UnknownErrorText(code);

    const char* begin = buffer;
    const char* end = buffer + length;
    while (begin < end && IsStrippedBlank(*begin))
        ++begin;
    while (end > begin && IsStrippedBlank(end[-1]))
        --end;
    return std::string(begin, end);
}

namespace Windows {

const char* Error::what() const noexcept
{
    try {
        if (text_.empty())
            text_ = "Windows Error: " + WindowsErrorText(code_, 0, module_);
        return text_.c_str();
    } catch (...) {
        try {
            text_ = "Windows Error: " + UnknownErrorText(code_);
            return text_.c_str();
        } catch (...) {
            return "Windows Error: ";
        }
    }
}

} // namespace Windows

void ThrowWindowsError(DWORD code, HMODULE module)
{
    if (code != 0)
        throw Windows::Error(code, module);
}

void ThrowLastWindowsError(HMODULE module)
{
    ThrowWindowsError(GetLastError(), module);
}

void CheckWindowsResult(BOOL ok, HMODULE module)
{
    if (!ok)
        ThrowLastWindowsError(module);
}
