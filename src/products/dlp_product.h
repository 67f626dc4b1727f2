// The data-leak-prevention add-on, living in the client's folder.
#pragma once

#include "products/recipe_product.h"

class DLPProduct : public RecipeProduct {
public:
    explicit DLPProduct(Remove::Log* log);
    bool Detect() override;
    bool Remove() override;

private:
    bool ResolveDLPFolder();
    bool ResolveDLPVersion();
};
