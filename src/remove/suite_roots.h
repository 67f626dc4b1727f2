// The last clean-up, once no component of the suite is left.
#pragma once

#include "remove/log.h"

namespace Remove {

// The suite's root folders, its machine-wide keys and its key in every loaded
// user hive. Failures show only in the log; each step runs regardless.
void RemoveSuiteRoots(Log& log);

// The folder half: "<local application data>\\Varnek" and
// "<Program Files>\\Varnek Enterprise", each when its known folder is known.
void RemoveSuiteRootFolders(Log& log);

// Whether any of what RemoveSuiteRoots removes is there: the plan of a
// removal promises the root clean-up only then.
bool SuiteRootsRemain();

// The registry half: HKLM "SOFTWARE\\Varnek" and "SOFTWARE\\Varnek, Inc.", then
// "Software\\Varnek" in every hive loaded under HKEY_USERS.
void RemoveSuiteRootKeys(Log& log);

} // namespace Remove
