// The installation generator, which builds deployment installers.
#pragma once

#include "products/recipe_product.h"

class InstallersProduct : public RecipeProduct {
public:
    explicit InstallersProduct(Remove::Log* log);
    bool Detect() override;
    bool Remove() override;

private:
    bool ResolveGeneratorFolder();
};
