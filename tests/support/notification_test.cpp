#include "support/notification.h"

#include "support/platform_seam.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(NotificationWrapper, CancelIsDroppedOtherFailuresWaitInThePendingSlot)
{
    // Crash dumps of these throws are tested on their own; here they would only
    // cost time and leave files behind.
    WindowsPlatform::ScopedFailure noDumps(WindowsPlatform::SeamCall::GetProcAddress, ERROR_PROC_NOT_FOUND, "MiniDumpWriteDump");
    TakePendingException();
    DeliverNotification([] { throw UserCancelled(); });
    EXPECT_FALSE(TakePendingException()) << "a cancel leaves no trace";

    DeliverNotification([] { throw std::runtime_error("first"); });
    DeliverNotification([] { throw Windows::Error(ERROR_ACCESS_DENIED); });
    std::unique_ptr<CaughtException> pending = TakePendingException();
    ASSERT_TRUE(pending);
    EXPECT_THROW(pending->rethrow(), Windows::Error) << "a later failure replaces the earlier one";
    EXPECT_FALSE(TakePendingException());

    bool ran = false;
    DeliverNotification([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(TakePendingException());
}
