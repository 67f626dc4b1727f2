#include "products/database_product.h"
#include "testkit/odbc_standin.h"
#include "testkit/recording_log.h"
#include "testkit/registered_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

const std::string kServiceRunning = "Checking for service \"MSSQLSERVER\"...service is running";
const std::string kConnecting = "Trying to connect to a SQL server at localhost using NT authentication...";
const std::string kNoRows = "error encountered: Database Error: A database query unexpectedly failed to return any results.";

std::vector<std::string> Banner(char rule, const std::string& title)
{
    return {"", std::string(50, rule), title, std::string(50, rule)};
}

std::vector<std::string> Join(std::vector<std::string> first, const std::vector<std::string>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// A running "MSSQLSERVER" service and the stand-in server's default state,
// which the product's fixed connection string reaches.
class DatabaseRecipe : public ::testing::Test {
protected:
    void StartServer()
    {
        service_.reset(new RegisteredService("normal", "MSSQLSERVER"));
        service_->Start();
    }
    // Found by a first detection, then `lose` takes the server's answer away:
    // the second detection must not count the databases as gone.
    template <typename Loss>
    void FoundThenOutOfReach(Loss lose)
    {
        StartServer();
        server_.AddDatabase("VNEnterprise");
        server_.AddVersionRow("VNEnterprise", "7.0");
        ASSERT_TRUE(product_.Detect());
        lose();
        log_.Clear();
        EXPECT_TRUE(product_.Detect());
        EXPECT_TRUE(product_.installed);
        EXPECT_EQ(log_.Lines().back(),
                  "The databases were found before and cannot be shown gone: they still count as installed.")
            << log_.Text();
    }

    StandInServer server_{StandInScope::Default};
    std::unique_ptr<RegisteredService> service_;
    RecordingLog log_;
    DatabaseProduct product_{&log_};
};

} // namespace

TEST_F(DatabaseRecipe, WithoutARunningServerNothingIsFoundAndRemovalSucceeds)
{
    EXPECT_FALSE(product_.Detect());
    EXPECT_EQ(log_.Lines(), Join(Banner('*', "* Detecting Varnek Databases"),
                                 {"Checking for service \"MSSQLSERVER\"...service does not exist"}));
    log_.Clear();
    EXPECT_TRUE(product_.Remove());
    EXPECT_EQ(log_.Lines(),
              Join(Banner('x', "x Removing Varnek Databases"),
                   {"Checking for service \"MSSQLSERVER\"...service does not exist",
                    "Unable to connect to database.  It may have already been removed by the uninstaller."}));
}

TEST_F(DatabaseRecipe, BothDatabasesAreFoundWithTheMainOnesVersion)
{
    StartServer();
    server_.AddDatabase("VNEnterprise");
    server_.AddDatabase("ZEMReporting");
    server_.AddVersionRow("VNEnterprise", "7.1.315");
    EXPECT_TRUE(product_.Detect());
    EXPECT_EQ(product_.Version(), OptionalString("7.1.315"));
    EXPECT_EQ(log_.Lines(),
              Join(Banner('*', "* Detecting Varnek Databases"),
                   {kServiceRunning, kConnecting + "Checking for database [VNEnterprise]...database exists",
                    "Checking for database [ZEMReporting]...database exists",
                    "Trying to determine the version of the VNEnterprise database...found version '7.1.315'"}));
}

TEST_F(DatabaseRecipe, OnlyTheReportsDatabaseIsDroppedWithTheOtherDataSources)
{
    StartServer();
    server_.AddDatabase("ZEMReporting");
    TestDataSource reports("localzemreportingserver");
    TestDataSource setup("enterprise_setup");
    TestDataSource main("zem_vnenterprise");
    ASSERT_TRUE(product_.Detect());
    EXPECT_EQ(product_.Version(), std::nullopt);
    log_.Clear();
    EXPECT_TRUE(product_.Remove());
    EXPECT_FALSE(server_.HasDatabase("ZEMReporting"));
    EXPECT_FALSE(reports.Registered());
    EXPECT_FALSE(setup.Registered());
    EXPECT_TRUE(main.Registered()) << "the main database's data sources go only with the main database";
    std::vector<std::string> lines = log_.Lines();
    std::vector<std::string> tail(lines.end() - 5, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Checking for database [VNEnterprise]...database does not exist",
                                              "Checking for database [ZEMReporting]...database exists",
                                              "Removing database \"ZEMReporting\"...done",
                                              "Removing DSN \"localzemreportingserver\"...done",
                                              "Removing DSN \"enterprise_setup\"...done"}));
    EXPECT_FALSE(product_.Detect());
}

TEST_F(DatabaseRecipe, MainDatabaseTakesItsDataSourcesAndMissingOnesAreOnlyReported)
{
    StartServer();
    server_.AddDatabase("VNEnterprise");
    server_.AddVersionRow("VNEnterprise", "7.0");
    TestDataSource main("zem_vnenterprise");
    ASSERT_TRUE(product_.Detect());
    log_.Clear();
    EXPECT_TRUE(product_.Remove());
    EXPECT_FALSE(server_.HasDatabase("VNEnterprise"));
    EXPECT_FALSE(main.Registered());
    std::vector<std::string> lines = log_.Lines();
    for (const std::string& expected :
         {std::string("Removing database \"VNEnterprise\"...done"), std::string("Removing DSN \"zem_vnenterprise\"...done"),
          std::string("Removing DSN \"zem_EnterpriseServer\"...failed to delete DSN"),
          std::string("Removing DSN \"enterprise_setup\"...failed to delete DSN")})
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    // The connect line is left open, so the first service stop continues it.
    EXPECT_NE(std::find(lines.begin(), lines.end(), kConnecting + "Stopping service \"LoadDB\"...service does not exist"),
              lines.end())
        << log_.Text();
}

TEST_F(DatabaseRecipe, VersionTableWithoutRowsLeavesTheVersionAbsent)
{
    StartServer();
    server_.AddDatabase("VNEnterprise");
    server_.AddEmptyVersionTable("VNEnterprise");
    EXPECT_TRUE(product_.Detect());
    EXPECT_EQ(product_.Version(), std::nullopt);
    EXPECT_EQ(log_.Lines().back(), "Trying to determine the version of the VNEnterprise database..." + kNoRows);
}

TEST_F(DatabaseRecipe, ConnectionThatThrowsIsRememberedForTheLifeOfTheObject)
{
    StartServer();
    server_.Fail("connect", "08001", 17, "[Stand-in][SQL Server]SQL Server does not exist or access denied.");
    EXPECT_FALSE(product_.Detect());
    EXPECT_EQ(log_.Lines().back(), kConnecting + "Database Error: [Stand-in][SQL Server]SQL Server does not exist or "
                                                 "access denied. (08001:17)");
    log_.Clear();
    EXPECT_FALSE(product_.Detect());
    EXPECT_EQ(log_.Lines(), Banner('*', "* Detecting Varnek Databases")) << "only the banner after a failed connect";
    log_.Clear();
    EXPECT_TRUE(product_.Remove());
    EXPECT_EQ(log_.Lines().back(),
              "Unable to connect to database.  It may have already been removed by the uninstaller.");
}

TEST_F(DatabaseRecipe, FailedDropOfAnExistingDatabaseFailsTheRemovalAndKeepsItsDataSources)
{
    StartServer();
    server_.AddDatabase("VNEnterprise");
    server_.AddVersionRow("VNEnterprise", "7.0");
    server_.Fail("exec:drop database VNEnterprise", "37000", 3702,
                 "Cannot drop database \"VNEnterprise\" because it is currently in use.");
    TestDataSource main("zem_vnenterprise");
    ASSERT_TRUE(product_.Detect());
    log_.Clear();
    EXPECT_FALSE(product_.Remove());
    EXPECT_TRUE(main.Registered());
    EXPECT_TRUE(server_.HasDatabase("VNEnterprise"));
    std::vector<std::string> lines = log_.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Removing database \"VNEnterprise\"...error encountered: Database Error: Cannot drop database "
                        "\"VNEnterprise\" because it is currently in use. (37000:3702)"),
              lines.end());
}

TEST_F(DatabaseRecipe, CheckThatFailsCountsAsAbsent)
{
    StartServer();
    server_.AddDatabase("ZEMReporting");
    server_.Fail("exec:select case when exists ( select * from sysdatabases where name = ? ) then 1 else 0 end",
                 "40001", 1205, "deadlock");
    EXPECT_FALSE(product_.Detect());
    EXPECT_EQ(log_.Lines().back(), "Checking for database [ZEMReporting]...error encountered: Database Error: A "
                                   "database transaction encountered a deadlock and has been terminated.");
}

TEST_F(DatabaseRecipe, StoppedServerAtTheSecondDetectionLeavesTheDatabasesInstalled)
{
    FoundThenOutOfReach([this] {
        ASSERT_EQ(service_->SendStop(), 0u);
        ASSERT_TRUE(WaitUntil([this] { return service_->State() == SERVICE_STOPPED; }, 5000));
    });
}

TEST_F(DatabaseRecipe, RefusedConnectionAtRemovalAndSecondDetectionLeavesTheDatabasesInstalled)
{
    FoundThenOutOfReach([this] {
        server_.Fail("connect", "08001", 17, "[Stand-in][SQL Server]SQL Server does not exist or access denied.");
        EXPECT_TRUE(product_.Remove()) << "the removal itself cannot tell";
        EXPECT_TRUE(server_.HasDatabase("VNEnterprise"));
    });
}

TEST_F(DatabaseRecipe, CheckThatFailsAtTheSecondDetectionLeavesTheDatabasesInstalled)
{
    FoundThenOutOfReach([this] {
        server_.Fail("exec:select case when exists ( select * from sysdatabases where name = ? ) then 1 else 0 end",
                     "08S01", 10054, "[Stand-in][SQL Server]General network error.");
    });
}
