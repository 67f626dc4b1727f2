// The root server with its services, web folder and keys.
#pragma once

#include "products/recipe_product.h"

class ServerProduct : public RecipeProduct {
public:
    explicit ServerProduct(Remove::Log* log);
    bool Detect() override;
    bool Remove() override;

private:
    void ChooseDefaultFolders();
    bool ResolveWebFolder();
    bool DeleteWebSubfolders();

    OptionalString defaultWebFolder_;
    OptionalString webFolder_;
};
