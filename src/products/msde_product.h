// The desktop database engine the suite may have installed.
#pragma once

#include "products/recipe_product.h"

class MSDEProduct : public RecipeProduct {
public:
    explicit MSDEProduct(Remove::Log* log);
    bool Detect() override;
    bool Remove() override;
};
