#include "products/server_product.h"

#include "products/server_keys.h"
#include "remove/file_removal.h"
#include "remove/lookups.h"
#include "remove/registry_values.h"
#include "remove/services.h"

using Remove::LineEnd;

ServerProduct::ServerProduct(Remove::Log* log)
    : RecipeProduct(log, "Varnek Server",
                    {"Varnek Enterprise Server", "\xBBVarnek Enterprise Server\xAB", "Varnek for Halden Sentry Server",
                     "OEP Server", "Orrin Endpoint Platform Server"})
{
}

void ServerProduct::ChooseDefaultFolders()
{
    if (defaultFolder_ && defaultWebFolder_)
        return;
    OptionalString folder = ProgramFilesPath("\\Varnek Enterprise\\ZEM Server");
    if (!folder) {
        Out() << "Cannot determine default install directory (old operating system?)." << LineEnd;
        return;
    }
    defaultFolder_ = folder;
    Out() << "Setting default path to \"" << *defaultFolder_ << "\"" << LineEnd;
    defaultWebFolder_ = *folder + "\\wwwrootzem";
    Out() << "Setting default www path to \"" << *defaultWebFolder_ << "\"" << LineEnd;
}

bool ServerProduct::ResolveWebFolder()
{
    webFolder_ = NonEmptyFolder(Windows::TryReadRegistryString(HKEY_LOCAL_MACHINE, kEnterpriseServerKey, "wwwRootFolder"));
    if (!webFolder_ && defaultWebFolder_) {
        webFolder_ = defaultWebFolder_;
        Out() << "Actual www install directory could not be determined, using default directory \""
              << *defaultWebFolder_ << "\"" << LineEnd;
    }
    if (!webFolder_) {
        Out() << "Failed to determine the installation directory." << LineEnd;
        return false;
    }
    return Remove::CheckFile(*webFolder_, Out());
}

bool ServerProduct::Detect()
{
    Out().DetectingBanner(Name());
    Remove::RegistrationReadScope oneRead;
    ProbeEdition();
    ChooseDefaultFolders();
    version_ = Remove::FindDisplayVersion(ProductName(), Out());
    installed = false;
    Evidence evidence;
    evidence << ResolveInstallFolder(ProductName(), HKEY_LOCAL_MACHINE, kEnterpriseServerKey, "EnterpriseServerFolder");
    evidence << ResolveWebFolder();
    evidence << IsInstallerProductPresent(ProductName());
    evidence << IsUninstallEntryPresent(ProductName());
    evidence << ServerKeysPresent(Out());
    installed = evidence.Any();
    return installed;
}

bool ServerProduct::DeleteWebSubfolders()
{
    if (!webFolder_)
        return true;
    CleanupTally tally;
    for (const char* subfolder : {"\\vnmirror", "\\vnsites", "\\cgi-bin", "\\masthead", "\\templates"})
        tally << Remove::DeleteDirectory(*webFolder_ + subfolder, Out());
    return tally.AllSucceeded();
}

bool ServerProduct::Remove()
{
    Out().RemovingBanner(Name());
    StandardUninstall(" /s /z\"uninstall\"");
    CleanupTally tally;
    tally << Remove::DeleteUninstallEntries(ProductName(), Out());
    tally << Remove::DeleteInstallerProductEntries(ProductName(), Out());
    for (const char* service : {"ZEMWebReportsServer", "CollectDB", "LoadDB", "ZEMRootServer", "ZEMGather"})
        tally << Remove::DeleteService(service, Out());
    if (installFolder_)
        tally << Remove::DeleteDirectory(*installFolder_, Out());
    tally << DeleteWebSubfolders();
    tally << DeleteServerKeys(Out());
    return tally.AllSucceeded();
}
