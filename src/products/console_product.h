// The operator console, with the running user's application data and key.
#pragma once

#include "products/recipe_product.h"

class ConsoleProduct : public RecipeProduct {
public:
    explicit ConsoleProduct(Remove::Log* log);
    bool Detect() override;
    bool Remove() override;

private:
    void ChooseAppDataFolder();

    OptionalString appDataFolder_;
};
