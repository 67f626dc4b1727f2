#include "support/odbc_handles.h"

AutoODBCDatabaseHandle::~AutoODBCDatabaseHandle()
{
    // A failed disconnect cannot be helped here; freeing the handle follows.
    if (connected_)
        SQLDisconnect(handle_.get());
}
