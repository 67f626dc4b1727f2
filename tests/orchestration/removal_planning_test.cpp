#include "orchestration/removal_planning.h"
#include "testkit/scripted_product.h"

#include <gtest/gtest.h>

namespace {

using K = ProductKind;

const char* const kRefusalHead = "Removing the client will destroy relay and server configuration.\r\n"
                                 "In order to remove the client, you must also remove the following components:\r\n"
                                 "\r\n";

struct PlanningCase {
    const char* what;
    std::vector<K> installed;
    std::vector<K> chosen;
    std::string refusal; // after the head; empty: no refusal
    std::vector<K> order;
};

} // namespace

TEST(PlanningRules, ClientRuleDependantsAndOrder)
{
    const PlanningCase cases[] = {
        {"client alone under relay and server", {K::Client, K::Relay, K::Server}, {K::Client},
         "Varnek Relay\r\nVarnek Server\r\n", {}},
        {"server left behind: both listed", {K::Client, K::Relay, K::Server}, {K::Client, K::Relay},
         "Varnek Relay\r\nVarnek Server\r\n", {}},
        {"relay left behind, no server", {K::Client, K::Relay}, {K::Client}, "Varnek Relay\r\n", {}},
        {"client and relay, no server: dependants follow", {K::Client, K::Relay, K::DLP, K::LoggingService},
         {K::Client, K::Relay}, "", {K::Relay, K::DLP, K::LoggingService, K::Client}},
        {"no logging service: DLP stays", {K::Client, K::DLP}, {K::Client}, "", {K::Client}},
        {"no DLP installed", {K::Client, K::LoggingService}, {K::Client}, "", {K::LoggingService, K::Client}},
        {"logging service takes DLP", {K::LoggingService, K::DLP}, {K::LoggingService}, "",
         {K::DLP, K::LoggingService}},
        {"DLP alone takes nothing", {K::Client, K::LoggingService, K::DLP}, {K::DLP}, "", {K::DLP}},
        {"everything listed is never refused",
         {K::MSDE, K::Client, K::Console, K::Relay, K::Server, K::PlatformAPI},
         {K::MSDE, K::Client, K::Console, K::Relay, K::Server, K::PlatformAPI}, "",
         {K::PlatformAPI, K::Console, K::Relay, K::Server, K::Client, K::MSDE}},
    };
    for (const PlanningCase& c : cases) {
        ScriptedSuite suite;
        std::set<ZEMProduct*> installed, chosen;
        for (K kind : c.installed)
            installed.insert(suite.Get(kind));
        for (K kind : c.chosen)
            chosen.insert(suite.Get(kind));
        std::vector<ZEMProduct*> order;
        for (K kind : c.order)
            order.push_back(suite.Get(kind));

        const RemovalPlan plan = PlanRemoval(chosen, installed, suite.Catalogue());
        EXPECT_EQ(plan.refusal, c.refusal.empty() ? "" : kRefusalHead + c.refusal) << c.what;
        EXPECT_EQ(plan.Refused(), !c.refusal.empty()) << c.what;
        EXPECT_EQ(plan.order, order) << c.what;
    }
}

TEST(PlanningRules, RefusalNamesTheProductsAsTheyAreNamedNow)
{
    ScriptedSuite suite;
    suite[K::Relay].name = "\xBBPartner\xAB Relay";
    const RemovalPlan plan = PlanRemoval({suite.Get(K::Client)}, {suite.Get(K::Client), suite.Get(K::Relay)},
                                         suite.Catalogue());
    EXPECT_EQ(plan.refusal, std::string(kRefusalHead) + "\xBBPartner\xAB Relay\r\n");
}
