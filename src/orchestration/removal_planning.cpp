#include "orchestration/removal_planning.h"

#include <cstdarg>
#include <cstdio>

const char* const kConfirmRemovalCaption = "Confirm Removal";
const char* const kClientDependantsCaption = "Some installed components depend on the client";

namespace {

std::string Formatted(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(&text[0], text.size() + 1, format, arguments);
    va_end(arguments);
    return text;
}

} // namespace

std::string RemoveSelectionQuestion(const std::set<ZEMProduct*>& selection)
{
    if (selection.size() == 1)
        return "Are you sure you want to remove \"" + (*selection.begin())->Name() + "\"?";
    return Formatted("Are you sure you want to remove the %d selected components?", static_cast<int>(selection.size()));
}

std::string RemoveAllQuestion(size_t listed)
{
    return Formatted("Are you sure you want to remove all %d installed components?", static_cast<int>(listed));
}

RemovalPlan PlanRemoval(const std::set<ZEMProduct*>& chosen, const std::set<ZEMProduct*>& installed,
                        const ProductCatalogue& catalogue)
{
    auto isInstalled = [&](ProductKind kind) {
        ZEMProduct* product = catalogue.Get(kind);
        return product && installed.count(product) != 0;
    };
    std::set<ZEMProduct*> selection = chosen;
    auto isChosen = [&](ProductKind kind) {
        ZEMProduct* product = catalogue.Get(kind);
        return product && selection.count(product) != 0;
    };

    RemovalPlan plan;
    // Relays and servers keep their configuration in the client: removing it
    // under an installed one that stays would break it.
    if (isChosen(ProductKind::Client) && ((isInstalled(ProductKind::Relay) && !isChosen(ProductKind::Relay)) ||
                                          (isInstalled(ProductKind::Server) && !isChosen(ProductKind::Server)))) {
        plan.refusal = "Removing the client will destroy relay and server configuration.\r\n"
                       "In order to remove the client, you must also remove the following components:\r\n\r\n";
        if (isInstalled(ProductKind::Relay))
            plan.refusal += catalogue.Get(ProductKind::Relay)->Name() + "\r\n";
        if (isInstalled(ProductKind::Server))
            plan.refusal += catalogue.Get(ProductKind::Server)->Name() + "\r\n";
        return plan;
    }

    if (isChosen(ProductKind::Client) && isInstalled(ProductKind::LoggingService))
        selection.insert(catalogue.Get(ProductKind::LoggingService));
    if (isChosen(ProductKind::LoggingService) && isInstalled(ProductKind::DLP))
        selection.insert(catalogue.Get(ProductKind::DLP));

    plan.order = catalogue.InRemovalOrder(selection);
    return plan;
}
