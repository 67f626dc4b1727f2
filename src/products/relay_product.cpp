#include "products/relay_product.h"

#include "products/app_paths.h"
#include "products/server_keys.h"
#include "remove/file_removal.h"
#include "remove/lookups.h"
#include "remove/registry_removal.h"
#include "remove/services.h"

RelayProduct::RelayProduct(Remove::Log* log)
    : RecipeProduct(log, "Varnek Relay",
                    {"Varnek Enterprise Relay", "\xBBVarnek Enterprise Relay\xAB", "Varnek for Halden Sentry Relay",
                     "OEP Relay", "Orrin Endpoint Platform Relay"})
{
}

bool RelayProduct::Detect()
{
    Out().DetectingBanner(Name());
    Remove::RegistrationReadScope oneRead;
    ProbeEdition();
    ChooseDefaultFolder("\\Varnek Enterprise\\ZEM Relay");
    installed = false;
    Evidence evidence;
    evidence << ResolveInstallFolder(ProductName(), HKEY_LOCAL_MACHINE, ZEM_APP_PATHS "ZEMRelay.exe", "Path");
    evidence << IsInstallerProductPresent(ProductName());
    evidence << IsUninstallEntryPresent(ProductName());
    evidence << Remove::CheckRegistryValue(HKEY_LOCAL_MACHINE, kEnterpriseServerKey, "RelayVersion", Out());
    installed = evidence.Any();
    return installed;
}

bool RelayProduct::Remove()
{
    Out().RemovingBanner(Name());
    if (!SilentInstallShieldUninstall())
        return false;
    CleanupTally tally;
    tally << Remove::DeleteService("ZEMRelay", Out());
    if (installFolder_)
        tally << Remove::DeleteDirectory(*installFolder_, Out());
    tally << DeleteServerKeys(Out());
    tally << Remove::DeleteInstallerProductEntries(ProductName(), Out());
    tally << Remove::DeleteUninstallEntries(ProductName(), Out());
    return tally.AllSucceeded();
}
