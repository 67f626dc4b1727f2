#include "products/catalogue.h"
#include "testkit/scripted_product.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

class Catalogue : public ::testing::Test {
protected:
    std::vector<std::string> Names(const std::vector<ZEMProduct*>& products)
    {
        std::vector<std::string> names;
        for (ZEMProduct* product : products)
            names.push_back(product->Name());
        return names;
    }
    ScriptedSuite suite_;
    const ProductCatalogue& catalogue_ = suite_.Catalogue();
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
    for (ZEMProduct* product : catalogue_.InOrder(kCreationOrder))
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

    std::vector<ZEMProduct*> created = catalogue_.InOrder(kCreationOrder);
    std::set<ZEMProduct*> all(created.begin(), created.end());
    EXPECT_EQ(Names(catalogue_.InRemovalOrder(all)),
              (std::vector<std::string>{"Varnek Platform API", "Varnek Console", "Varnek Relay", "Varnek Server",
                                        "Varnek DLP", "Varnek Client Logging Service", "Varnek Client",
                                        "Varnek Databases", "Varnek Deployment Installer",
                                        "Microsoft SQL Server Desktop Engine"}));

    ScriptedProduct stranger(nullptr, ProductKind::Client);
    EXPECT_TRUE(catalogue_.InRemovalOrder({&stranger}).empty()) << "only the catalogue's own objects count";
}
