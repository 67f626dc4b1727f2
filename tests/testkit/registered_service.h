// A real service, registered with the service control manager for one test
// and deleted again when the test ends, whatever state it was left in.
#pragma once

#include "testkit/deadline.h"

#include <windows.h>

#include <string>

class RegisteredService {
public:
    // Registers test_service.exe, given `mode` on its command line, as a
    // demand-start service of its own process, under `name` or else a unique name.
    explicit RegisteredService(const char* mode, const std::string& name = std::string());
    // Ends the service (stop control, then the process itself) and deletes it.
    ~RegisteredService();
    RegisteredService(const RegisteredService&) = delete;
    RegisteredService& operator=(const RegisteredService&) = delete;

    const std::string& Name() const { return name_; }

    // Starts it and waits, at most five seconds, until it reports running.
    void Start();
    // The state the manager reports now; 0 when the service cannot be opened.
    DWORD State() const;
    // Whether the manager still knows the name (OpenServiceA does not say 1060).
    bool Exists() const;
    // A raw stop control; answers ControlService's error code (0 on success).
    DWORD SendStop();

private:
    std::string name_;
};
