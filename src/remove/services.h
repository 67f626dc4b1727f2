// Service control: is a service running, stop it and wait, stop and delete it.
#pragma once

#include "remove/log.h"
#include "support/owned_handle.h"

#include <windows.h>

#include <string>

namespace Windows {

// A service-control handle (manager or service); the destructor closes silently.
using ServiceHandle = UniqueServiceHandle;
// Closes now; a failed CloseServiceHandle throws CloseSCHandleFailed. The
// holder is empty afterwards either way.
void CloseServiceHandleOrThrow(ServiceHandle& handle);

// OpenSCManagerA on the local machine, database "ServicesActive".
ServiceHandle OpenServiceManager(DWORD access);
// OpenServiceA; a missing service throws Windows::Error with 1060 like any other failure.
ServiceHandle OpenServiceHandle(SC_HANDLE manager, const std::string& serviceName, DWORD access);
// QueryServiceStatus.
SERVICE_STATUS QueryServiceState(SC_HANDLE service);
// ControlService; answers the status the service reported back.
SERVICE_STATUS SendServiceControl(SC_HANDLE service, DWORD control);
// DeleteService: marks the service for deletion, done once every handle is closed.
void DeleteServiceEntry(SC_HANDLE service);

} // namespace Windows

namespace Remove {

// True when the service exists and is running; one log line, never throws.
bool CheckService(const std::string& serviceName, Log& log);

// Stops the service and waits about ten seconds for it. True when it is
// stopped or does not exist; one log line, never throws.
bool StopService(const std::string& serviceName, Log& log);

// Stops the service, then deletes it. True when it is deleted or does not
// exist; a service that did not stop is never deleted. Never throws.
bool DeleteService(const std::string& serviceName, Log& log);

} // namespace Remove
