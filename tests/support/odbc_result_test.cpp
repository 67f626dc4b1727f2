#include "support/odbc_result.h"

#include "support/exceptions.h"

#include <gtest/gtest.h>

#include <sqlext.h>

#include <string>

namespace {

struct Thrown {
    std::string type;
    std::string text;
};

Thrown Check(SQLRETURN result)
{
    try {
        CheckODBCResult(result, SQL_NULL_HANDLE, 0);
    } catch (const std::exception& exception) {
        return {TypeNameText(typeid(exception)), exception.what()};
    }
    return {"nothing", ""};
}

} // namespace

TEST(CheckODBCResult, ReturnCodesWithoutDiagnosticsGiveFixedMessages)
{
    struct Case {
        SQLRETURN result;
        const char* type;
        const char* text;
    } cases[] = {
        {SQL_SUCCESS, "nothing", ""},
        {SQL_SUCCESS_WITH_INFO, "nothing", ""},
        {SQL_STILL_EXECUTING, "class ODBCException", "Database Error: Still Executing"},
        {SQL_NEED_DATA, "class ODBCException", "Database Error: Need Data"},
        {SQL_NO_DATA, "class ODBCException", "Database Error: No Data"},
        {SQL_INVALID_HANDLE, "class ODBCException", "Database Error: Invalid Handle"},
        {7, "class ODBCException", "Database Error: Unknown ODBC Error"},
        {-3, "class ODBCException", "Database Error: Unknown ODBC Error"},
        // No handle to read records from (a failed environment allocation):
        // the reading ends at once and the failure stays generic.
        {SQL_ERROR, "class ODBCException", "Database Error: "},
    };
    for (const Case& c : cases) {
        Thrown thrown = Check(c.result);
        EXPECT_EQ(c.type, thrown.type) << "return code " << c.result;
        EXPECT_EQ(c.text, thrown.text) << "return code " << c.result;
    }
}
