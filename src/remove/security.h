// Making a key or a file-system object deletable by the current user:
// a fresh full-control access list, taking ownership first when refused.
#pragma once

#include "remove/log.h"
#include "support/owned_handle.h"

#include <windows.h>
#include <aclapi.h>

#include <string>

namespace Windows {

// Enables a privilege in `token`; a FALSE answer of either call throws Windows::Error.
void EnablePrivilege(HANDLE token, const char* privilegeName);

} // namespace Windows

namespace Remove {

// One entry: GENERIC_ALL for CURRENT_USER, inherited by containers and objects.
// On failure writes "error creating ACL: " and throws Windows::Error.
Windows::UniqueLocalMemory MakeFullAccessAcl(Log& log);

// Makes the current user the owner of the object. Objects are named as
// SetNamedSecurityInfoA wants them: a path for SE_FILE_OBJECT, "MACHINE\\…"
// and the like for SE_REGISTRY_KEY. Throws on failure after writing the first
// piece of the caller's line.
void TakeOwnership(const std::string& objectName, SE_OBJECT_TYPE type, Log& log);

// Seam calls: OpenProcessToken, AdjustTokenPrivileges, SetEntriesInAclA,
// SetNamedSecurityInfoA_Owner and SetNamedSecurityInfoA_Dacl.

// Replaces the object's access list by the full-access list, taking ownership
// when the first attempt is refused. Throws on failure after writing the first
// piece of the caller's line.
void GrantObjectAccess(const std::string& objectName, SE_OBJECT_TYPE type, Log& log);

} // namespace Remove
