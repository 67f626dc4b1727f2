#include "support/caught_exception.h"
#include "support/windows_error.h"

#include <comdef.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// The system's own message for a code, read without our code in between.
std::string SystemMessage(DWORD code)
{
    char buffer[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                  buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

TEST(WindowsErrorText, KnownCodeIsTheSystemMessageWithoutTrailingLineBreak)
{
    std::string expected = SystemMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(WindowsErrorText(ERROR_FILE_NOT_FOUND), expected);
    EXPECT_EQ(std::string(Windows::Error(ERROR_FILE_NOT_FOUND).what()), "Windows Error: " + expected);
    EXPECT_EQ(expected.find_first_of("\r\n"), std::string::npos);
}

TEST(WindowsErrorText, UnknownCodeIsLowerCaseHexWithoutLeadingZeros)
{
    EXPECT_EQ(WindowsErrorText(0x2000ABCD), "unknown error 0x2000abcd");
    EXPECT_EQ(std::string(Windows::Error(0x0000FFFF).what()), "Windows Error: unknown error 0xffff");
}

TEST(WindowsErrorText, MessageModuleThatLacksTheCodeFallsBackToTheSystemTable)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(WindowsErrorText(ERROR_ACCESS_DENIED, 0, kernel), SystemMessage(ERROR_ACCESS_DENIED));
}

TEST(WindowsErrorText, CopyKeepsCodeAndModuleButBuildsItsOwnText)
{
    Windows::Error original(ERROR_ACCESS_DENIED);
    std::string text = original.what();
    Windows::Error copy(original);
    EXPECT_EQ(copy.Code(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(std::string(copy.what()), text);
    EXPECT_NE(copy.what(), original.what()) << "the cache is not shared between copies";
}

TEST(ThrowingWindowsErrors, CodeZeroReturnsNormally)
{
    EXPECT_NO_THROW(ThrowWindowsError(0));
    SetLastError(0);
    EXPECT_NO_THROW(CheckWindowsResult(FALSE)) << "a failure that reports no code raises nothing";
    EXPECT_NO_THROW(CheckWindowsResult(TRUE));
}

TEST(ThrowingWindowsErrors, LastErrorOfTheFailedCallIsRaised)
{
    BOOL ok = DeleteFileA("C:\\zem-does-not-exist\\nothing.txt");
    try {
        CheckWindowsResult(ok);
        FAIL() << "expected a Windows::Error";
    } catch (const Windows::Error& error) {
        EXPECT_EQ(error.Code(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    }
    SetLastError(ERROR_SHARING_VIOLATION);
    EXPECT_THROW(ThrowLastWindowsError(), Windows::Error);
}

TEST(ExceptionTexts, TypeNameTextHasTheClassNamespaceShape)
{
    EXPECT_STREQ(Windows::RegistryValueIsEmpty().what(), "class Windows::RegistryValueIsEmpty");
    EXPECT_STREQ(CloseSCHandleFailed().what(), "class CloseSCHandleFailed");
    EXPECT_STREQ(WindowsPlatform::ThreadError(11).what(), "class WindowsPlatform::ThreadError");
    const DebuggableException& base = Windows::WrongRegistryType();
    EXPECT_STREQ(base.what(), "class Windows::WrongRegistryType") << "the most derived class names itself";
}

TEST(ExceptionTexts, DatabaseErrorsCarryTheirPrefixAndClassTree)
{
    EXPECT_STREQ(ODBCException("No Data").what(), "Database Error: No Data");
    DatabaseRestoringError restoring("down");
    EXPECT_STREQ(restoring.what(), "Database Error: down");
    EXPECT_NE(dynamic_cast<const DatabaseConnectionError*>(&restoring), nullptr);
    EXPECT_NE(dynamic_cast<const NonDumpableException*>(&restoring), nullptr);
    const ODBCException& deadlock = DatabaseDeadlockException("x");
    EXPECT_EQ(dynamic_cast<const NonDumpableException*>(&deadlock), nullptr);
}

TEST(DescribeCurrentException, UsesTheStandardTextOrSaysNothingIsKnown)
{
    auto describe = [](auto thrower) {
        try {
            thrower();
        } catch (...) {
            return DescribeCurrentException();
        }
        return std::string("nothing thrown");
    };
    EXPECT_EQ(describe([] { throw std::runtime_error("boom"); }), "boom");
    EXPECT_EQ(describe([] { throw Windows::Error(0x2000ABCD); }), "Windows Error: unknown error 0x2000abcd");
    EXPECT_EQ(describe([] { throw 42; }), "No diagnostic message available");
    EXPECT_EQ(describe([] { throw LocalFreeFailed(); }), "No diagnostic message available");
    EXPECT_EQ(describe([] { throw _com_error(E_OUTOFMEMORY); }).rfind("COM Error: ", 0), 0u);
}

TEST(CaptureCurrentException, WindowsErrorComesBackAsItselfWithCodeAndModule)
{
    HMODULE module = GetModuleHandleA(nullptr);
    std::unique_ptr<CaughtException> caught;
    try {
        throw Windows::Error(ERROR_ACCESS_DENIED, module);
    } catch (...) {
        caught = CaptureCurrentException();
    }
    ASSERT_TRUE(caught);
    try {
        caught->rethrow();
    } catch (const Windows::Error& error) {
        EXPECT_EQ(error.Code(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(error.MessageModule(), module);
        return;
    } catch (...) {
    }
    FAIL() << "rethrow did not raise a Windows::Error";
}

TEST(CaptureCurrentException, OtherStandardExceptionsBecomeCopiesOfTheirText)
{
    std::unique_ptr<CaughtException> caught;
    try {
        throw std::out_of_range("index 7 past the end");
    } catch (...) {
        caught = CaptureCurrentException();
    }
    EXPECT_EQ(caught->Text(), "index 7 past the end");
    EXPECT_THROW(caught->rethrow(), CopiedStdException);
    try {
        caught->rethrow();
    } catch (const CopiedStdException& copy) {
        EXPECT_STREQ(copy.what(), "index 7 past the end");
    }
}

TEST(CaptureCurrentException, UnknownTypesAreHeldAsExceptionCannotBeCopied)
{
    std::unique_ptr<CaughtException> caught;
    try {
        throw 3.5;
    } catch (...) {
        caught = CaptureCurrentException();
    }
    EXPECT_THROW(caught->rethrow(), ExceptionCannotBeCopied);
    EXPECT_EQ(caught->Text(), "class ExceptionCannotBeCopied");
}
