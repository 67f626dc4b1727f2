#include "products/installers_product.h"

#include "remove/file_removal.h"
#include "remove/lookups.h"
#include "remove/registry_removal.h"

using Remove::LineEnd;

namespace {

const char* const kGeneratorKey = "SOFTWARE\\Varnek\\ZEM Installation Generator";

} // namespace

InstallersProduct::InstallersProduct(Remove::Log* log)
    : RecipeProduct(log, "Varnek Deployment Installer",
                    {"Varnek Enterprise Suite Installation Generator",
                     "\xBBVarnek Enterprise Suite Installation Generator\xAB",
                     "Varnek for Halden Sentry Installation Generator", "OEP Installation Generator",
                     "Orrin Endpoint Platform Installation Generator"})
{
}

bool InstallersProduct::ResolveGeneratorFolder()
{
    installFolder_ =
        NonEmptyFolder(Remove::FindInstallLocationInKey(HKEY_LOCAL_MACHINE, kGeneratorKey, "InstallFolder", Out()));
    if (!installFolder_) {
        Out() << "Failed to determine the installation directory." << LineEnd;
        return false;
    }
    return Remove::CheckFile(*installFolder_, Out());
}

bool InstallersProduct::Detect()
{
    Out().DetectingBanner(Name());
    Remove::RegistrationReadScope oneRead;
    ProbeEdition();
    installed = false;
    Evidence evidence;
    evidence << ResolveGeneratorFolder();
    evidence << ResolveVersion(ProductName(), nullptr);
    evidence << IsInstallerProductPresent(ProductName());
    evidence << IsUninstallEntryPresent(ProductName());
    evidence << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, kGeneratorKey, Out());
    installed = evidence.Any();
    return installed;
}

bool InstallersProduct::Remove()
{
    Out().RemovingBanner(Name());
    StandardUninstall(" /s /z\"uninstall\"");
    CleanupTally tally;
    tally << Remove::DeleteInstallerProductEntries(ProductName(), Out());
    tally << Remove::DeleteUninstallEntries(ProductName(), Out());
    tally << Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, kGeneratorKey, Out());
    if (installFolder_)
        tally << Remove::DeleteDirectory(*installFolder_, Out());
    return tally.AllSucceeded();
}
