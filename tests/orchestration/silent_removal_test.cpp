#include "orchestration/command_line.h"
#include "orchestration/silent_removal.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include <memory>

namespace {

// A component whose presence the test decides; it writes every call into a
// shared journal so that the order of detections and removals can be read.
class ScriptedProduct : public ZEMProduct {
public:
    ScriptedProduct(ProductKind kind, std::vector<std::string>& journal)
        : ZEMProduct(nullptr), kind_(kind), journal_(journal)
    {
    }
    std::string Name() const override { return DefaultProductName(kind_); }
    OptionalString Version() const override { return std::nullopt; }
    bool Detect() override
    {
        journal_.push_back("detect " + Name());
        installed = present;
        return installed;
    }
    bool Remove() override
    {
        journal_.push_back("remove " + Name());
        present = survivesRemoval;
        return true;
    }

    bool present = false;
    bool survivesRemoval = false;

private:
    ProductKind kind_;
    std::vector<std::string>& journal_;
};

class SilentRemoval : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (ProductKind kind : kCreationOrder) {
            products_.push_back(std::make_unique<ScriptedProduct>(kind, journal_));
            catalogue_.Set(kind, products_.back().get());
        }
        host_.showMessage = [this](const std::string& text, unsigned flags) {
            messages_.push_back(text);
            flags_.push_back(flags);
        };
        host_.removeSuiteRoots = [this](Remove::Log&) { journal_.push_back("root clean-up"); };
    }
    ScriptedProduct& Product(ProductKind kind) { return *products_[static_cast<size_t>(kind)]; }
    void Install(std::initializer_list<ProductKind> kinds)
    {
        for (ProductKind kind : kinds)
            Product(kind).present = true;
    }
    int Run(const std::string& arguments) { return RunSilentRemoval(arguments, catalogue_, log_, host_); }
    std::vector<std::string> Removals() const
    {
        std::vector<std::string> removals;
        for (const std::string& entry : journal_)
            if (entry.rfind("remove ", 0) == 0)
                removals.push_back(entry.substr(7));
        return removals;
    }

    std::vector<std::string> journal_;
    std::vector<std::unique_ptr<ScriptedProduct>> products_;
    ProductCatalogue catalogue_;
    Remove::Log log_;
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
    std::vector<std::string> firstDetections(journal_.begin(), journal_.begin() + 10);
    EXPECT_EQ(firstDetections,
              (std::vector<std::string>{"detect Varnek Platform API", "detect Varnek Console", "detect Varnek Server",
                                        "detect Varnek Relay", "detect Varnek DLP",
                                        "detect Varnek Client Logging Service", "detect Varnek Client",
                                        "detect Varnek Databases", "detect Varnek Deployment Installer",
                                        "detect Microsoft SQL Server Desktop Engine"}));
    EXPECT_EQ(Removals(), (std::vector<std::string>{"Varnek Relay", "Varnek Server", "Varnek DLP",
                                                    "Varnek Client Logging Service", "Varnek Client"}));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(journal_.back(), "detect Microsoft SQL Server Desktop Engine") << "the console stays: no root clean-up";
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
    EXPECT_EQ(journal_.size(), 10u) << "only the first detections ran";

    journal_.clear();
    messages_.clear();
    EXPECT_EQ(Run("/silent /client /relay"), kSilentInvalidArguments) << "the rule looks at switches only";
}

TEST_F(SilentRemoval, ForceLiftsTheRuleAndTheClientTakesItsDependants)
{
    Install({ProductKind::Client, ProductKind::DLP, ProductKind::LoggingService});
    EXPECT_EQ(Run("/silent /client /force"), kSilentSucceeded);
    EXPECT_EQ(Removals(),
              (std::vector<std::string>{"Varnek DLP", "Varnek Client Logging Service", "Varnek Client"}));
    EXPECT_EQ(journal_.back(), "root clean-up");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SilentRemoval, ServerAloneLeavesTheClientAndTheRoots)
{
    Install({ProductKind::Server, ProductKind::Client});
    EXPECT_EQ(Run("/silent /server"), kSilentSucceeded);
    EXPECT_EQ(Removals(), (std::vector<std::string>{"Varnek Server"}));
    EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "root clean-up"), 0);
}

TEST_F(SilentRemoval, NoProductSwitchStillCleansAnEmptyMachineThenShowsHelp)
{
    EXPECT_EQ(Run("/silent"), kSilentInvalidArguments);
    EXPECT_EQ(journal_.size(), 21u) << "twenty detections and the root clean-up";
    EXPECT_EQ(journal_.back(), "root clean-up");
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
    EXPECT_EQ(journal_.back(), "root clean-up");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SilentRemoval, ComponentStillInstalledAfterItsRemovalIsAFailureCode)
{
    Install({ProductKind::Console, ProductKind::Relay});
    Product(ProductKind::Console).survivesRemoval = true;
    EXPECT_EQ(Run("/silent /console"), kSilentComponentRemains);
    EXPECT_EQ(std::count(journal_.begin(), journal_.end(), "root clean-up"), 0);

    // An unselected component that stays is no failure of this run.
    journal_.clear();
    Product(ProductKind::Console).survivesRemoval = false;
    EXPECT_EQ(Run("/silent /console"), kSilentSucceeded);
}
