// The state of the stand-in SQL Server driver (tests/odbc_driver) for one
// test: the databases it knows, the answers it is told to give, and the
// journal of calls it saw. The driver is a host library, so the files live
// in the host's ODBC folder of the build tree (ODBCSYSINI), reached from the
// program through the Z: drive.
#pragma once

#include "support/owned_handle.h"

#include <string>
#include <vector>

// Where the driver finds the state: named in the connection string, or (for
// code that connects with the product's fixed connection string) the one
// default state, which a Default server holds a lock on, across processes,
// for as long as it lives.
enum class StandInScope { ConnectionString, Default };

class StandInServer {
public:
    explicit StandInServer(StandInScope scope = StandInScope::ConnectionString);
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    // Each call adds a line to the state file at once.
    void AddDatabase(const std::string& name);
    void AddVersionRow(const std::string& database, const std::string& version);
    void AddEmptyVersionTable(const std::string& database);
    // where: "connect", "exec:<statement>", "exec:*", "fetch:<statement>", "fetch:*".
    // Several failures of one event give several diagnostic records.
    void Fail(const std::string& where, const std::string& state, long native, const std::string& message);
    void Inform(const std::string& where, const std::string& state, long native, const std::string& message);
    void AnswerNoData(const std::string& where);
    void AnswerCode(const std::string& where, int code);

    bool HasDatabase(const std::string& name) const;
    // The driver's journal, one call per line.
    std::vector<std::string> Journal() const;

    // The product's connection string, plus the attribute naming this state
    // for the ConnectionString scope.
    std::string ConnectionString() const;

    // The folder of the test odbcinst.ini / odbc.ini, as a Windows path.
    static std::string OdbcFolder();

private:
    void AddLine(const std::string& line);
    std::vector<std::string> ReadLines(const std::string& path) const;

    StandInScope scope_;
    Windows::UniqueKernelHandle defaultLock_;
    std::string name_;
    std::string statePath_;
    std::string journalPath_;
};

// "Z:\\..." for a host path: Wine maps the host's root to Z:.
std::string WindowsPathOfHostPath(const std::string& hostPath);
// The host path of a "Z:\\..." path.
std::string HostPathOfWindowsPath(const std::string& windowsPath);

// A system data source on the stand-in driver in the test odbc.ini: its
// section and its line under [ODBC Data Sources]. Written at construction,
// taken out again (if still there) when the test ends.
class TestDataSource {
public:
    explicit TestDataSource(std::string name);
    ~TestDataSource();
    TestDataSource(const TestDataSource&) = delete;
    TestDataSource& operator=(const TestDataSource&) = delete;

    const std::string& Name() const { return name_; }
    // Whether odbc.ini still has the data source's section.
    bool Registered() const;

private:
    std::string name_;
};
