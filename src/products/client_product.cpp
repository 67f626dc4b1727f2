#include "products/client_product.h"

#include "products/app_paths.h"
#include "remove/file_removal.h"
#include "remove/lookups.h"
#include "remove/registry_removal.h"
#include "remove/registry_values.h"
#include "remove/services.h"
#include "remove/uninstaller_runner.h"

using Remove::LineEnd;

namespace {

const char* const kHelperServiceKey = "SYSTEM\\CurrentControlSet\\Services\\ZEMClientHelper";
const char* const kHelperKey = "SOFTWARE\\Varnek\\ZEMClientHelper";

} // namespace

ClientProduct::ClientProduct(Remove::Log* log)
    : RecipeProduct(log, "Varnek Client",
                    {"Varnek Enterprise Client", "\xBBVarnek Enterprise Client\xAB", "Varnek for Halden Sentry Client",
                     "OEP Agent", "Orrin Endpoint Platform"})
{
}

bool ClientProduct::Detect()
{
    Out().DetectingBanner(Name());
    Remove::RegistrationReadScope oneRead;
    ProbeEdition();
    ChooseDefaultFolder("\\Varnek Enterprise\\ZEM Client");
    installed = false;
    Evidence evidence;
    evidence << ResolveInstallFolder(ProductName(), HKEY_LOCAL_MACHINE, ZEM_APP_PATHS "ZEMClient.exe", "Path");
    evidence << ResolveVersion(ProductName(), "ZEMClient.exe");
    evidence << IsInstallerProductPresent(ProductName());
    evidence << IsUninstallEntryPresent(ProductName());
    evidence << ClientKeysPresent();
    evidence << HelperPresent();
    installed = evidence.Any();
    return installed;
}

bool ClientProduct::Remove()
{
    Out().RemovingBanner(Name());
    CleanupTally tally;
    if (HelperPresent() && !UninstallHelper()) {
        Out() << "Warning: ZEM Client Helper uninstall failed!  ZEM Client uninstall may fail." << LineEnd;
        tally << false;
    }
    Remove::StopService("ZEMClient", Out());
    if (!SilentInstallShieldUninstall())
        return false;

    tally << Remove::DeleteService("ZEMClient", Out());
    if (installFolder_)
        tally << Remove::DeleteDirectory(*installFolder_, Out());
    tally << DeleteClientKeys();
    tally << Remove::DeleteInstallerProductEntries(ProductName(), Out());
    tally << Remove::DeleteUninstallEntries(ProductName(), Out());
    return tally.AllSucceeded();
}

bool ClientProduct::ClientKeysPresent()
{
    Evidence evidence;
    evidence << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ClientComplianceAPI", Out());
    evidence << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\EnterpriseClient", Out());
    evidence << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek, Inc.\\Varnek Enterprise Client", Out());
    return evidence.Any();
}

bool ClientProduct::DeleteClientKeys()
{
    CleanupTally tally;
    tally << Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\EnterpriseClient", Out());
    tally << Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ClientComplianceAPI", Out());
    tally << Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek, Inc.\\Varnek Enterprise Client", Out());
    return tally.AllSucceeded();
}

bool ClientProduct::HelperPresent()
{
    if (!helperPath_)
        helperPath_ = Windows::TryReadRegistryString(HKEY_LOCAL_MACHINE, kHelperServiceKey, "ImagePath");
    Evidence keys;
    keys << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, kHelperKey, Out());
    keys << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, kHelperServiceKey, Out());
    if (!helperPath_ || helperPath_->size() < 2)
        return keys.Any();

    // A path wholly in quotes is looked for without them; one with arguments
    // after its closing quote is looked for as it stands.
    std::string file = *helperPath_;
    if (file.front() == '"' && file.find_last_of('"') == file.size() - 1)
        file = file.substr(1, file.size() - 2);
    return Remove::CheckFile(file, Out()) || keys.Any();
}

bool ClientProduct::UninstallHelper()
{
    bool ran = true;
    if (helperPath_)
        ran = Remove::RunUninstaller(*helperPath_ + " -remove", "ZEM Client Helper", Out());
    bool keyDeleted = Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, kHelperKey, Out());
    return ran && keyDeleted;
}
