#include "testkit/odbc_standin.h"

#include "testkit/scratch.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

std::string WindowsPathOfHostPath(const std::string& hostPath)
{
    std::string path = "Z:" + hostPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string HostPathOfWindowsPath(const std::string& windowsPath)
{
    std::string path = windowsPath.substr(2);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string StandInServer::OdbcFolder()
{
    const char* folder = std::getenv("ODBCSYSINI");
    if (folder == nullptr || *folder == '\0')
        throw std::runtime_error("ODBCSYSINI is not set: source scripts/wine-env.sh");
    return WindowsPathOfHostPath(folder);
}

namespace {

// Taken by a Default server: tests in parallel processes take turns.
HANDLE LockDefaultState()
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "ZEMTestStandInDefaultState");
    if (!mutex)
        throw std::runtime_error("cannot create the stand-in's default state lock");
    DWORD waited = WaitForSingleObject(mutex, 120000);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        throw std::runtime_error("the stand-in's default state stayed locked");
    }
    return mutex;
}

} // namespace

StandInServer::StandInServer(StandInScope scope)
    : scope_(scope),
      defaultLock_(scope == StandInScope::Default ? LockDefaultState() : nullptr),
      name_(UniqueTestName("standin")),
      statePath_(OdbcFolder() + "\\" + (scope == StandInScope::Default ? std::string("standin-default") : name_) +
                 ".state"),
      journalPath_(OdbcFolder() + "\\" + name_ + ".journal")
{
    std::ofstream(statePath_, std::ios::trunc) << "journal\t" << HostPathOfWindowsPath(journalPath_) << "\n";
}

StandInServer::~StandInServer()
{
    DeleteFileA(statePath_.c_str());
    DeleteFileA(journalPath_.c_str());
    if (defaultLock_) {
        ReleaseMutex(defaultLock_);
        CloseHandle(defaultLock_);
    }
}

void StandInServer::AddLine(const std::string& line)
{
    std::ofstream(statePath_, std::ios::app) << line << "\n";
}

void StandInServer::AddDatabase(const std::string& name)
{
    AddLine("database\t" + name);
}

void StandInServer::AddVersionRow(const std::string& database, const std::string& version)
{
    AddLine("version\t" + database + "\t" + version);
}

void StandInServer::AddEmptyVersionTable(const std::string& database)
{
    AddLine("dbinfo\t" + database);
}

void StandInServer::Fail(const std::string& where, const std::string& state, long native,
                         const std::string& message)
{
    AddLine("fail\t" + where + "\t" + state + "\t" + std::to_string(native) + "\t" + message);
}

void StandInServer::Inform(const std::string& where, const std::string& state, long native,
                           const std::string& message)
{
    AddLine("info\t" + where + "\t" + state + "\t" + std::to_string(native) + "\t" + message);
}

void StandInServer::AnswerNoData(const std::string& where)
{
    AddLine("nodata\t" + where);
}

void StandInServer::AnswerCode(const std::string& where, int code)
{
    AddLine("return\t" + where + "\t" + std::to_string(code));
}

std::vector<std::string> StandInServer::ReadLines(const std::string& path) const
{
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

bool StandInServer::HasDatabase(const std::string& name) const
{
    std::vector<std::string> lines = ReadLines(statePath_);
    return std::find(lines.begin(), lines.end(), "database\t" + name) != lines.end();
}

std::vector<std::string> StandInServer::Journal() const
{
    return ReadLines(journalPath_);
}

std::string StandInServer::ConnectionString() const
{
    std::string product = "Driver=SQL Server;Server=localhost;Trusted_Connection=Yes;";
    if (scope_ == StandInScope::Default)
        return product;
    return product + "StateFile=" + HostPathOfWindowsPath(statePath_) + ";";
}

namespace {

// The stand-in installer library takes the same lock for its edits.
class IniLock {
public:
    IniLock() : mutex_(CreateMutexA(nullptr, FALSE, "ZEMTestOdbcIniLock"))
    {
        if (!mutex_ || WaitForSingleObject(mutex_, 10000) != WAIT_OBJECT_0)
            throw std::runtime_error("cannot lock the test odbc.ini");
    }
    ~IniLock()
    {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }

private:
    HANDLE mutex_;
};

std::string IniPath()
{
    return StandInServer::OdbcFolder() + "\\odbc.ini";
}

std::vector<std::string> IniLines()
{
    std::vector<std::string> lines;
    std::ifstream file(IniPath());
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

void WriteIniLines(const std::vector<std::string>& lines)
{
    std::ofstream file(IniPath(), std::ios::trunc);
    for (const std::string& line : lines)
        file << line << "\n";
}

} // namespace

TestDataSource::TestDataSource(std::string name) : name_(std::move(name))
{
    IniLock lock;
    std::vector<std::string> lines = IniLines();
    auto sources = std::find(lines.begin(), lines.end(), "[ODBC Data Sources]");
    if (sources == lines.end())
        throw std::runtime_error("the test odbc.ini has no [ODBC Data Sources]");
    lines.insert(sources + 1, name_ + " = SQL Server");
    lines.push_back("[" + name_ + "]");
    lines.push_back("Driver = SQL Server");
    lines.push_back("Server = localhost");
    WriteIniLines(lines);
}

TestDataSource::~TestDataSource()
{
    try {
        IniLock lock;
        std::vector<std::string> kept;
        bool inSection = false;
        for (const std::string& line : IniLines()) {
            if (!line.empty() && line[0] == '[')
                inSection = line == "[" + name_ + "]";
            if (!inSection && line != name_ + " = SQL Server")
                kept.push_back(line);
        }
        WriteIniLines(kept);
    } catch (...) {
    }
}

bool TestDataSource::Registered() const
{
    std::vector<std::string> lines = IniLines();
    return std::find(lines.begin(), lines.end(), "[" + name_ + "]") != lines.end();
}
