#include "products/dlp_product.h"

#include "products/app_paths.h"
#include "remove/file_removal.h"
#include "remove/file_version.h"
#include "remove/lookups.h"
#include "remove/registry_removal.h"
#include "remove/registry_values.h"
#include "remove/uninstaller_runner.h"

using Remove::LineEnd;

namespace {

const char* const kDLPKey = "SOFTWARE\\Varnek\\DLP";
const char* const kControlProgram = "\\ZEMTightlidCtrl.exe";

} // namespace

DLPProduct::DLPProduct(Remove::Log* log) : RecipeProduct(log, "Varnek DLP", {}) {}

bool DLPProduct::ResolveDLPFolder()
{
    installFolder_.reset();
    // Always the suite's own client name, whatever edition the client has.
    OptionalString clientFolder = NonEmptyFolder(Remove::FindInstallLocation("Varnek Enterprise Client", Out()));
    if (!clientFolder)
        clientFolder =
            NonEmptyFolder(Windows::TryReadRegistryString(HKEY_LOCAL_MACHINE, ZEM_APP_PATHS "ZEMClient.exe", "Path"));
    if (clientFolder) {
        installFolder_ = *clientFolder + "\\DLP";
    } else if (defaultFolder_) {
        installFolder_ = defaultFolder_;
        Out() << "Actual client install directory could not be determined, using default directory \""
              << *defaultFolder_ << "\"" << LineEnd;
    }
    return installFolder_ ? Remove::CheckFile(*installFolder_, Out()) : false;
}

bool DLPProduct::ResolveDLPVersion()
{
    version_.reset();
    if (installFolder_)
        version_ = Remove::ReadFileVersion(*installFolder_ + kControlProgram, Out());
    return version_.has_value();
}

bool DLPProduct::Detect()
{
    Out().DetectingBanner(Name());
    Remove::RegistrationReadScope oneRead;
    ChooseDefaultFolder("\\Varnek Enterprise\\ZEM Client\\DLP");
    installed = false;
    Evidence evidence;
    evidence << ResolveDLPFolder();
    evidence << ResolveDLPVersion();
    evidence << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, kDLPKey, Out());
    installed = evidence.Any();
    return installed;
}

bool DLPProduct::Remove()
{
    Out().RemovingBanner(Name());
    if (installFolder_ && Remove::CheckFile(*installFolder_ + kControlProgram, Out()))
        Remove::RunUninstaller(*installFolder_ + kControlProgram + " -u", "Varnek DLP", Out());
    CleanupTally tally;
    if (installFolder_)
        tally << Remove::DeleteDirectory(*installFolder_, Out());
    tally << Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, kDLPKey, Out());
    return tally.AllSucceeded();
}
