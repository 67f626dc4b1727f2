#include "support/notification.h"

namespace {

std::unique_ptr<CaughtException>& PendingSlot()
{
    static std::unique_ptr<CaughtException> slot;
    return slot;
}

} // namespace

void StorePendingException(std::unique_ptr<CaughtException> caught)
{
    PendingSlot() = std::move(caught);
}

std::unique_ptr<CaughtException> TakePendingException()
{
    return std::move(PendingSlot());
}
