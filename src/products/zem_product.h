// The removable component: what orchestration and front end may ask of it.
#pragma once

#include "remove/log.h"

#include <optional>
#include <string>

// A finding of a recipe: absent, or present (possibly empty).
using OptionalString = std::optional<std::string>;

class ZEMProduct {
public:
    explicit ZEMProduct(Remove::Log* log) : log(log) {}
    virtual ~ZEMProduct() = default;
    ZEMProduct(const ZEMProduct&) = delete;
    ZEMProduct& operator=(const ZEMProduct&) = delete;

    virtual std::string Name() const = 0;
    virtual OptionalString Version() const = 0;
    // Writes the detection banner, runs every detection step, stores and answers `installed`.
    virtual bool Detect() = 0;
    // Writes the removal banner and runs every step; true when all of them succeeded.
    virtual bool Remove() = 0;

    // Result of the last detection; false until the first one.
    bool installed = false;

protected:
    Remove::Log* const log;
};
