#include "testkit/registered_service.h"

#include "testkit/fixture_programs.h"
#include "testkit/scratch.h"

#include <stdexcept>

namespace {

// Manager and service handles for one helper call.
struct Handles {
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;

    explicit Handles(const std::string& name)
    {
        manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (!manager)
            throw std::runtime_error("cannot open the service control manager");
        service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
    }
    ~Handles()
    {
        if (service)
            CloseServiceHandle(service);
        CloseServiceHandle(manager);
    }
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;
};

SERVICE_STATUS_PROCESS ProcessStatus(SC_HANDLE service)
{
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                              &needed))
        status.dwCurrentState = 0;
    return status;
}

} // namespace

RegisteredService::RegisteredService(const char* mode, const std::string& name)
    : name_(name.empty() ? UniqueTestName("zemsvc") : name)
{
    std::string command = "\"" + FixtureProgram("test_service") + "\" " + mode;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager)
        throw std::runtime_error("cannot open the service control manager");
    SC_HANDLE service = CreateServiceA(manager, name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                       command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    DWORD error = GetLastError();
    CloseServiceHandle(manager);
    if (!service)
        throw std::runtime_error("CreateServiceA failed with " + std::to_string(error));
    CloseServiceHandle(service);
}

RegisteredService::~RegisteredService()
{
    try {
        Handles handles(name_);
        if (!handles.service)
            return;
        SERVICE_STATUS_PROCESS status = ProcessStatus(handles.service);
        if (status.dwCurrentState != SERVICE_STOPPED && status.dwCurrentState != 0) {
            SERVICE_STATUS ignored;
            bool stopping = ControlService(handles.service, SERVICE_CONTROL_STOP, &ignored) != FALSE;
            auto stopped = [&] { return ProcessStatus(handles.service).dwCurrentState == SERVICE_STOPPED; };
            // The manager does not notice a killed service process at once;
            // deleting works all the same once the process is gone.
            if (!(stopping && WaitUntil(stopped, 2000)) && status.dwProcessId != 0) {
                HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId);
                if (process) {
                    TerminateProcess(process, 1);
                    WaitForSingleObject(process, 5000);
                    CloseHandle(process);
                }
            }
        }
        DeleteService(handles.service);
    } catch (...) {
    }
}

void RegisteredService::Start()
{
    Handles handles(name_);
    if (!handles.service || !StartServiceA(handles.service, 0, nullptr))
        throw std::runtime_error("cannot start service " + name_ + ": " + std::to_string(GetLastError()));
    if (!WaitUntil([&] { return ProcessStatus(handles.service).dwCurrentState == SERVICE_RUNNING; }, 5000))
        throw std::runtime_error("service " + name_ + " did not report running");
}

DWORD RegisteredService::State() const
{
    Handles handles(name_);
    return handles.service ? ProcessStatus(handles.service).dwCurrentState : 0;
}

bool RegisteredService::Exists() const
{
    Handles handles(name_);
    return handles.service != nullptr || GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST;
}

DWORD RegisteredService::SendStop()
{
    Handles handles(name_);
    SERVICE_STATUS status;
    if (!handles.service)
        return GetLastError();
    return ControlService(handles.service, SERVICE_CONTROL_STOP, &status) ? 0 : GetLastError();
}
