// The server programming interface: nothing but its installer registrations.
#pragma once

#include "products/recipe_product.h"

// The response file its uninstaller reads, for the product code in
// `uninstallString` (the first "{" through the first "}"); absent when the
// string holds no such code.
OptionalString PlatformAPIResponse(const std::string& uninstallString);

class PlatformAPIProduct : public RecipeProduct {
public:
    explicit PlatformAPIProduct(Remove::Log* log);
    bool Detect() override;
    bool Remove() override;

private:
    bool WritePlatformAPIResponseFile(const std::string& uninstallString, const std::string& path);
};
