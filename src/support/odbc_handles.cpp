#include "support/odbc_handles.h"

AutoODBCDatabaseHandle::~AutoODBCDatabaseHandle()
{
    // A failed disconnect cannot be helped here; freeing the handle follows.
    if (connected_)
        WindowsPlatform::ODBC32().SQLDisconnect(handle_.get());
}
