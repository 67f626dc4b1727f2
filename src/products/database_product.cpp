#include "products/database_product.h"

#include "remove/services.h"
#include "support/exceptions.h"
#include "support/odbc_database.h"
#include "support/odbc_installer.h"

#include <cstdint>

using Remove::LineEnd;

namespace {

const char* const kConnectionString = "Driver=SQL Server;Server=localhost;Trusted_Connection=Yes;";
const char* const kMainDatabase = "VNEnterprise";
const char* const kReportsDatabase = "ZEMReporting";

} // namespace

DatabaseProduct::DatabaseProduct(Remove::Log* log) : ZEMProduct(log) {}

DatabaseProduct::~DatabaseProduct() = default;

std::string DatabaseProduct::Name() const
{
    return "Varnek Databases";
}

std::unique_ptr<ODBCDatabase> DatabaseProduct::Connect()
{
    if (connectionFailed_)
        return nullptr;
    if (!Remove::CheckService("MSSQLSERVER", *log))
        return nullptr;
    *log << "Trying to connect to a SQL server at localhost using NT authentication...";
    try {
        // Nothing more is written: the first check continues this line.
        return std::unique_ptr<ODBCDatabase>(new ODBCDatabase(kConnectionString));
    } catch (...) {
        *log << DescribeCurrentException() << LineEnd;
        connectionFailed_ = true;
        return nullptr;
    }
}

DatabaseProduct::Presence DatabaseProduct::CheckDatabase(ODBCDatabase& session, const char* name)
{
    *log << "Checking for database [" << name << "]...";
    try {
        session.Connection().ExecuteSQL("use master");
        ODBCStatement statement(session.Connection());
        ODBCTextParameter parameter(name);
        statement.BindTextParameter(1, parameter);
        std::int32_t exists = 0;
        statement.BindIntegerColumn(1, exists);
        statement.ExecuteDirect(
            "select case when exists ( select * from sysdatabases where name = ? ) then 1 else 0 end");
        if (!statement.Fetch())
            ThrowNothingReturnedFromQuery();
        *log << (exists != 0 ? "database exists" : "database does not exist") << LineEnd;
        return exists != 0 ? Presence::Exists : Presence::Absent;
    } catch (...) {
        *log << "error encountered: " << DescribeCurrentException() << LineEnd;
        return Presence::Unknown;
    }
}

OptionalString DatabaseProduct::ReadVersion(ODBCDatabase& session)
{
    *log << "Trying to determine the version of the VNEnterprise database...";
    try {
        session.Connection().ExecuteSQL("use VNEnterprise");
        ODBCStatement statement(session.Connection());
        ODBCTextColumn version;
        statement.BindTextColumn(1, version);
        statement.ExecuteDirect("select Version from DBINFO");
        if (!statement.Fetch())
            ThrowNothingReturnedFromQuery();
        std::string text = version.Text();
        *log << "found version '" << text << "'" << LineEnd;
        return text;
    } catch (...) {
        *log << "error encountered: " << DescribeCurrentException() << LineEnd;
        return std::nullopt;
    }
}

bool DatabaseProduct::DropDatabase(ODBCDatabase& session, const char* name)
{
    *log << "Removing database \"" << name << "\"...";
    try {
        session.Connection().ExecuteSQL("use master");
        session.Connection().ExecuteSQL(std::string("drop database ") + name);
        *log << "done" << LineEnd;
        return true;
    } catch (...) {
        *log << "error encountered: " << DescribeCurrentException() << LineEnd;
        return false;
    }
}

bool DatabaseProduct::RemoveDataSource(const char* name)
{
    *log << "Removing DSN \"" << name << "\"...";
    bool removed = WindowsPlatform::SQLRemoveDSNFromIni(name);
    *log << (removed ? "done" : "failed to delete DSN") << LineEnd;
    return removed;
}

bool DatabaseProduct::Detect()
{
    log->DetectingBanner(Name());
    const bool wasInstalled = installed;
    std::unique_ptr<ODBCDatabase> session = Connect();
    installed = false;
    bool answered = session != nullptr;
    if (session) {
        Presence main = CheckDatabase(*session, kMainDatabase);
        Presence reports = CheckDatabase(*session, kReportsDatabase);
        if (main == Presence::Exists)
            version_ = ReadVersion(*session);
        installed = main == Presence::Exists || reports == Presence::Exists;
        answered = main != Presence::Unknown && reports != Presence::Unknown;
    }
    // Databases found before are gone only when the server says so: an
    // unreachable server (or a check that failed) after a removal must not
    // count as a removal.
    if (wasInstalled && !installed && !answered) {
        *log << "The databases were found before and cannot be shown gone: they still count as installed." << LineEnd;
        installed = true;
    }
    return installed;
}

bool DatabaseProduct::Remove()
{
    log->RemovingBanner(Name());
    std::unique_ptr<ODBCDatabase> session = Connect();
    if (!session) {
        *log << "Unable to connect to database.  It may have already been removed by the uninstaller." << LineEnd;
        return true;
    }
    for (const char* service : {"LoadDB", "CollectDB", "ZEMWebReportsServer"})
        Remove::StopService(service, *log);
    bool failed = false;
    if (DatabaseExists(*session, kMainDatabase)) {
        if (DropDatabase(*session, kMainDatabase)) {
            RemoveDataSource("zem_vnenterprise");
            RemoveDataSource("zem_EnterpriseServer");
        } else {
            failed = true;
        }
    }
    if (DatabaseExists(*session, kReportsDatabase) && !DropDatabase(*session, kReportsDatabase))
        failed = true;
    RemoveDataSource("localzemreportingserver");
    RemoveDataSource("enterprise_setup");
    return !failed;
}
