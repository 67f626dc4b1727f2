// The ten components of the suite and the fixed orders they are handled in.
#pragma once

#include "products/zem_product.h"

#include <array>
#include <set>
#include <vector>

enum class ProductKind {
    Client,
    LoggingService,
    DLP,
    Console,
    Databases,
    Installers,
    PlatformAPI,
    Relay,
    Server,
    MSDE,
};

constexpr size_t kProductCount = 10;
using ProductOrder = std::array<ProductKind, kProductCount>;

// The order the ten objects are created in.
extern const ProductOrder kCreationOrder;
// The dialog's one detection run.
extern const ProductOrder kInteractiveDetectionOrder;
// The silent mode detects each product right after looking at its switch.
extern const ProductOrder kSilentDetectionOrder;
// Both modes remove a selection in this order, whatever order it was chosen in.
extern const ProductOrder kRemovalOrder;

const char* DefaultProductName(ProductKind kind);

// One object per kind, not owned: the dialog or the start-up routine owns them.
class ProductCatalogue {
public:
    void Set(ProductKind kind, ZEMProduct* product) { products_[static_cast<size_t>(kind)] = product; }
    ZEMProduct* Get(ProductKind kind) const { return products_[static_cast<size_t>(kind)]; }

    // The catalogue's products in the given order.
    std::vector<ZEMProduct*> InOrder(const ProductOrder& order) const;
    // The selected products in removal order; objects not in the catalogue are left out.
    std::vector<ZEMProduct*> InRemovalOrder(const std::set<ZEMProduct*>& selection) const;

private:
    std::array<ZEMProduct*, kProductCount> products_{};
};
