#include "app/zemremove_app.h"

bool CZEMRemoveApp::InitInstance()
{
    // The silent mode and the main dialog are not wired in yet: start, show
    // nothing and end.
    return false;
}
