// Making a key or a file-system object deletable by the current user:
// a fresh full-control access list, taking ownership first when refused.
#pragma once

#include "remove/log.h"
#include "support/owned_handle.h"

#include <windows.h>
#include <aclapi.h>

#include <functional>
#include <string>

namespace Windows {

// Enables a privilege in `token`; a FALSE answer of either call throws Windows::Error.
void EnablePrivilege(HANDLE token, const char* privilegeName);

} // namespace Windows

namespace Remove {

// An object whose owner or access list is changed through handles to that
// very object, opened for just the one change: a name could by then lead
// somewhere else.
struct SecurableObject {
    std::string name;    // the seam's name for it: a path, "CURRENT_USER\\…"
    SE_OBJECT_TYPE type; // SE_FILE_OBJECT or SE_REGISTRY_KEY
    // Opens the object for `access`, runs `use` on the handle and closes it;
    // answers the open's Windows code when it fails, else `use`'s.
    std::function<DWORD(ACCESS_MASK access, const std::function<DWORD(HANDLE)>& use)> withHandle;
};

// One entry: GENERIC_ALL for CURRENT_USER, inherited by containers and objects.
// On failure writes "error creating ACL: " and throws Windows::Error.
Windows::UniqueLocalMemory MakeFullAccessAcl(Log& log);

// Makes the current user the owner of the object. Throws on failure after
// writing the first piece of the caller's line.
void TakeOwnership(const SecurableObject& object, Log& log);

// Seam calls: OpenProcessToken, AdjustTokenPrivileges, SetEntriesInAclA,
// SetKernelObjectSecurity_Owner and SetKernelObjectSecurity_Dacl.

// Replaces the object's access list by the full-access list, taking ownership
// when the first attempt is refused. Throws on failure after writing the first
// piece of the caller's line.
void GrantObjectAccess(const SecurableObject& object, Log& log);

} // namespace Remove
