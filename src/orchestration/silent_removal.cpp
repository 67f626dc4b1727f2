#include "orchestration/silent_removal.h"

#include "orchestration/command_line.h"
#include "remove/lookups.h"

#include <windows.h>

#include <set>
#include <utility>

const char* const kSilentHelpText =
    "To remove ZEM components silently\n"
    "the /silent switch must be used with one of the following:\n"
    "    /all - all ZEM components\n"
    "    /server - Varnek Enterprise Server\n"
    "    /console - Varnek Enterprise Console\n"
    "    /client - Varnek Enterprise Client\n"
    "    /loggingservice - Varnek Client Logging Service\n"
    "    /dlp - Varnek DLP\n"
    "    /msde - Microsoft SQL Desktop Engine\n"
    "    /database - Varnek Enterprise Database\n"
    "    /generator - Varnek Enterprise Suite Installation Generator\n"
    "    /api - Varnek Platform API";

const char* const kClientRuleText = "Without the '/force' option,  the '/client' option cannot be specified unless "
                                    "both the '/relay' and '/server' options are specified.";

namespace {

// Each product's switch, in the order the switches are looked at (and the
// products detected for the first time).
const std::pair<ProductKind, const char*> kSwitches[] = {
    {ProductKind::PlatformAPI, "/api"},        {ProductKind::Console, "/console"},
    {ProductKind::Server, "/server"},          {ProductKind::Relay, "/relay"},
    {ProductKind::DLP, "/dlp"},                {ProductKind::LoggingService, "/loggingservice"},
    {ProductKind::Client, "/client"},          {ProductKind::Databases, "/database"},
    {ProductKind::Installers, "/generator"},   {ProductKind::MSDE, "/msde"},
};

const char* const kRootsName = "Varnek root folders and registry keys";

// The plan of a /detect run: what the removal would take, in its order.
int WritePlan(const ProductCatalogue& products, const std::set<ZEMProduct*>& selection, bool seen, Remove::Log& log,
              const SilentRemovalHost& host)
{
    bool wouldRemove = false;
    bool wouldRemain = false;
    for (ZEMProduct* product : products.InOrder(kRemovalOrder)) {
        if (!product->installed)
            continue;
        if (selection.count(product) != 0) {
            log << "Would remove: " << product->Name() << Remove::LineEnd;
            wouldRemove = true;
        } else {
            wouldRemain = true;
        }
    }
    // Provided every removal succeeds, as the second detection would tell,
    // and only when there is something to remove.
    if (!wouldRemain && host.suiteRootsRemain && host.suiteRootsRemain()) {
        log << "Would remove: " << kRootsName << Remove::LineEnd;
        wouldRemove = true;
    }
    if (!seen) {
        host.showMessage(kSilentHelpText, MB_OK);
        return kSilentInvalidArguments;
    }
    return wouldRemove ? kPlanWouldRemove : kPlanNothingToRemove;
}

} // namespace

int RunSilentRemoval(const std::string& arguments, const ProductCatalogue& products, Remove::Log& log,
                     const SilentRemovalHost& host)
{
    const bool all = HasSwitch(arguments, "/all");
    const bool force = HasSwitch(arguments, "/force");
    bool seen = false;
    std::set<ZEMProduct*> selection;

    {
        // Nothing changes the machine during this first pass: the products
        // read the registration stores once between them.
        Remove::RegistrationReadScope detectionPass;
        for (const auto& entry : kSwitches) {
            ZEMProduct* product = products.Get(entry.first);
            if (!product)
                continue;
            if (all || HasSwitch(arguments, entry.second)) {
                selection.insert(product);
                seen = true;
            }
            product->Detect();
        }
    }

    auto selected = [&](ProductKind kind) {
        ZEMProduct* product = products.Get(kind);
        return product && selection.count(product) != 0;
    };
    auto select = [&](ProductKind kind) {
        if (ZEMProduct* product = products.Get(kind))
            selection.insert(product);
    };

    // The rule looks at the switches only, not at what is installed.
    if (!force && selected(ProductKind::Client) && !(selected(ProductKind::Relay) && selected(ProductKind::Server))) {
        host.showMessage(kClientRuleText, MB_ICONERROR);
        return kSilentInvalidArguments;
    }

    if (selected(ProductKind::Client))
        select(ProductKind::LoggingService);
    if (selected(ProductKind::LoggingService))
        select(ProductKind::DLP);

    if (HasSwitch(arguments, "/detect"))
        return WritePlan(products, selection, seen, log, host);

    bool remaining = false;
    bool selectedRemains = false;
    for (ZEMProduct* product : products.InOrder(kRemovalOrder)) {
        const bool chosen = selection.count(product) != 0;
        if (product->installed && chosen && !product->Remove())
            log << "One or more steps in the removal of \"" << product->Name() << "\" has failed." << Remove::LineEnd;
        product->Detect();
        if (product->installed) {
            remaining = true;
            selectedRemains = selectedRemains || chosen;
        }
    }

    if (!remaining) {
        // The same lines as the dialog writes before its root clean-up.
        log << Remove::LineEnd << "No more products installed. Removing root folders and reg keys..."
            << Remove::LineEnd;
        log.RemovingBanner(kRootsName);
        host.removeSuiteRoots(log);
    }

    if (!seen) {
        host.showMessage(kSilentHelpText, MB_OK);
        return kSilentInvalidArguments;
    }
    return selectedRemains ? kSilentComponentRemains : kSilentSucceeded;
}
