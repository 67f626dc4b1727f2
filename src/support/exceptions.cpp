#include "support/exceptions.h"

#include <cstdlib>

#if defined(__GNUC__)
#include <cxxabi.h>
#endif

#include <comdef.h>

std::string TypeNameText(const std::type_info& type)
{
#if defined(_MSC_VER)
    // Visual C++ already prints "class Namespace::Name".
    return type.name();
#else
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = (status == 0 && demangled) ? demangled : type.name();
    std::free(demangled);
    return "class " + name;
#endif
}

const char* DebuggableException::what() const noexcept
{
    try {
        if (typeName_.empty())
            typeName_ = TypeNameText(typeid(*this));
        return typeName_.c_str();
    } catch (...) {
        return "class DebuggableException";
    }
}

ExceptionPL::ExceptionPL(const std::string& message) : message_(message) {}

const char* ExceptionPL::what() const noexcept
{
    return Message();
}

const char* ExceptionPL::Message() const noexcept
{
    return message_.c_str();
}

ODBCException::ODBCException(const std::string& message) : ExceptionPL("Database Error: " + message) {}

namespace {

std::string DescribeComError(const _com_error& error)
{
    std::string text = "COM Error: ";
    IErrorInfo* info = error.ErrorInfo();
    if (info) {
        BSTR description = nullptr;
        BSTR source = nullptr;
        info->GetDescription(&description);
        info->GetSource(&source);
        auto narrow = [](BSTR wide) {
            std::string out;
            if (!wide)
                return out;
            int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
            if (size > 1) {
                out.resize(static_cast<size_t>(size));
                WideCharToMultiByte(CP_ACP, 0, wide, -1, &out[0], size, nullptr, nullptr);
                out.resize(static_cast<size_t>(size - 1));
            }
            return out;
        };
        text += narrow(description) + " (" + narrow(source) + ")";
        SysFreeString(description);
        SysFreeString(source);
        info->Release();
    } else {
        const TCHAR* message = error.ErrorMessage();
        text += message ? message : "";
    }
    return text;
}

} // namespace

std::string DescribeCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (const _com_error& e) {
        return DescribeComError(e);
    } catch (...) {
        return "No diagnostic message available";
    }
}
