// The relay between clients and the root server.
#pragma once

#include "products/recipe_product.h"

class RelayProduct : public RecipeProduct {
public:
    explicit RelayProduct(Remove::Log* log);
    bool Detect() override;
    bool Remove() override;
};
