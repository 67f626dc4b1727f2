// Components whose presence a test decides, for the runs of the silent mode.
#pragma once

#include "products/catalogue.h"

#include <memory>
#include <string>
#include <vector>

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
        return !stepFails;
    }

    bool present = false;
    bool survivesRemoval = false;
    bool stepFails = false;

private:
    ProductKind kind_;
    std::vector<std::string>& journal_;
};

// One scripted product of each kind in a catalogue, sharing one journal.
struct ScriptedSuite {
    ScriptedSuite()
    {
        for (ProductKind kind : kCreationOrder) {
            owned.push_back(std::make_unique<ScriptedProduct>(kind, journal));
            catalogue.Set(kind, owned.back().get());
        }
    }
    ScriptedProduct& Product(ProductKind kind) { return *owned[static_cast<size_t>(kind)]; }

    std::vector<std::string> journal;
    std::vector<std::unique_ptr<ScriptedProduct>> owned;
    ProductCatalogue catalogue;
};
