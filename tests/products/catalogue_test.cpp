#include "products/catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

// A component that only answers its name: enough to follow the orders.
class NamedProduct : public ZEMProduct {
public:
    explicit NamedProduct(ProductKind kind) : ZEMProduct(nullptr), kind_(kind) {}
    std::string Name() const override { return DefaultProductName(kind_); }
    OptionalString Version() const override { return std::nullopt; }
    bool Detect() override { return installed; }
    bool Remove() override { return true; }

private:
    ProductKind kind_;
};

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (ProductKind kind : kCreationOrder) {
            owned_.push_back(std::make_unique<NamedProduct>(kind));
            catalogue_.Set(kind, owned_.back().get());
        }
    }
    std::vector<std::string> Names(const std::vector<ZEMProduct*>& products)
    {
        std::vector<std::string> names;
        for (ZEMProduct* product : products)
            names.push_back(product->Name());
        return names;
    }
    ProductCatalogue catalogue_;
    std::vector<std::unique_ptr<NamedProduct>> owned_;
};

} // namespace

TEST_F(Catalogue, NewProductsAreNotInstalledAndCarryTheirDefaultNames)
{
    std::vector<std::string> expected = {"Varnek Client",
                                         "Varnek Client Logging Service",
                                         "Varnek DLP",
                                         "Varnek Console",
                                         "Varnek Databases",
                                         "Varnek Deployment Installer",
                                         "Varnek Platform API",
                                         "Varnek Relay",
                                         "Varnek Server",
                                         "Microsoft SQL Server Desktop Engine"};
    EXPECT_EQ(Names(catalogue_.InOrder(kCreationOrder)), expected);
    for (const auto& product : owned_)
        EXPECT_FALSE(product->installed);
}

TEST_F(Catalogue, DetectionOrdersOfTheTwoModes)
{
    EXPECT_EQ(Names(catalogue_.InOrder(kInteractiveDetectionOrder)),
              (std::vector<std::string>{"Microsoft SQL Server Desktop Engine", "Varnek Client",
                                        "Varnek Client Logging Service", "Varnek DLP", "Varnek Console",
                                        "Varnek Databases", "Varnek Deployment Installer", "Varnek Platform API",
                                        "Varnek Relay", "Varnek Server"}));
    EXPECT_EQ(Names(catalogue_.InOrder(kSilentDetectionOrder)),
              (std::vector<std::string>{"Varnek Platform API", "Varnek Console", "Varnek Server", "Varnek Relay",
                                        "Varnek DLP", "Varnek Client Logging Service", "Varnek Client",
                                        "Varnek Databases", "Varnek Deployment Installer",
                                        "Microsoft SQL Server Desktop Engine"}));
}

TEST_F(Catalogue, SelectionIsRemovedInTheFixedOrderWhateverItsOwnOrder)
{
    std::set<ZEMProduct*> selection = {catalogue_.Get(ProductKind::Client), catalogue_.Get(ProductKind::Console)};
    EXPECT_EQ(Names(catalogue_.InRemovalOrder(selection)),
              (std::vector<std::string>{"Varnek Console", "Varnek Client"}));

    std::set<ZEMProduct*> all(owned_.size() ? std::set<ZEMProduct*>() : std::set<ZEMProduct*>());
    for (const auto& product : owned_)
        all.insert(product.get());
    EXPECT_EQ(Names(catalogue_.InRemovalOrder(all)),
              (std::vector<std::string>{"Varnek Platform API", "Varnek Console", "Varnek Relay", "Varnek Server",
                                        "Varnek DLP", "Varnek Client Logging Service", "Varnek Client",
                                        "Varnek Databases", "Varnek Deployment Installer",
                                        "Microsoft SQL Server Desktop Engine"}));

    NamedProduct stranger(ProductKind::Client);
    EXPECT_TRUE(catalogue_.InRemovalOrder({&stranger}).empty()) << "only the catalogue's own objects count";
}
