// The endpoint agent with its helper service.
#pragma once

#include "products/recipe_product.h"

class ClientProduct : public RecipeProduct {
public:
    explicit ClientProduct(Remove::Log* log);
    bool Detect() override;
    bool Remove() override;

private:
    bool ClientKeysPresent();
    bool DeleteClientKeys();
    bool HelperPresent();
    bool UninstallHelper();

    // The helper's ImagePath as registered, quotes included; read once.
    OptionalString helperPath_;
};
