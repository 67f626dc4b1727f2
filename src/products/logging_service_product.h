// The client logging service, registered as "ZEM Logging Service".
#pragma once

#include "products/recipe_product.h"

class LoggingServiceProduct : public RecipeProduct {
public:
    explicit LoggingServiceProduct(Remove::Log* log);
    bool Detect() override;
    bool Remove() override;
};
