#include "products/msde_product.h"

#include "remove/lookups.h"
#include "remove/uninstaller_runner.h"

using Remove::LineEnd;

namespace {

const char* const kMSDEName = "Microsoft SQL Server Desktop Engine";

} // namespace

MSDEProduct::MSDEProduct(Remove::Log* log) : RecipeProduct(log, kMSDEName, {}) {}

bool MSDEProduct::Detect()
{
    Out().DetectingBanner(Name());
    Remove::RegistrationReadScope oneRead;
    installed = Remove::FindUninstallString(kMSDEName, Out()).has_value();
    return installed;
}

bool MSDEProduct::Remove()
{
    Out().RemovingBanner(Name());
    OptionalString uninstallString = Remove::FindUninstallString(kMSDEName, Out());
    if (!uninstallString)
        return true;
    Remove::RunUninstaller(WithInstallerRemoveSwitch(*uninstallString) + " /qn", kMSDEName, Out());
    if (Remove::FindUninstallString(kMSDEName, Out())) {
        Out() << "Uninstall string still exists!  Uninstall appears unsuccessful." << LineEnd;
        return false;
    }
    return true;
}
