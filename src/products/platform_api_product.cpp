#include "products/platform_api_product.h"

#include "remove/lookups.h"
#include "remove/uninstaller_runner.h"

using Remove::LineEnd;

namespace {

const char* const kResponseTemplate = "[{guid}-DlgOrder]\r\n"
                                      "Dlg0={guid}-MessageBox-0\r\n"
                                      "Count=2\r\n"
                                      "Dlg1={guid}-SdFinish-0\r\n"
                                      "[{guid}-MessageBox-0]\r\n"
                                      "Result=6\r\n"
                                      "[{guid}-SdFinish-0]\r\n"
                                      "Result=1\r\n"
                                      "bOpt1=0\r\n"
                                      "bOpt2=0\r\n";

} // namespace

OptionalString PlatformAPIResponse(const std::string& uninstallString)
{
    size_t open = uninstallString.find('{');
    size_t close = uninstallString.find('}');
    if (open == std::string::npos || close == std::string::npos || open > close)
        return std::nullopt;
    const std::string productCode = uninstallString.substr(open, close - open + 1);
    const std::string placeholder = "{guid}";
    std::string text = kResponseTemplate;
    for (size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + productCode.size()))
        text.replace(at, placeholder.size(), productCode);
    return text;
}

PlatformAPIProduct::PlatformAPIProduct(Remove::Log* log)
    : RecipeProduct(log, "Varnek Platform API",
                    {"Varnek Enterprise Server API", "Varnek Enterprise Suite API",
                     "\xBBVarnek Enterprise Server API\xAB", "Varnek for Halden Sentry API", "OEP Suite API",
                     "Orrin Endpoint Platform Server API"})
{
}

bool PlatformAPIProduct::Detect()
{
    Out().DetectingBanner(Name());
    Remove::RegistrationReadScope oneRead;
    ProbeEdition();
    version_ = Remove::FindDisplayVersion(ProductName(), Out());
    installed = false;
    Evidence evidence;
    evidence << IsUninstallEntryPresent(ProductName());
    evidence << IsInstallerProductPresent(ProductName());
    installed = evidence.Any();
    return installed;
}

bool PlatformAPIProduct::WritePlatformAPIResponseFile(const std::string& uninstallString, const std::string& path)
{
    Out() << "Creating install shield response file...";
    OptionalString response = PlatformAPIResponse(uninstallString);
    if (!response) {
        Out() << "Couldn't find GUID in uninstall string" << LineEnd;
        return false;
    }
    return WriteResponseBody(path, *response);
}

bool PlatformAPIProduct::Remove()
{
    Out().RemovingBanner(Name());
    OptionalString uninstallString = Remove::FindUninstallString(ProductName(), Out());
    if (uninstallString) {
        TemporaryFile responseFile;
        if (!WritePlatformAPIResponseFile(*uninstallString, responseFile.Path()))
            return false;
        Remove::RunUninstaller(*uninstallString + " -s -f1\"" + responseFile.Path() + "\"", ProductName(), Out());
        if (RegistrationRemains(ProductName())) {
            Out() << "Installation information still exists!  Uninstall appears unsuccessful." << LineEnd;
            return false;
        }
    }
    CleanupTally tally;
    tally << Remove::DeleteInstallerProductEntries(ProductName(), Out());
    tally << Remove::DeleteUninstallEntries(ProductName(), Out());
    return tally.AllSucceeded();
}
