// The ODBC layer through the real driver manager (Wine's odbc32 to the host's
// unixODBC) against the stand-in SQL Server driver.
#include "support/odbc_database.h"

#include "support/exceptions.h"
#include "testkit/odbc_standin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const char ExistsQuery[] = "select case when exists ( select * from sysdatabases where name = ? ) then 1 else 0 end";

struct Thrown {
    std::string type;
    std::string text;
};

Thrown Capture(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& exception) {
        return {TypeNameText(typeid(exception)), exception.what()};
    }
    return {"nothing", ""};
}

std::size_t CountOf(const std::vector<std::string>& lines, const std::string& line)
{
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

bool DatabaseExists(const ODBCDatabase& database, const std::string& name)
{
    database.Connection().ExecuteSQL("use master");
    ODBCStatement statement(database.Connection());
    ODBCTextParameter parameter(name);
    std::int32_t exists = 7;
    statement.BindTextParameter(1, parameter);
    statement.BindIntegerColumn(1, exists);
    EXPECT_EQ(0, exists) << "the integer is cleared before it is bound";
    statement.ExecuteDirect(ExistsQuery);
    if (!statement.Fetch())
        ThrowNothingReturnedFromQuery();
    return exists != 0;
}

std::string ReadVersion(const ODBCDatabase& database)
{
    database.Connection().ExecuteSQL("use VNEnterprise");
    ODBCStatement statement(database.Connection());
    ODBCTextColumn version;
    statement.BindTextColumn(1, version);
    statement.ExecuteDirect("select Version from DBINFO");
    if (!statement.Fetch())
        ThrowNothingReturnedFromQuery();
    return version.Text();
}

} // namespace

TEST(ODBCDatabase, ConnectsWithOdbc2BehaviourAndA15SecondLoginTimeout)
{
    StandInServer server;
    {
        ODBCDatabase database(server.ConnectionString());
    }
    std::vector<std::string> journal = server.Journal();
    std::vector<std::string> expected = {
        "odbc version 2",
        "login timeout 15",
        "connect " + server.ConnectionString(),
        "disconnect",
        "free connection",
    };
    EXPECT_EQ(expected, journal);
}

TEST(ODBCDatabase, AnswersTheDatabaseChecksWithTheBindingsAsGiven)
{
    StandInServer server;
    server.AddDatabase("VNEnterprise");
    ODBCDatabase database(server.ConnectionString());

    EXPECT_TRUE(DatabaseExists(database, "VNEnterprise"));
    EXPECT_FALSE(DatabaseExists(database, "ZEMReporting"));

    std::vector<std::string> journal = server.Journal();
    // The parameter's length (SQL_NTS) goes with it: Wine 10's odbc32 reads through a null one.
    EXPECT_EQ(2u, CountOf(journal, "bind parameter 1 io 1 c 1 sql 12 size 128 digits 0 length 129 indicator set"));
    EXPECT_EQ(2u, CountOf(journal, "bind column 1 c -16 length 0 indicator none"));
    EXPECT_EQ(1u, CountOf(journal, "parameter VNEnterprise"));
    EXPECT_EQ(1u, CountOf(journal, "parameter ZEMReporting"));
    EXPECT_EQ(2u, CountOf(journal, "exec use master")) << "use master succeeds with information (5701)";
}

TEST(ODBCDatabase, ReadsTheVersionTextOfAtMost64Characters)
{
    StandInServer server;
    server.AddDatabase("VNEnterprise");
    server.AddVersionRow("VNEnterprise", "7.2.1");
    ODBCDatabase database(server.ConnectionString());
    EXPECT_EQ("7.2.1", ReadVersion(database));
    EXPECT_EQ(1u, CountOf(server.Journal(), "bind column 1 c 1 length 65 indicator none"));

    StandInServer longVersion;
    longVersion.AddDatabase("VNEnterprise");
    longVersion.AddVersionRow("VNEnterprise", std::string(70, 'v'));
    ODBCDatabase second(longVersion.ConnectionString());
    EXPECT_EQ(std::string(64, 'v'), ReadVersion(second)) << "a cut-off text succeeds with information";
}

TEST(ODBCDatabase, AQueryWithoutItsRowThrowsNothingReturnedFromQuery)
{
    StandInServer server;
    server.AddDatabase("VNEnterprise");
    server.AddEmptyVersionTable("VNEnterprise");
    ODBCDatabase database(server.ConnectionString());
    Thrown thrown = Capture([&] { ReadVersion(database); });
    EXPECT_EQ("class NothingReturnedFromQuery", thrown.type);
    EXPECT_EQ("Database Error: A database query unexpectedly failed to return any results.", thrown.text);
}

TEST(ODBCDatabase, DropDatabaseRemovesItFromTheServer)
{
    StandInServer server;
    server.AddDatabase("ZEMReporting");
    ODBCDatabase database(server.ConnectionString());
    database.Connection().ExecuteSQL("use master");
    database.Connection().ExecuteSQL("drop database ZEMReporting");
    EXPECT_FALSE(server.HasDatabase("ZEMReporting"));
    EXPECT_FALSE(DatabaseExists(database, "ZEMReporting"));
}

// Each case makes the driver fail a statement with these records; the driver
// manager reports ODBC 2 SQLSTATEs because of the environment's version.
TEST(ODBCDatabase, FailedStatementsAreClassifiedByTheirDiagnosticRecords)
{
    struct Record {
        const char* state;
        long native;
        const char* message;
    };
    struct Case {
        std::vector<Record> records;
        const char* type;
        const char* text;
    } cases[] = {
        {{{"08001", 17, "SQL Server does not exist or access denied."}},
         "class DatabaseConnectionError",
         "Database Error: SQL Server does not exist or access denied. (08001:17)"},
        {{{"08S01", 11, "Communication link failure"}},
         "class DatabaseConnectionError",
         "Database Error: Communication link failure (08S01:11)"},
        {{{"S1T00", 0, "Timeout expired"}}, "class DatabaseTimeoutExpiredError",
         "Database Error: Timeout expired (S1T00:0)"},
        {{{"HYT00", 0, "Timeout expired"}}, "class DatabaseTimeoutExpiredError",
         "Database Error: Timeout expired (S1T00:0)"},
        {{{"37000", 4060, "Cannot open database requested in login 'VNEnterprise'. Login fails."}},
         "class DatabaseConnectionError",
         "Database Error: Cannot open database requested in login 'VNEnterprise'. Login fails. (37000:4060)"},
        {{{"42000", 4060, "Cannot open database."}}, "class DatabaseConnectionError",
         "Database Error: Cannot open database. (37000:4060)"},
        {{{"37000", 156, "Incorrect syntax near 'x'."}}, "class ODBCException",
         "Database Error: Incorrect syntax near 'x'. (37000:156)"},
        {{{"01000", 10054, "ConnectionRead (recv())."}}, "class DatabaseConnectionError",
         "Database Error: ConnectionRead (recv()). (01000:10054)"},
        {{{"01000", 2, "Something else."}}, "class ODBCException", "Database Error: Something else. (01000:2)"},
        {{{"40001", 1205, "Transaction was deadlocked on lock resources with another process."}},
         "class DatabaseDeadlockException",
         "Database Error: A database transaction encountered a deadlock and has been terminated."},
        {{{"37000", 922, "Database 'VNEnterprise' is being recovered."}}, "class DatabaseRestoringError",
         "Database Error: Database 'VNEnterprise' is being recovered. (37000:922)"},
        {{{"S0002", 208, "Invalid object name 'DBINFO'."}}, "class InvalidObjectError",
         "Database Error: Invalid object name 'DBINFO'. (S0002:208)"},
        {{{"S1000", 0, "[DBNETLIB]General network error. Check your network documentation."}},
         "class DatabaseConnectionError",
         "Database Error: [DBNETLIB]General network error. Check your network documentation. (S1000:0)"},
        {{{"37000", -1, "Negative native code."}}, "class ODBCException",
         "Database Error: Negative native code. (37000:4294967295)"},
        // A later test overrides an earlier one within a record...
        {{{"08001", 208, "Both."}}, "class InvalidObjectError", "Database Error: Both. (08001:208)"},
        {{{"40001", 922, "Both."}}, "class DatabaseRestoringError", "Database Error: Both. (40001:922)"},
        {{{"S0002", 208, "General network error. Check your network documentation."}},
         "class DatabaseConnectionError",
         "Database Error: General network error. Check your network documentation. (S0002:208)"},
        // ...and a later record overrides an earlier one only where it matches.
        {{{"08001", 17, "First."}, {"S0002", 208, "Second."}},
         "class InvalidObjectError",
         "Database Error: First. (08001:17)\nSecond. (S0002:208)"},
        {{{"S0002", 208, "First."}, {"01000", 5, "Second."}, {"37000", 7, "Third."}},
         "class InvalidObjectError",
         "Database Error: First. (S0002:208)\nSecond. (01000:5)\nThird. (37000:7)"},
    };
    for (const Case& c : cases) {
        StandInServer server;
        for (const Record& record : c.records)
            server.Fail("exec:use master", record.state, record.native, record.message);
        ODBCDatabase database(server.ConnectionString());
        Thrown thrown = Capture([&] { database.Connection().ExecuteSQL("use master"); });
        EXPECT_EQ(c.type, thrown.type) << c.text;
        EXPECT_EQ(c.text, thrown.text);
    }
}

TEST(ODBCDatabase, RealServerErrorsAreClassifiedToo)
{
    StandInServer server;
    server.AddDatabase("VNEnterprise");
    ODBCDatabase database(server.ConnectionString());
    Thrown thrown = Capture([&] { ReadVersion(database); });
    EXPECT_EQ("class InvalidObjectError", thrown.type) << "no DBINFO table: 208";
    EXPECT_EQ("Database Error: [ZEM stand-in][SQL Server]Invalid object name 'DBINFO'. (S0002:208)", thrown.text);

    thrown = Capture([&] { database.Connection().ExecuteSQL("use ZEMReporting"); });
    EXPECT_EQ("class ODBCException", thrown.type) << "a missing database (911) stays generic";
}

TEST(ODBCDatabase, FailedConnectsThrowAndReleaseWithoutDisconnecting)
{
    struct Case {
        const char* state;
        long native;
        const char* type;
        const char* text;
    } cases[] = {
        {"08001", 17, "class DatabaseConnectionError",
         "Database Error: [DBNETLIB]SQL Server does not exist or access denied. (08001:17)"},
        {"S1T00", 0, "class DatabaseTimeoutExpiredError",
         "Database Error: [DBNETLIB]SQL Server does not exist or access denied. (S1T00:0)"},
        {"37000", 922, "class DatabaseRestoringError",
         "Database Error: [DBNETLIB]SQL Server does not exist or access denied. (37000:922)"},
    };
    for (const Case& c : cases) {
        StandInServer server;
        server.Fail("connect", c.state, c.native, "[DBNETLIB]SQL Server does not exist or access denied.");
        Thrown thrown = Capture([&] { ODBCDatabase database(server.ConnectionString()); });
        EXPECT_EQ(c.type, thrown.type);
        EXPECT_EQ(c.text, thrown.text);
        std::vector<std::string> journal = server.Journal();
        EXPECT_EQ(0u, CountOf(journal, "disconnect"));
        EXPECT_EQ(1u, CountOf(journal, "free connection"));
    }

    StandInServer restoring;
    restoring.Fail("connect", "37000", 922, "Database is being recovered.");
    EXPECT_THROW(ODBCDatabase database(restoring.ConnectionString()), DatabaseConnectionError)
        << "a restoring database is also a connection error";

    StandInServer several;
    // The driver manager ranks errors before warnings; this is already that order.
    several.Fail("connect", "08001", 17, "[DBNETLIB]SQL Server does not exist or access denied.");
    several.Fail("connect", "01000", 2, "[DBNETLIB]ConnectionOpen (Connect()).");
    Thrown thrown = Capture([&] { ODBCDatabase database(several.ConnectionString()); });
    EXPECT_EQ("class DatabaseConnectionError", thrown.type);
    EXPECT_EQ("Database Error: [DBNETLIB]SQL Server does not exist or access denied. (08001:17)\n"
              "[DBNETLIB]ConnectionOpen (Connect()). (01000:2)",
              thrown.text);
}

TEST(ODBCDatabase, SuccessWithInformationAndNoDataAreNotErrors)
{
    StandInServer server;
    server.AddDatabase("VNEnterprise");
    server.Inform("exec:use master", "40001", 1205, "Would be a deadlock if it were an error.");
    server.Inform("connect", "01000", 5701, "Changed database context to 'master'.");
    server.AnswerNoData("exec:drop database Nothing");
    server.AnswerNoData("fetch:*");
    ODBCDatabase database(server.ConnectionString());

    EXPECT_NO_THROW(database.Connection().ExecuteSQL("use master"));
    EXPECT_NO_THROW(database.Connection().ExecuteSQL("drop database Nothing"));
    ODBCStatement statement(database.Connection());
    ODBCTextParameter parameter("VNEnterprise");
    std::int32_t exists = 0;
    statement.BindTextParameter(1, parameter);
    statement.BindIntegerColumn(1, exists);
    statement.ExecuteDirect(ExistsQuery);
    EXPECT_FALSE(statement.Fetch()) << "no row is not an error";
}

TEST(ODBCDatabase, OtherReturnCodesOfTheDriverThrow)
{
    StandInServer server;
    server.AnswerCode("exec:use master", SQL_STILL_EXECUTING);
    ODBCDatabase database(server.ConnectionString());
    Thrown thrown = Capture([&] { database.Connection().ExecuteSQL("use master"); });
    EXPECT_EQ("class ODBCException", thrown.type);
    EXPECT_EQ("Database Error: Still Executing", thrown.text);
}

TEST(ODBCDatabase, CopiesShareHandlesAndTheLastOneReleasesThem)
{
    StandInServer server;
    std::unique_ptr<ODBCStatement> survivor;
    {
        ODBCDatabase database(server.ConnectionString());
        ODBCStatement statement(database.Connection());
        {
            ODBCStatement copy(statement);
            ODBCConnection connection(database.Connection());
            EXPECT_EQ(statement.Handle(), copy.Handle());
            EXPECT_EQ(database.Connection().Handle(), connection.Handle());
        }
        EXPECT_EQ(0u, CountOf(server.Journal(), "free statement")) << "a copy's end releases nothing";
        EXPECT_EQ(0u, CountOf(server.Journal(), "disconnect"));
        survivor.reset(new ODBCStatement(statement));
    }
    EXPECT_EQ(0u, CountOf(server.Journal(), "disconnect")) << "a live statement keeps its connection open";
    EXPECT_NO_THROW(survivor->ExecuteDirect("use master"));
    survivor.reset();

    std::vector<std::string> journal = server.Journal();
    ASSERT_GE(journal.size(), 3u);
    std::vector<std::string> tail(journal.end() - 3, journal.end());
    EXPECT_EQ((std::vector<std::string>{"free statement", "disconnect", "free connection"}), tail);
    EXPECT_EQ(1u, CountOf(journal, "free statement"));
    EXPECT_EQ(1u, CountOf(journal, "disconnect"));
}

TEST(ODBCDatabase, ATextParameterHoldsAtMost128Characters)
{
    EXPECT_NO_THROW(ODBCTextParameter(std::string(128, 'n')));
    Thrown thrown = Capture([] { ODBCTextParameter(std::string(129, 'n')); });
    EXPECT_EQ("class ODBCException", thrown.type) << "cutting a name short would ask about another name";
}

TEST(ODBCDatabase, AFailedStatementAllocationReportsTheConnectionsRecords)
{
    // No statement handle exists to read from; the driver manager keeps the
    // reasons on the connection.
    StandInServer server;
    server.Fail("alloc", "08S01", 0, "Communication link failure");
    ODBCDatabase database(server.ConnectionString());
    Thrown thrown = Capture([&] { ODBCStatement statement(database.Connection()); });
    EXPECT_EQ("class DatabaseConnectionError", thrown.type);
    EXPECT_EQ("Database Error: Communication link failure (08S01:0)", thrown.text);
}

TEST(ODBCDatabase, TheProductsOwnConnectionStringReachesTheDefaultState)
{
    const std::string product = "Driver=SQL Server;Server=localhost;Trusted_Connection=Yes;";
    StandInServer server(StandInScope::Default);
    server.AddDatabase("ZEMReporting");
    ASSERT_EQ(product, server.ConnectionString());
    ODBCDatabase database(product);
    EXPECT_TRUE(DatabaseExists(database, "ZEMReporting"));
    EXPECT_EQ(1u, CountOf(server.Journal(), "connect " + product));
}
