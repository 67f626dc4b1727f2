// Every recipe on a machine where its component is fully installed, and on one
// where nothing of it is: found, removed with every step succeeding, gone.
#include "products/recipe_test_support.h"
#include "products/suite_products.h"
#include "testkit/scratch.h"

#include <functional>

using namespace MachineState;

namespace {

struct FullInstall {
    ProductKind kind;
    std::function<void(const std::string& record)> install;
};

std::string Under(const char* folder)
{
    return ProgramFiles32() + "\\Varnek Enterprise\\" + folder;
}

// An Uninstall entry and an installer registration for `name`, with an
// uninstaller that removes both, as a setup would register itself.
void Register(const std::string& name, const std::string& folder, const std::string& record,
              const std::string& tail = std::string())
{
    std::string entry = AddUninstallEntry({name, "7.1.1.315", folder, ""});
    std::string product = AddInstallerProduct(name);
    SetTestString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry, "UninstallString",
              RecorderCommand(record, entry, product, tail));
}

const char* const kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

const FullInstall kFullInstalls[] = {
    {ProductKind::Client,
     [](const std::string& record) {
         MakeFile(Under("ZEM Client") + "\\ZEMClient.exe");
         Register("Varnek Enterprise Client", Under("ZEM Client"), record);
         SetTestString(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "ZEMClient.exe", "Path", Under("ZEM Client"));
         for (const char* key : {"SOFTWARE\\Varnek\\ClientComplianceAPI", "SOFTWARE\\Varnek\\EnterpriseClient",
                                 "SOFTWARE\\Varnek, Inc.\\Varnek Enterprise Client"})
             CreateTestKey(HKEY_LOCAL_MACHINE, key);
     }},
    {ProductKind::Console,
     [](const std::string& record) {
         MakeFile(Under("ZEM Console") + "\\ZEMConsole.exe");
         Register("Varnek Enterprise Console", Under("ZEM Console"), record);
         CreateTestKey(HKEY_CURRENT_USER, "Software\\Varnek\\Enterprise Console");
         MakeFile(LocalAppData() + "\\Varnek\\Enterprise Console\\layout.xml");
     }},
    {ProductKind::Relay,
     [](const std::string& record) {
         MakeFile(Under("ZEM Relay") + "\\ZEMRelay.exe");
         Register("Varnek Enterprise Relay", Under("ZEM Relay"), record);
         SetTestString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\Enterprise Server", "RelayVersion", "7.1");
         CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ZEMRelay");
     }},
    {ProductKind::Server,
     [](const std::string& record) {
         MakeFile(Under("ZEM Server") + "\\ZEMRootServer.exe");
         MakeFile(Under("ZEM Server") + "\\wwwrootzem\\vnsites\\index.html");
         Register("Varnek Enterprise Server", Under("ZEM Server"), record);
         SetTestString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\Enterprise Server", "wwwRootFolder",
                   Under("ZEM Server") + "\\wwwrootzem");
         for (const char* key : {"SOFTWARE\\Varnek\\Varnek Server", "SOFTWARE\\Varnek\\VNEAdmin"})
             CreateTestKey(HKEY_LOCAL_MACHINE, key);
     }},
    {ProductKind::DLP,
     [](const std::string&) {
         AddUninstallEntry({"Varnek Enterprise Client", "", Under("ZEM Client"), ""});
         MakeFile(Under("ZEM Client") + "\\DLP\\rules.dat");
         CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\DLP");
     }},
    {ProductKind::LoggingService,
     [](const std::string& record) {
         MakeFile(Under("ZEM Client") + "\\ZEMClientLoggingService\\ZEMLog.exe");
         Register("ZEM Logging Service", Under("ZEM Client") + "\\ZEMClientLoggingService", record,
                  "MsiExec.exe /I{5}");
         CreateTestKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\LoggingService");
     }},
    {ProductKind::Installers,
     [](const std::string& record) {
         MakeFile(Under("Installation Generator") + "\\Generator.exe");
         Register("Varnek Enterprise Suite Installation Generator", "", record);
         SetTestString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ZEM Installation Generator", "InstallFolder",
                   Under("Installation Generator"));
     }},
    {ProductKind::PlatformAPI,
     [](const std::string& record) { Register("Varnek Enterprise Server API", "", record, "{6D1F0000-0000-0000-0000-000000000001}"); }},
    {ProductKind::MSDE,
     [](const std::string& record) {
         std::string entry = AddUninstallEntry({"Microsoft SQL Server Desktop Engine", "8.00.761", "", ""});
         SetTestString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + entry, "UninstallString",
                   RecorderCommand(record, entry, "", "MsiExec.exe /I{E09B48B5}"));
     }},
};

} // namespace

TEST(EveryRecipe, FullyInstalledIsFoundRemovedWithEveryStepAndThenGone)
{
    for (const FullInstall& full : kFullInstalls) {
        CleanSuiteMachine clean;
        ScratchFolder scratch;
        RecordingLog log;
        SuiteProducts products(&log);
        ZEMProduct* product = products.Catalogue().Get(full.kind);
        SCOPED_TRACE(product->Name());
        full.install(scratch / "uninstaller");

        ASSERT_TRUE(product->Detect());
        EXPECT_TRUE(product->Remove()) << log.Text();
        EXPECT_FALSE(product->Detect()) << log.Text();
    }
}

TEST(EveryRecipe, NothingInstalledIsNotFoundAndEveryDetectionOpensWithItsBanner)
{
    CleanSuiteMachine clean;
    RecordingLog log;
    SuiteProducts products(&log);
    for (ProductKind kind : kCreationOrder) {
        ZEMProduct* product = products.Catalogue().Get(kind);
        if (!product)
            continue;
        SCOPED_TRACE(product->Name());
        log.Clear();
        EXPECT_FALSE(product->Detect()) << log.Text();
        ASSERT_GE(log.Lines().size(), 4u);
        EXPECT_EQ(log.Lines()[2], "* Detecting " + std::string(DefaultProductName(kind)));
        std::string text = log.Text();
        auto count = [&text](const std::string& word) {
            size_t n = 0;
            for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
                ++n;
            return n;
        };
        EXPECT_EQ(count("found"), count("not found")) << "every look-up answers not found\n" << text;
    }
}
