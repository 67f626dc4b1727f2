// Service control against real services registered with Wine's service
// control manager (test_service.exe in its various stop behaviours).
#include "remove/services.h"

#include "support/platform_seam.h"
#include "support/windows_error.h"
#include "testkit/recording_log.h"
#include "testkit/registered_service.h"
#include "testkit/scratch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using WindowsPlatform::SeamCall;

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

std::string ErrorText(DWORD code)
{
    return Windows::Error(code).what();
}

std::string StoppingLine(const std::string& name, const std::string& ending)
{
    return "Stopping service \"" + name + "\"..." + ending + "\r\n";
}

} // namespace

TEST(ServiceControl, MissingServiceIsAnAnswerForEveryOperation)
{
    const std::string name = UniqueTestName("zemsvc_missing");
    struct Case {
        const char* operation;
        bool (*call)(const std::string&, Remove::Log&);
        bool expected;
        std::string transcript;
    } cases[] = {
        {"CheckService", Remove::CheckService, false,
         "Checking for service \"" + name + "\"...service does not exist\r\n"},
        {"StopService", Remove::StopService, true, StoppingLine(name, "service does not exist")},
        {"DeleteService", Remove::DeleteService, true,
         StoppingLine(name, "service does not exist") + "Deleting service \"" + name +
             "\"...service does not exist\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        RecordingLog log;
        EXPECT_EQ(c.call(name, log), c.expected);
        EXPECT_EQ(log.Text(), c.transcript);
    }
}

TEST(ServiceControl, CheckServiceIsTrueOnlyForARunningService)
{
    RegisteredService running("normal");
    running.Start();
    RegisteredService stopped("normal");

    RecordingLog log;
    EXPECT_TRUE(Remove::CheckService(running.Name(), log));
    EXPECT_FALSE(Remove::CheckService(stopped.Name(), log));
    EXPECT_EQ(log.Text(), "Checking for service \"" + running.Name() + "\"...service is running\r\n" +
                              "Checking for service \"" + stopped.Name() + "\"...service not running\r\n");
}

TEST(ServiceControl, StopServiceWaitsAsLongAsTheServiceTakes)
{
    struct Case {
        const char* mode;
        bool expected;
        std::string ending;
        DWORD stateAfter;
    } cases[] = {
        {"normal", true, "stopped", SERVICE_STOPPED},
        {"slow350", true, ".stopped", SERVICE_STOPPED},
        {"refuse", false, "error encountered: " + ErrorText(ERROR_INVALID_SERVICE_CONTROL), SERVICE_RUNNING},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        RegisteredService service(c.mode);
        service.Start();
        RecordingLog log;
        EXPECT_EQ(Remove::StopService(service.Name(), log), c.expected);
        EXPECT_EQ(log.Text(), StoppingLine(service.Name(), c.ending));
        EXPECT_EQ(service.State(), c.stateAfter);
    }
}

TEST(ServiceControl, StopServiceAbandonsAServiceThatNeverStopsAfterTenDots)
{
    RegisteredService service("never");
    service.Start();
    RecordingLog log;
    EXPECT_FALSE(Remove::StopService(service.Name(), log));
    EXPECT_EQ(log.Text(), StoppingLine(service.Name(), "..........abandoning wait.  Service not stopped."));
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOP_PENDING));
}

TEST(ServiceControl, StopServiceOnAStoppedServiceSendsNothing)
{
    RegisteredService service("normal");
    RecordingLog log;
    EXPECT_TRUE(Remove::StopService(service.Name(), log));
    EXPECT_EQ(log.Text(), StoppingLine(service.Name(), "service is already stopped"));
}

TEST(ServiceControl, StopPendingServiceGetsNoSecondStopControl)
{
    // A second stop control to a stopping service is refused by the manager,
    // so an error line here would mean one was sent.
    RegisteredService service("slow350");
    service.Start();
    ASSERT_EQ(service.SendStop(), 0u);
    ASSERT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOP_PENDING));

    RecordingLog log;
    EXPECT_TRUE(Remove::StopService(service.Name(), log));
    EXPECT_EQ(log.Text(), StoppingLine(service.Name(), ".stopped"));
}

TEST(ServiceControl, ServiceThatStopsByItselfBeforeTheControlIsStillWaitedFor)
{
    // The manager answers 1062 when the service ended between our status query
    // and the stop control; the wait confirms the stop instead of an error.
    RegisteredService service("selfstop");
    service.Start();
    WindowsPlatform::ScopedFailure notActive(SeamCall::ControlService, ERROR_SERVICE_NOT_ACTIVE);

    RecordingLog log;
    EXPECT_TRUE(Remove::StopService(service.Name(), log));
    EXPECT_THAT(log.Text(), StartsWith("Stopping service \"" + service.Name() + "\"..."));
    EXPECT_THAT(log.Text(), EndsWith("stopped\r\n"));
    EXPECT_THAT(log.Text(), Not(HasSubstr("error")));
    EXPECT_EQ(notActive.Hits(), 1);
}

TEST(ServiceControl, DeleteServiceStopsThenDeletes)
{
    RegisteredService service("normal");
    service.Start();
    RecordingLog log;
    EXPECT_TRUE(Remove::DeleteService(service.Name(), log));
    EXPECT_EQ(log.Text(),
              StoppingLine(service.Name(), "stopped") + "Deleting service \"" + service.Name() + "\"...done\r\n");
    EXPECT_TRUE(WaitUntil([&] { return !service.Exists(); }, 5000));
}

TEST(ServiceControl, DeleteServiceLeavesAServiceThatWouldNotStop)
{
    RegisteredService service("refuse");
    service.Start();
    RecordingLog log;
    EXPECT_FALSE(Remove::DeleteService(service.Name(), log));
    EXPECT_EQ(log.Text(), StoppingLine(service.Name(),
                                       "error encountered: " + ErrorText(ERROR_INVALID_SERVICE_CONTROL)));
    EXPECT_TRUE(service.Exists());
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST(ServiceControl, DeleteServiceFailureIsItsOwnLine)
{
    // A service already marked for deletion stays registered while someone
    // holds a handle to it, and a second deletion is refused.
    RegisteredService service("normal");
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE held = OpenServiceA(manager, service.Name().c_str(), SERVICE_ALL_ACCESS);
    ASSERT_NE(held, nullptr);
    ASSERT_TRUE(DeleteService(held));

    RecordingLog log;
    bool deleted = Remove::DeleteService(service.Name(), log);
    CloseServiceHandle(held);
    CloseServiceHandle(manager);

    EXPECT_FALSE(deleted);
    EXPECT_EQ(log.Text(), StoppingLine(service.Name(), "service is already stopped") + "Deleting service \"" +
                              service.Name() + "\"...failed to delete service: " +
                              ErrorText(ERROR_SERVICE_MARKED_FOR_DELETE) + "\r\n");
}

TEST(ServiceControl, OpeningFailureEndsTheLineInEachOperationsOwnWay)
{
    // An empty name is refused by the manager with something other than 1060.
    const std::string name;
    const std::string failure = ErrorText(ERROR_INVALID_NAME);
    struct Case {
        const char* operation;
        bool (*call)(const std::string&, Remove::Log&);
        std::string transcript;
    } cases[] = {
        {"CheckService", Remove::CheckService, "Checking for service \"\"..." + failure + "\r\n"},
        {"StopService", Remove::StopService, StoppingLine(name, "error encountered: " + failure)},
        {"DeleteService", Remove::DeleteService, StoppingLine(name, "error encountered: " + failure)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        RecordingLog log;
        EXPECT_FALSE(c.call(name, log));
        EXPECT_EQ(log.Text(), c.transcript);
    }
}
