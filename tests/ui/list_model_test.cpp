#include "support/platform_seam.h"
#include "testkit/scripted_product.h"
#include "ui/remove_list_model.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using K = ProductKind;

// Records every signal of a model through scoped connections.
struct Listener {
    explicit Listener(RemoveListModel& model)
        : model_(model.modelChanged.connect([this] { events.push_back("model"); })),
          selection_(model.selectionChanged.connect([this](const std::set<int>& rows) {
              events.push_back("selection " + std::to_string(rows.size()));
          })),
          focus_(model.focusChanged.connect(
              [this](std::optional<int> row) { events.push_back(row ? "focus" : "focus none"); })),
          settings_(model.settingsChanged.connect([this] { events.push_back("settings"); }))
    {
    }
    std::vector<std::string> events;

private:
    boost::signals2::scoped_connection model_, selection_, focus_, settings_;
};

std::vector<std::string> ShownNames(const RemoveListModel& model, const std::vector<ZEMProduct*>& previous = {})
{
    std::vector<std::string> names;
    for (int row : ListViewRowOrder(previous, model, model, model))
        names.push_back(model.CellText(row, 0));
    return names;
}

} // namespace

TEST(ListModelRows, NamesVersionsHeadersAndTheEmptyText)
{
    ScriptedSuite suite;
    suite[K::Client].version = "7.1.0.47";
    RemoveListModel model;
    EXPECT_EQ(model.EmptyText(), "No installed products found.");

    model.SetProducts({suite.Get(K::Client), suite.Get(K::Relay)});
    EXPECT_EQ(model.HeaderText(0), "Name");
    EXPECT_EQ(model.HeaderText(1), "Version");
    EXPECT_EQ(model.CellText(0, 0), "Varnek Client");
    EXPECT_EQ(model.CellText(0, 1), "7.1.0.47");
    EXPECT_EQ(model.CellText(1, 1), "unknown");
}

TEST(ListModelSelection, KeptForTheSameProductsPrunedWhenTheyLeave)
{
    ScriptedSuite suite;
    ZEMProduct* client = suite.Get(K::Client);
    ZEMProduct* relay = suite.Get(K::Relay);
    RemoveListModel model;
    model.SetProducts({client, relay});
    model.SetSelection({0, 1}, true);
    model.SetFocused(0);
    Listener listener(model);

    model.SetProducts({client, relay});
    EXPECT_EQ(model.SelectedProducts(), (std::set<ZEMProduct*>{client, relay}));
    EXPECT_EQ(listener.events, std::vector<std::string>{"model"});

    model.RemoveProducts({client});
    EXPECT_EQ(model.SelectedProducts(), std::set<ZEMProduct*>{relay});
    EXPECT_EQ(model.SelectedCount(), 1);
    EXPECT_TRUE(model.IsFocused(std::nullopt));
    EXPECT_EQ(listener.events, (std::vector<std::string>{"model", "model", "selection 0", "focus none"}));

    listener.events.clear();
    model.SetSelected(0, true);
    model.SetFocused(std::nullopt);
    model.SelectAll(false);
    model.SelectAll(false);
    EXPECT_EQ(listener.events, std::vector<std::string>{"selection 0"}) << "only a change is announced";
}

TEST(ListModelSort, NamesDifferingOnlyInCaseKeepOneOrder)
{
    EXPECT_LT(CompareListText("apple", "Banana"), 0) << "case is ignored first";
    EXPECT_NE(CompareListText("abc", "ABC"), 0);
    EXPECT_EQ(CompareListText("abc", "ABC"), -CompareListText("ABC", "abc"));

    ScriptedSuite suite;
    suite[K::Client].name = "abc";
    suite[K::Relay].name = "ABC";
    RemoveListModel model;
    model.SetProducts({suite.Get(K::Client), suite.Get(K::Relay)});
    const std::vector<std::string> shown = ShownNames(model);
    model.SetProducts({suite.Get(K::Relay), suite.Get(K::Client)});
    EXPECT_EQ(ShownNames(model), shown);
    EXPECT_EQ(ShownNames(model, {suite.Get(K::Client), suite.Get(K::Relay)}), shown) << "the previous order loses";
}

TEST(ListModelSettings, SortByAndHidingFollowTheirRules)
{
    struct Step {
        const char* action; // "sort N" or "hide N"
        std::optional<int> primary;
        bool primaryAscending;
        std::optional<int> secondary;
    };
    const Step steps[] = {
        {"sort 0", 0, true, std::nullopt},  // the default primary: its direction turns
        {"sort 0", 0, false, std::nullopt},
        {"sort 1", 1, true, 0},             // the old primary becomes the secondary
        {"hide 0", 1, true, std::nullopt},  // hiding the secondary clears it
        {"sort 0", 0, true, 1},
        {"hide 0", 1, true, std::nullopt},  // hiding the primary promotes the secondary
        {"hide 2", std::nullopt, true, std::nullopt}, // hiding another column clears the primary
        {"sort 2", 2, true, std::nullopt},  // no primary: the flag stays
    };
    RemoveListModel model;
    for (const Step& step : steps) {
        const int column = step.action[5] - '0';
        if (step.action[0] == 's') {
            model.SortBy(column);
        } else {
            model.SetVisible(column, false);
        }
        EXPECT_EQ(model.PrimarySortColumn(), step.primary) << step.action;
        if (step.primary) {
            EXPECT_EQ(model.PrimaryAscending(), step.primaryAscending) << step.action;
        }
        EXPECT_EQ(model.SecondarySortColumn(), step.secondary) << step.action;
        model.SetVisible(column, true);
    }
}

TEST(ListModelSettings, SettersThatChangeNothingAreSilent)
{
    RemoveListModel model;
    Listener listener(model);
    model.SetWidth(0, 150);
    model.SetVisible(1, true);
    model.SetDisplayOrder({});
    EXPECT_TRUE(listener.events.empty());
    model.SetWidth(0, 90);
    model.SetDisplayOrder({1, 0});
    model.SetVisible(1, false);
    EXPECT_EQ(listener.events.size(), 3u);
    EXPECT_EQ(model.Width(0), 90);
    EXPECT_TRUE(model.IsBefore(1, 0));
    EXPECT_FALSE(model.IsVisible(1));
}

TEST(ListModelRowOrder, KeepsShownOrderAppendsNewRowsThenSortsStably)
{
    ScriptedSuite suite;
    suite[K::Client].version = "2";
    suite[K::Relay].version = "1";
    suite[K::Server].version = "2";
    suite[K::Console].version = "1";
    RemoveListModel model;
    model.SetVisible(0, false); // hiding the primary leaves no sorting: only the kept order counts
    ZEMProduct* client = suite.Get(K::Client);
    ZEMProduct* relay = suite.Get(K::Relay);
    ZEMProduct* server = suite.Get(K::Server);
    model.SetProducts({client, relay, server, suite.Get(K::Console)});
    EXPECT_EQ(ListViewRowOrder({server, suite.Get(K::DLP), client}, model, model, model),
              (std::vector<int>{2, 0, 1, 3}));

    model.SetVisible(0, true);
    model.SortBy(0); // a new primary keeps the descending flag
    EXPECT_EQ(ShownNames(model), (std::vector<std::string>{"Varnek Server", "Varnek Relay", "Varnek Console",
                                                           "Varnek Client"}));
    model.SortBy(0);
    EXPECT_EQ(ShownNames(model), (std::vector<std::string>{"Varnek Client", "Varnek Console", "Varnek Relay",
                                                           "Varnek Server"}));
    model.SortBy(1); // by version ascending, then name ascending among equals
    EXPECT_EQ(ShownNames(model), (std::vector<std::string>{"Varnek Console", "Varnek Relay", "Varnek Client",
                                                           "Varnek Server"}));
    model.SortBy(1); // version descending, the name order kept among equals
    EXPECT_EQ(ShownNames(model), (std::vector<std::string>{"Varnek Client", "Varnek Server", "Varnek Console",
                                                           "Varnek Relay"}));
}

TEST(ListModelNotification, ThrowingListenerIsPendingAndDeadListenerIsNeverCalled)
{
    // A throw inside a notification leaves a crash dump; not wanted here.
    WindowsPlatform::ScopedFailure noDumps(WindowsPlatform::SeamCall::GetProcAddress, ERROR_PROC_NOT_FOUND, "MiniDumpWriteDump");
    TakePendingException();
    ScriptedSuite suite;
    RemoveListModel model;
    int calls = 0;
    {
        boost::signals2::scoped_connection gone = model.modelChanged.connect([&] { ++calls; });
    }
    boost::signals2::scoped_connection thrower =
        model.modelChanged.connect([] { throw std::runtime_error("listener failed"); });

    model.SetProducts({suite.Get(K::Client)});
    EXPECT_EQ(calls, 0);
    std::unique_ptr<CaughtException> pending = TakePendingException();
    ASSERT_TRUE(pending);
    EXPECT_EQ(pending->Text(), "listener failed");
    EXPECT_EQ(model.RowCount(), 1) << "the change itself stands";
    EXPECT_EQ(model.CellText(0, 0), "Varnek Client");
}
