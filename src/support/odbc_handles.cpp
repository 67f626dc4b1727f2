#include "support/odbc_handles.h"

AutoODBCEnvironmentHandle::~AutoODBCEnvironmentHandle()
{
    if (handle_ != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, handle_);
}

AutoODBCDatabaseHandle::~AutoODBCDatabaseHandle()
{
    if (handle_ != SQL_NULL_HDBC)
        SQLFreeHandle(SQL_HANDLE_DBC, handle_);
}

ReferenceCounterPL::ReferenceCounterPL(const ReferenceCounterPL& other)
{
    if (other.count_ == nullptr)
        other.count_ = new long(1);
    count_ = other.count_;
    ++*count_;
}

ReferenceCounterPL::~ReferenceCounterPL()
{
    if (count_ != nullptr && --*count_ == 0)
        delete count_;
}
