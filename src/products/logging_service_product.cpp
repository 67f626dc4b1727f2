#include "products/logging_service_product.h"

#include "remove/file_removal.h"
#include "remove/lookups.h"
#include "remove/registry_removal.h"
#include "remove/uninstaller_runner.h"

using Remove::LineEnd;

namespace {

const char* const kRegisteredName = "ZEM Logging Service";
const char* const kLoggingServiceKey = "SOFTWARE\\Varnek\\LoggingService";

} // namespace

LoggingServiceProduct::LoggingServiceProduct(Remove::Log* log)
    : RecipeProduct(log, "Varnek Client Logging Service", {})
{
}

bool LoggingServiceProduct::Detect()
{
    Out().DetectingBanner(Name());
    Remove::RegistrationReadScope oneRead;
    ChooseDefaultFolder("\\Varnek Enterprise\\ZEM Client\\ZEMClientLoggingService");
    installed = false;
    Evidence evidence;
    evidence << ResolveInstallFolder(kRegisteredName);
    evidence << IsInstallerProductPresent(kRegisteredName);
    evidence << IsUninstallEntryPresent(kRegisteredName);
    evidence << ResolveVersion(kRegisteredName, nullptr);
    evidence << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, kLoggingServiceKey, Out());
    installed = evidence.Any();
    return installed;
}

bool LoggingServiceProduct::Remove()
{
    Out().RemovingBanner(Name());
    // The service's own command is preferred and run unchanged.
    OptionalString command =
        Remove::FindUninstallStringInKey(HKEY_LOCAL_MACHINE, kLoggingServiceKey, "UninstallCmdLine", Name(), Out());
    if (!command) {
        OptionalString uninstallString = Remove::FindUninstallString(kRegisteredName, Out());
        if (uninstallString)
            command = WithInstallerRemoveSwitch(*uninstallString) + " /qn REBOOT=REALLYSUPPRESS";
    }
    if (command) {
        Remove::RunUninstaller(*command, Name(), Out());
        if (RegistrationRemains(kRegisteredName)) {
            Out() << "Installation information still exists!  Uninstall appears unsuccessful." << LineEnd;
            return false;
        }
    }
    CleanupTally tally;
    if (installFolder_)
        tally << Remove::DeleteDirectory(*installFolder_, Out());
    tally << Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, kLoggingServiceKey, Out());
    tally << Remove::DeleteInstallerProductEntries(kRegisteredName, Out());
    tally << Remove::DeleteUninstallEntries(kRegisteredName, Out());
    return tally.AllSucceeded();
}
