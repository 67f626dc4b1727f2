#include "orchestration/command_line.h"
#include "orchestration/silent_removal.h"
#include "testkit/recording_log.h"
#include "testkit/scripted_product.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

class SilentRemoval : public ::testing::Test {
protected:
    void SetUp() override
    {
        host_.showMessage = [this](const std::string& text, unsigned flags) {
            messages_.push_back(text);
            flags_.push_back(flags);
        };
        host_.removeSuiteRoots = [this](Remove::Log&) { suite_.Record("root clean-up"); };
        host_.suiteRootsRemain = [this] { return rootsRemain_; };
    }
    ScriptedProduct& Product(ProductKind kind) { return suite_[kind]; }
    // The calls since the last ClearJournal, the root clean-up among them.
    std::vector<std::string> Journal() const
    {
        std::vector<std::string> all = suite_.Journal();
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(cleared_), all.end());
    }
    void ClearJournal() { cleared_ = suite_.Journal().size(); }
    std::ptrdiff_t RootCleanUps() const
    {
        const std::vector<std::string> journal = Journal();
        return std::count(journal.begin(), journal.end(), "root clean-up");
    }
    void Install(std::initializer_list<ProductKind> kinds)
    {
        for (ProductKind kind : kinds)
            Product(kind).present = true;
    }
    int Run(const std::string& arguments) { return RunSilentRemoval(arguments, suite_.Catalogue(), log_, host_); }
    std::vector<std::string> Removals() const { return ::Removals(Journal()); }

    ScriptedSuite suite_;
    std::size_t cleared_ = 0;
    bool rootsRemain_ = true;
    RecordingLog log_;
    SilentRemovalHost host_;
    std::vector<std::string> messages_;
    std::vector<unsigned> flags_;
};

} // namespace

TEST(SwitchRule, CaseSensitiveSubstringAnywhere)
{
    EXPECT_TRUE(HasSwitch("/silent /all", "/silent"));
    EXPECT_TRUE(HasSwitch("x/silentx", "/silent"));
    EXPECT_TRUE(HasSwitch("\"/client\"", "/client"));
    EXPECT_FALSE(HasSwitch("/SILENT /all", "/silent"));
    EXPECT_FALSE(HasSwitch("", "/all"));
    EXPECT_TRUE(HasSwitch("/loggingservice", "/loggingservice"));
}

TEST(SwitchRule, DoubleByteCharactersAreSteppedOverWhole)
{
    // In the Western code page every byte is a character of its own, so a
    // switch glued to high bytes is still found.
    EXPECT_TRUE(HasSwitch("\xBB/all\xAB", "/all"));
}

TEST_F(SilentRemoval, DetectsEveryProductInSwitchOrderThenRemovesInRemovalOrder)
{
    Install({ProductKind::Client, ProductKind::Relay, ProductKind::Server, ProductKind::DLP,
             ProductKind::LoggingService, ProductKind::Console});
    EXPECT_EQ(Run("/silent /client /relay /server"), kSilentSucceeded);
    std::vector<std::string> journal = Journal();
    std::vector<std::string> firstDetections(journal.begin(), journal.begin() + kProductCount);
    EXPECT_EQ(firstDetections,
              (std::vector<std::string>{"detect Varnek Platform API", "detect Varnek Console", "detect Varnek Server",
                                        "detect Varnek Relay", "detect Varnek DLP",
                                        "detect Varnek Client Logging Service", "detect Varnek Client",
                                        "detect Varnek Databases", "detect Varnek Deployment Installer",
                                        "detect Microsoft SQL Server Desktop Engine"}));
    EXPECT_EQ(Removals(), (std::vector<std::string>{"Varnek Relay", "Varnek Server", "Varnek DLP",
                                                    "Varnek Client Logging Service", "Varnek Client"}));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(Journal().back(), "detect Microsoft SQL Server Desktop Engine") << "the console stays: no root clean-up";
}

TEST_F(SilentRemoval, ClientAloneIsRefusedWithItsMessageAndNothingHappensAfter)
{
    Install({ProductKind::Client});
    EXPECT_EQ(Run("/silent /client"), kSilentInvalidArguments);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], "Without the '/force' option,  the '/client' option cannot be specified unless both the "
                            "'/relay' and '/server' options are specified.");
    EXPECT_EQ(flags_[0], static_cast<unsigned>(MB_ICONERROR));
    EXPECT_TRUE(Removals().empty());
    EXPECT_EQ(Journal().size(), kProductCount) << "only the first detections ran";

    ClearJournal();
    messages_.clear();
    EXPECT_EQ(Run("/silent /client /relay"), kSilentInvalidArguments) << "the rule looks at switches only";
}

TEST_F(SilentRemoval, ForceLiftsTheRuleAndTheClientTakesItsDependants)
{
    Install({ProductKind::Client, ProductKind::DLP, ProductKind::LoggingService});
    EXPECT_EQ(Run("/silent /client /force"), kSilentSucceeded);
    EXPECT_EQ(Removals(),
              (std::vector<std::string>{"Varnek DLP", "Varnek Client Logging Service", "Varnek Client"}));
    EXPECT_EQ(Journal().back(), "root clean-up");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SilentRemoval, ServerAloneLeavesTheClientAndTheRoots)
{
    Install({ProductKind::Server, ProductKind::Client});
    EXPECT_EQ(Run("/silent /server"), kSilentSucceeded);
    EXPECT_EQ(Removals(), (std::vector<std::string>{"Varnek Server"}));
    EXPECT_EQ(RootCleanUps(), 0);
}

TEST_F(SilentRemoval, NoProductSwitchStillCleansAnEmptyMachineThenShowsHelp)
{
    EXPECT_EQ(Run("/silent"), kSilentInvalidArguments);
    EXPECT_EQ(Journal().size(), 2 * kProductCount + 1) << "two detections of each and the root clean-up";
    EXPECT_EQ(Journal().back(), "root clean-up");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], kSilentHelpText);
    EXPECT_EQ(flags_[0], static_cast<unsigned>(MB_OK));
    EXPECT_EQ(std::string(kSilentHelpText).find("/relay"), std::string::npos);
}

TEST_F(SilentRemoval, AllRemovesEveryInstalledProductAndShowsNothing)
{
    Install({ProductKind::MSDE, ProductKind::Databases, ProductKind::PlatformAPI, ProductKind::Client});
    EXPECT_EQ(Run("/silent /all"), kSilentSucceeded);
    EXPECT_EQ(Removals(), (std::vector<std::string>{"Varnek Platform API", "Varnek Client", "Varnek Databases",
                                                    "Microsoft SQL Server Desktop Engine"}));
    EXPECT_EQ(Journal().back(), "root clean-up");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SilentRemoval, ComponentStillInstalledAfterItsRemovalIsAFailureCode)
{
    Install({ProductKind::Console, ProductKind::Relay});
    Product(ProductKind::Console).survivesRemoval = true;
    EXPECT_EQ(Run("/silent /console"), kSilentComponentRemains);
    EXPECT_EQ(RootCleanUps(), 0);

    // An unselected component that stays is no failure of this run.
    ClearJournal();
    Product(ProductKind::Console).survivesRemoval = false;
    EXPECT_EQ(Run("/silent /console"), kSilentSucceeded);
}

TEST_F(SilentRemoval, FailedStepAndRootCleanUpWriteTheDialogsLines)
{
    Install({ProductKind::Console});
    Product(ProductKind::Console).removeSucceeds = false;
    EXPECT_EQ(Run("/silent /console"), kSilentSucceeded) << "gone after all: the second detection decides";
    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{"One or more steps in the removal of \"Varnek Console\" has failed.",
                                                      "", "No more products installed. Removing root folders and reg keys...",
                                                      "", std::string(50, 'x'),
                                                      "x Removing Varnek root folders and registry keys",
                                                      std::string(50, 'x')}));
    EXPECT_EQ(Journal().back(), "root clean-up");
}

TEST_F(SilentRemoval, DetectWritesThePlanAndRemovesNothing)
{
    struct Case {
        const char* arguments;
        int code;
        std::vector<std::string> plan;
    } cases[] = {
        {"/silent /client /relay /server /detect", kPlanWouldRemove,
         {"Would remove: Varnek Relay", "Would remove: Varnek Server", "Would remove: Varnek DLP",
          "Would remove: Varnek Client Logging Service", "Would remove: Varnek Client"}},
        {"/silent /msde /detect", kPlanNothingToRemove, {}},
        {"/silent /all /detect", kPlanWouldRemove,
         {"Would remove: Varnek Console", "Would remove: Varnek Relay", "Would remove: Varnek Server",
          "Would remove: Varnek DLP", "Would remove: Varnek Client Logging Service", "Would remove: Varnek Client",
          "Would remove: Varnek root folders and registry keys"}},
        {"/silent /client /detect", kSilentInvalidArguments, {}},
    };
    Install({ProductKind::Client, ProductKind::Relay, ProductKind::Server, ProductKind::DLP,
             ProductKind::LoggingService, ProductKind::Console});
    for (const Case& c : cases) {
        ClearJournal();
        log_.Clear();
        EXPECT_EQ(Run(c.arguments), c.code) << c.arguments;
        EXPECT_EQ(log_.Lines(), c.plan) << c.arguments;
        EXPECT_EQ(Journal().size(), kProductCount) << c.arguments << ": the first detections only";
        EXPECT_TRUE(Removals().empty()) << c.arguments;
    }
    EXPECT_EQ(messages_, std::vector<std::string>{kClientRuleText});
}

TEST_F(SilentRemoval, DetectPromisesTheRootsOnlyWhereOneIsLeftAndThenRemovesSomething)
{
    EXPECT_EQ(Run("/silent /all /detect"), kPlanWouldRemove) << "nothing installed, a root left";
    rootsRemain_ = false;
    EXPECT_EQ(Run("/silent /all /detect"), kPlanNothingToRemove);
    EXPECT_EQ(log_.Lines().size(), 1u) << "only the first run's roots line";
}

TEST(CommandLine, TheLogFilesPathIsCutOutAndNeverReadAsSwitches)
{
    struct Case {
        const char* arguments;
        std::optional<std::string> logFile;
        std::vector<const char*> present;
        std::vector<const char*> absent;
    } cases[] = {
        {"/silent /logfile=C:/logs/client/server.log /dlp", std::string("C:/logs/client/server.log"),
         {"/silent", "/dlp"}, {"/client", "/server", "/logfile"}},
        {"/silent /logfile=\"C:\\client logs\\run.log\" /all", std::string("C:\\client logs\\run.log"),
         {"/silent", "/all"}, {"/client", "logs", "\""}},
        {"\"/logfile=C:\\a b\\server.log\" /silent /loggingservice", std::string("C:\\a b\\server.log"),
         {"/silent", "/loggingservice"}, {"/server", "\""}},
        {"/silent /loggingservice", std::nullopt, {"/loggingservice"}, {"/logfile"}},
        {"/silent /logfile=", std::string(""), {"/silent"}, {"/logfile"}},
        {"/silent /logfile=a.log /logfile=C:/client.log", std::string("a.log"), {"/silent"}, {"/client", ".log"}},
        // Unlike the product switches, in any letter case.
        {"/silent /relay /LOGFILE=C:/acc/client/run.log", std::string("C:/acc/client/run.log"),
         {"/silent", "/relay"}, {"/client", "/LOGFILE"}},
    };
    for (const Case& c : cases) {
        CommandLine line = SplitCommandLine(c.arguments);
        EXPECT_FALSE(line.malformed) << c.arguments;
        EXPECT_EQ(line.logFile, c.logFile) << c.arguments;
        for (const char* word : c.present)
            EXPECT_TRUE(HasSwitch(line.switches, word)) << c.arguments << " should keep " << word;
        for (const char* word : c.absent)
            EXPECT_FALSE(HasSwitch(line.switches, word)) << c.arguments << " should lose " << word;
    }

    // A quote that is never closed: where the path ends cannot be told.
    for (const char* arguments : {"/logfile=\"C:\\x.log /silent /relay", "x\"/logfile=C:\\y.log /silent /relay"})
        EXPECT_TRUE(SplitCommandLine(arguments).malformed) << arguments;
}
