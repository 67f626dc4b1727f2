#include "products/catalogue.h"

using K = ProductKind;

const ProductOrder kCreationOrder = {K::Client,     K::LoggingService, K::DLP,         K::Console, K::Databases,
                                     K::Installers, K::PlatformAPI,    K::Relay,       K::Server,  K::MSDE};

const ProductOrder kInteractiveDetectionOrder = {K::MSDE,      K::Client,     K::LoggingService, K::DLP,   K::Console,
                                                 K::Databases, K::Installers, K::PlatformAPI,    K::Relay, K::Server};

const ProductOrder kSilentDetectionOrder = {K::PlatformAPI,    K::Console, K::Server,    K::Relay,      K::DLP,
                                            K::LoggingService, K::Client,  K::Databases, K::Installers, K::MSDE};

const ProductOrder kRemovalOrder = {K::PlatformAPI,    K::Console, K::Relay,     K::Server,     K::DLP,
                                    K::LoggingService, K::Client,  K::Databases, K::Installers, K::MSDE};

const char* DefaultProductName(ProductKind kind)
{
    switch (kind) {
    case K::Client:
        return "Varnek Client";
    case K::LoggingService:
        return "Varnek Client Logging Service";
    case K::DLP:
        return "Varnek DLP";
    case K::Console:
        return "Varnek Console";
    case K::Databases:
        return "Varnek Databases";
    case K::Installers:
        return "Varnek Deployment Installer";
    case K::PlatformAPI:
        return "Varnek Platform API";
    case K::Relay:
        return "Varnek Relay";
    case K::Server:
        return "Varnek Server";
    case K::MSDE:
        return "Microsoft SQL Server Desktop Engine";
    }
    return "";
}

std::vector<ZEMProduct*> ProductCatalogue::InOrder(const ProductOrder& order) const
{
    std::vector<ZEMProduct*> ordered;
    for (ProductKind kind : order) {
        if (ZEMProduct* product = Get(kind))
            ordered.push_back(product);
    }
    return ordered;
}

std::vector<ZEMProduct*> ProductCatalogue::InRemovalOrder(const std::set<ZEMProduct*>& selection) const
{
    std::vector<ZEMProduct*> ordered;
    for (ZEMProduct* product : InOrder(kRemovalOrder)) {
        if (selection.count(product))
            ordered.push_back(product);
    }
    return ordered;
}
