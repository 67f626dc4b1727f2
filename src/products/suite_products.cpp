#include "products/suite_products.h"

#include "products/client_product.h"
#include "products/console_product.h"
#include "products/database_product.h"
#include "products/dlp_product.h"
#include "products/installers_product.h"
#include "products/logging_service_product.h"
#include "products/msde_product.h"
#include "products/platform_api_product.h"
#include "products/relay_product.h"
#include "products/server_product.h"

namespace {

std::unique_ptr<ZEMProduct> MakeProduct(ProductKind kind, Remove::Log* log)
{
    switch (kind) {
    case ProductKind::Client:
        return std::unique_ptr<ZEMProduct>(new ClientProduct(log));
    case ProductKind::LoggingService:
        return std::unique_ptr<ZEMProduct>(new LoggingServiceProduct(log));
    case ProductKind::DLP:
        return std::unique_ptr<ZEMProduct>(new DLPProduct(log));
    case ProductKind::Console:
        return std::unique_ptr<ZEMProduct>(new ConsoleProduct(log));
    case ProductKind::Databases:
        return std::unique_ptr<ZEMProduct>(new DatabaseProduct(log));
    case ProductKind::Installers:
        return std::unique_ptr<ZEMProduct>(new InstallersProduct(log));
    case ProductKind::PlatformAPI:
        return std::unique_ptr<ZEMProduct>(new PlatformAPIProduct(log));
    case ProductKind::Relay:
        return std::unique_ptr<ZEMProduct>(new RelayProduct(log));
    case ProductKind::Server:
        return std::unique_ptr<ZEMProduct>(new ServerProduct(log));
    case ProductKind::MSDE:
        return std::unique_ptr<ZEMProduct>(new MSDEProduct(log));
    }
    return nullptr;
}

} // namespace

SuiteProducts::SuiteProducts(Remove::Log* log)
{
    for (ProductKind kind : kCreationOrder) {
        owned_.push_back(MakeProduct(kind, log));
        catalogue_.Set(kind, owned_.back().get());
    }
}

SuiteProducts::~SuiteProducts() = default;
