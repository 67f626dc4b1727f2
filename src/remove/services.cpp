#include "remove/services.h"

#include "support/platform_seam.h"
#include "support/windows_error.h"

namespace Windows {

void CloseServiceHandleOrThrow(ServiceHandle& handle)
{
    if (!handle.close())
        throw CloseSCHandleFailed();
}

ServiceHandle OpenServiceManager(DWORD access)
{
    ServiceHandle manager(OpenSCManagerA(nullptr, "ServicesActive", access));
    CheckWindowsResult(manager.valid());
    return manager;
}

ServiceHandle OpenServiceHandle(SC_HANDLE manager, const std::string& serviceName, DWORD access)
{
    ServiceHandle service(OpenServiceA(manager, serviceName.c_str(), access));
    CheckWindowsResult(service.valid());
    return service;
}

SERVICE_STATUS QueryServiceState(SC_HANDLE service)
{
    SERVICE_STATUS status = {};
    CheckWindowsResult(QueryServiceStatus(service, &status));
    return status;
}

SERVICE_STATUS SendServiceControl(SC_HANDLE service, DWORD control)
{
    SERVICE_STATUS status = {};
    // A service that stops on its own between our query and the control
    // cannot be produced on demand; tests reach that answer through the seam.
    if (DWORD injected = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::ControlService))
        ThrowWindowsError(injected);
    CheckWindowsResult(ControlService(service, control, &status));
    return status;
}

void DeleteServiceEntry(SC_HANDLE service)
{
    CheckWindowsResult(::DeleteService(service));
}

} // namespace Windows

namespace Remove {

namespace {

const DWORD PollCount = 100;
const DWORD PollInterval = 100; // milliseconds
const DWORD DotEvery = 10;

// A failed close is swallowed here: the operation's answer stands.
void CloseQuietly(Windows::ServiceHandle& handle) noexcept
{
    try {
        Windows::CloseServiceHandleOrThrow(handle);
    } catch (const CloseSCHandleFailed&) {
    }
}

// The manager and service handles of one operation, closed service first.
struct ServiceSession {
    Windows::ServiceHandle manager;
    Windows::ServiceHandle service;

    ~ServiceSession()
    {
        CloseQuietly(service);
        CloseQuietly(manager);
    }
};

// Opens manager and service with full rights. A missing service is an
// answer: it ends the line and gives false. Other failures throw.
bool OpenForControl(ServiceSession& session, const std::string& serviceName, Log& log)
{
    session.manager = Windows::OpenServiceManager(SC_MANAGER_ALL_ACCESS);
    try {
        session.service = Windows::OpenServiceHandle(session.manager.get(), serviceName, SERVICE_ALL_ACCESS);
    } catch (const Windows::Error& error) {
        if (error.Code() != ERROR_SERVICE_DOES_NOT_EXIST)
            throw;
        log << "service does not exist" << LineEnd;
        CloseQuietly(session.manager);
        return false;
    }
    // Only 1060 means "missing": an empty handle from a failure without an
    // error code must fail later calls, never pass for an absent service.
    return true;
}

} // namespace

bool CheckService(const std::string& serviceName, Log& log)
{
    log << "Checking for service \"" << serviceName << "\"...";
    try {
        ServiceSession session;
        if (!OpenForControl(session, serviceName, log))
            return false;
        bool running = Windows::QueryServiceState(session.service.get()).dwCurrentState == SERVICE_RUNNING;
        log << (running ? "service is running" : "service not running") << LineEnd;
        return running;
    } catch (...) {
        log << DescribeCurrentException() << LineEnd;
        return false;
    }
}

bool StopService(const std::string& serviceName, Log& log)
{
    log << "Stopping service \"" << serviceName << "\"...";
    try {
        ServiceSession session;
        if (!OpenForControl(session, serviceName, log))
            return true;
        SC_HANDLE service = session.service.get();

        DWORD state = Windows::QueryServiceState(service).dwCurrentState;
        if (state == SERVICE_STOPPED) {
            log << "service is already stopped" << LineEnd;
            return true;
        }
        if (state != SERVICE_STOP_PENDING) {
            try {
                Windows::SendServiceControl(service, SERVICE_CONTROL_STOP);
            } catch (const Windows::Error& error) {
                // Stopped by itself since the query: the wait below confirms it.
                if (error.Code() != ERROR_SERVICE_NOT_ACTIVE)
                    throw;
            }
        }

        for (DWORD poll = 0; poll < PollCount; ++poll) {
            if (Windows::QueryServiceState(service).dwCurrentState == SERVICE_STOPPED) {
                log << "stopped" << LineEnd;
                return true;
            }
            Sleep(PollInterval);
            if (poll % DotEvery == 0)
                log << ".";
        }
        log << "abandoning wait.  Service not stopped." << LineEnd;
        return false;
    } catch (...) {
        log << "error encountered: " << DescribeCurrentException() << LineEnd;
        return false;
    }
}

bool DeleteService(const std::string& serviceName, Log& log)
{
    // A service that may still run is never deleted.
    if (!StopService(serviceName, log))
        return false;

    log << "Deleting service \"" << serviceName << "\"...";
    try {
        ServiceSession session;
        if (!OpenForControl(session, serviceName, log))
            return true;
        try {
            Windows::DeleteServiceEntry(session.service.get());
        } catch (...) {
            log << "failed to delete service: " << DescribeCurrentException() << LineEnd;
            return false;
        }
        log << "done" << LineEnd;
        return true;
    } catch (...) {
        log << "error encountered: " << DescribeCurrentException() << LineEnd;
        return false;
    }
}

} // namespace Remove
