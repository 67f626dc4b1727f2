// The suite's components, one object each, created together and sharing one log.
#pragma once

#include "products/catalogue.h"

#include <memory>
#include <vector>

class SuiteProducts {
public:
    explicit SuiteProducts(Remove::Log* log);
    ~SuiteProducts();
    SuiteProducts(const SuiteProducts&) = delete;
    SuiteProducts& operator=(const SuiteProducts&) = delete;

    const ProductCatalogue& Catalogue() const { return catalogue_; }

private:
    std::vector<std::unique_ptr<ZEMProduct>> owned_;
    ProductCatalogue catalogue_;
};
