// One stand-in component for every test that needs products without a
// machine: the test decides its name, version, what its detection finds and
// how its removal goes, and may make either call slow or throw.
#pragma once

#include "products/catalogue.h"
#include "support/owned_handle.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Calls of several products in the order they happened, from any thread.
class CallJournal {
public:
    void Add(const std::string& entry);
    std::vector<std::string> Entries() const;

private:
    mutable std::mutex lock_;
    std::vector<std::string> entries_;
};

class ScriptedProduct : public ZEMProduct {
public:
    // `log` may be null: then the banners go nowhere.
    ScriptedProduct(Remove::Log* log, ProductKind kind, std::shared_ptr<CallJournal> journal = nullptr);

    std::string Name() const override { return name; }
    OptionalString Version() const override { return version; }
    // Banner, journal entry "detect <name>", then the script; answers `present`.
    bool Detect() override;
    // Banner, journal entry "remove <name>", then the script: answers
    // `removeSucceeds` and leaves the product present when `survivesRemoval`.
    bool Remove() override;

    // The log the product writes to, for scripts that write more.
    Remove::Log* Log() const { return log; }

    const ProductKind kind;
    // Set before the product is used from another thread.
    std::string name;
    OptionalString version;
    bool present = false;
    bool removeSucceeds = true;
    bool survivesRemoval = false;
    // Run after the banner and the journal entry; may throw anything.
    std::function<void()> onDetect;
    std::function<void()> onRemove;

private:
    std::shared_ptr<CallJournal> journal_;
};

// Blocks the calling thread until the test sets the event, for at most
// `timeoutMilliseconds` (so a broken test ends instead of hanging); answers
// whether the event was set in time. For use in onDetect / onRemove.
bool WaitForTestEvent(HANDLE event, DWORD timeoutMilliseconds = 10000);
// A manual-reset event, not set, for WaitForTestEvent.
Windows::UniqueKernelHandle MakeTestEvent();

// The ten stand-ins in creation order, with their default names, in a
// catalogue; they share one log and one journal.
class ScriptedSuite {
public:
    explicit ScriptedSuite(Remove::Log* log = nullptr);

    ScriptedProduct& operator[](ProductKind kind) { return *products_[static_cast<size_t>(kind)]; }
    ZEMProduct* Get(ProductKind kind) const { return products_[static_cast<size_t>(kind)].get(); }
    const ProductCatalogue& Catalogue() const { return catalogue_; }
    // Marks the kinds as present on the "machine".
    void Install(std::initializer_list<ProductKind> kinds);
    std::vector<std::string> Journal() const { return journal_->Entries(); }
    // An entry of the test's own among the products' calls ("root clean-up").
    void Record(const std::string& entry) { journal_->Add(entry); }

private:
    std::shared_ptr<CallJournal> journal_;
    std::vector<std::unique_ptr<ScriptedProduct>> products_;
    ProductCatalogue catalogue_;
};

// The names of the products removed, in the order of the journal's entries.
std::vector<std::string> Removals(const std::vector<std::string>& journal);
