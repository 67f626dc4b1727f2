// Delivery of list-model change notifications without letting an exception out.
#pragma once

#include "support/caught_exception.h"
#include "support/crash_dump.h"

#include <memory>
#include <utility>

// The process-wide slot for an exception raised while a notification was
// delivered; the front end empties and rethrows it. Written on the UI thread.
void StorePendingException(std::unique_ptr<CaughtException> caught);
std::unique_ptr<CaughtException> TakePendingException();

// Runs `deliver`; a UserCancelled is dropped, anything else is captured into the
// pending slot, replacing what was stored there. An object thrown during the
// delivery itself may leave a crash dump, written at the throw; the handlers
// here are outside that scope.
template <typename Deliver>
void DeliverNotification(Deliver&& deliver) noexcept
{
    try {
        WindowsPlatform::NotificationDumpScope dumpsAtThrow;
        std::forward<Deliver>(deliver)();
    } catch (const UserCancelled&) {
    } catch (...) {
        try {
            StorePendingException(CaptureCurrentException());
        } catch (...) {
            // Out of memory while capturing: nothing more can be kept.
        }
    }
}
