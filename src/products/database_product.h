// The suite's SQL Server databases and their data source names.
#pragma once

#include "products/zem_product.h"

#include <memory>
#include <string>

class ODBCDatabase;

class DatabaseProduct : public ZEMProduct {
public:
    explicit DatabaseProduct(Remove::Log* log);
    ~DatabaseProduct() override;

    std::string Name() const override;
    OptionalString Version() const override { return version_; }
    bool Detect() override;
    bool Remove() override;

private:
    // What a database check found; a check that failed has found nothing.
    enum class Presence { Exists, Absent, Unknown };

    std::unique_ptr<ODBCDatabase> Connect();
    Presence CheckDatabase(ODBCDatabase& session, const char* name);
    bool DatabaseExists(ODBCDatabase& session, const char* name)
    {
        return CheckDatabase(session, name) == Presence::Exists;
    }
    OptionalString ReadVersion(ODBCDatabase& session);
    bool DropDatabase(ODBCDatabase& session, const char* name);
    bool RemoveDataSource(const char* name);

    // Once a connection attempt has thrown, this object never tries again.
    bool connectionFailed_ = false;
    OptionalString version_;
};
