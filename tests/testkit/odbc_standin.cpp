#include "testkit/odbc_standin.h"

#include "support/owned_handle.h"
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

namespace {

void WriteLines(const std::string& path, const std::vector<std::string>& lines, std::ios::openmode mode)
{
    std::ofstream file(path, mode);
    for (const std::string& line : lines)
        file << line << "\n";
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

} // namespace

std::string StandInServer::OdbcFolder()
{
    const char* folder = std::getenv("ODBCSYSINI");
    if (folder == nullptr || *folder == '\0')
        throw std::runtime_error("ODBCSYSINI is not set: source scripts/wine-env.sh");
    return WindowsPathOfHostPath(folder);
}

namespace {

// Taken by a Default server: tests in parallel processes take turns.
Windows::UniqueKernelHandle LockDefaultState()
{
    Windows::UniqueKernelHandle mutex(CreateMutexA(nullptr, FALSE, "ZEMTestStandInDefaultState"));
    if (!mutex)
        throw std::runtime_error("cannot create the stand-in's default state lock");
    DWORD waited = WaitForSingleObject(mutex.get(), 120000);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
        throw std::runtime_error("the stand-in's default state stayed locked");
    return mutex;
}

} // namespace

StandInServer::StandInServer(StandInScope scope)
    : scope_(scope),
      defaultLock_(scope == StandInScope::Default ? LockDefaultState() : Windows::UniqueKernelHandle()),
      name_(UniqueTestName("standin")),
      statePath_(OdbcFolder() + "\\" + (scope == StandInScope::Default ? std::string("standin-default") : name_) +
                 ".state"),
      journalPath_(OdbcFolder() + "\\" + name_ + ".journal")
{
    WriteLines(statePath_, {"journal\t" + HostPathOfWindowsPath(journalPath_)}, std::ios::trunc);
}

StandInServer::~StandInServer()
{
    DeleteFileA(statePath_.c_str());
    DeleteFileA(journalPath_.c_str());
    if (defaultLock_)
        ReleaseMutex(defaultLock_.get());
}

void StandInServer::AddLine(const std::string& line)
{
    WriteLines(statePath_, {line}, std::ios::app);
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
        DWORD waited = mutex_ ? WaitForSingleObject(mutex_.get(), 10000) : WAIT_FAILED;
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
            throw std::runtime_error("cannot lock the test odbc.ini");
    }
    ~IniLock() { ReleaseMutex(mutex_.get()); }
    IniLock(const IniLock&) = delete;
    IniLock& operator=(const IniLock&) = delete;

private:
    Windows::UniqueKernelHandle mutex_;
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
    WriteLines(IniPath(), lines, std::ios::trunc);
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
