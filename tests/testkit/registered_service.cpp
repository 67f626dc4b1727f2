#include "testkit/registered_service.h"

#include "testkit/fixture_programs.h"
#include "testkit/scratch.h"
#include "support/owned_handle.h"

#include <stdexcept>

namespace {

// Manager and service handles for one helper call; the service handle is
// empty when OpenServiceA failed (its error stays the last error).
struct Handles {
    Windows::UniqueServiceHandle manager;
    Windows::UniqueServiceHandle service;

    explicit Handles(const std::string& name) : manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS))
    {
        if (!manager)
            throw std::runtime_error("cannot open the service control manager");
        service.reset(OpenServiceA(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
    }
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
    Windows::UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager)
        throw std::runtime_error("cannot open the service control manager");
    Windows::UniqueServiceHandle service(CreateServiceA(manager.get(), name_.c_str(), name_.c_str(),
                                                        SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                                        SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, command.c_str(),
                                                        nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service)
        throw std::runtime_error("CreateServiceA failed with " + std::to_string(GetLastError()));
}

RegisteredService::~RegisteredService()
{
    try {
        Handles handles(name_);
        if (!handles.service.get())
            return;
        SERVICE_STATUS_PROCESS status = ProcessStatus(handles.service.get());
        if (status.dwCurrentState != SERVICE_STOPPED && status.dwCurrentState != 0) {
            SERVICE_STATUS ignored;
            bool stopping = ControlService(handles.service.get(), SERVICE_CONTROL_STOP, &ignored) != FALSE;
            auto stopped = [&] { return ProcessStatus(handles.service.get()).dwCurrentState == SERVICE_STOPPED; };
            // The manager does not notice a killed service process at once;
            // deleting works all the same once the process is gone.
            if (!(stopping && WaitUntil(stopped, 2000)) && status.dwProcessId != 0) {
                Windows::UniqueKernelHandle process(
                    OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId));
                if (process) {
                    TerminateProcess(process.get(), 1);
                    WaitForSingleObject(process.get(), 5000);
                }
            }
        }
        DeleteService(handles.service.get());
    } catch (...) {
    }
}

void RegisteredService::Start()
{
    Handles handles(name_);
    if (!handles.service || !StartServiceA(handles.service.get(), 0, nullptr))
        throw std::runtime_error("cannot start service " + name_ + ": " + std::to_string(GetLastError()));
    if (!WaitUntil([&] { return ProcessStatus(handles.service.get()).dwCurrentState == SERVICE_RUNNING; }, 5000))
        throw std::runtime_error("service " + name_ + " did not report running");
}

DWORD RegisteredService::State() const
{
    Handles handles(name_);
    return handles.service ? ProcessStatus(handles.service.get()).dwCurrentState : 0;
}

bool RegisteredService::Exists() const
{
    Handles handles(name_);
    return handles.service.valid() || GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST;
}

DWORD RegisteredService::SendStop()
{
    Handles handles(name_);
    SERVICE_STATUS status;
    if (!handles.service.get())
        return GetLastError();
    return ControlService(handles.service.get(), SERVICE_CONTROL_STOP, &status) ? 0 : GetLastError();
}
