#include "products/console_product.h"

#include "products/app_paths.h"
#include "remove/file_removal.h"
#include "remove/known_folders.h"
#include "remove/lookups.h"
#include "remove/registry_removal.h"

using Remove::LineEnd;

namespace {

const char* const kConsoleUserKey = "Software\\Varnek\\Enterprise Console";

} // namespace

ConsoleProduct::ConsoleProduct(Remove::Log* log)
    : RecipeProduct(log, "Varnek Console",
                    {"Varnek Enterprise Console", "\xBBVarnek Enterprise Console\xAB",
                     "Varnek for Halden Sentry Console", "OEP Console", "Orrin Endpoint Platform Console"})
{
}

void ConsoleProduct::ChooseAppDataFolder()
{
    if (appDataFolder_)
        return;
    OptionalString localAppData = Windows::LocalAppDataFolder();
    if (!localAppData) {
        Out() << "Cannot determine the application data directory (old operating system?)." << LineEnd;
        return;
    }
    appDataFolder_ = *localAppData + "\\Varnek\\Enterprise Console";
    Out() << "Setting app data path to \"" << *appDataFolder_ << "\"" << LineEnd;
}

bool ConsoleProduct::Detect()
{
    Out().DetectingBanner(Name());
    Remove::RegistrationReadScope oneRead;
    ProbeEdition();
    ChooseDefaultFolder("\\Varnek Enterprise\\ZEM Console");
    ChooseAppDataFolder();
    installed = false;
    Evidence evidence;
    evidence << ResolveInstallFolder(ProductName(), HKEY_LOCAL_MACHINE, ZEM_APP_PATHS "ZEMConsole.exe", "Path");
    evidence << ResolveVersion(ProductName(), "ZEMConsole.exe");
    evidence << IsInstallerProductPresent(ProductName());
    evidence << IsUninstallEntryPresent(ProductName());
    evidence << Remove::CheckRegistryKey(HKEY_CURRENT_USER, kConsoleUserKey, Out());
    if (appDataFolder_)
        evidence << Remove::CheckFile(*appDataFolder_, Out());
    installed = evidence.Any();
    return installed;
}

bool ConsoleProduct::Remove()
{
    Out().RemovingBanner(Name());
    StandardUninstall(" /s /z\"uninstall\"");
    CleanupTally tally;
    if (installFolder_)
        tally << Remove::DeleteDirectory(*installFolder_, Out());
    if (appDataFolder_)
        tally << Remove::DeleteDirectory(*appDataFolder_, Out());
    tally << Remove::DeleteRegistryKey(HKEY_CURRENT_USER, kConsoleUserKey, Out());
    tally << Remove::DeleteInstallerProductEntries(ProductName(), Out());
    tally << Remove::DeleteUninstallEntries(ProductName(), Out());
    return tally.AllSucceeded();
}
