#include "remove/security.h"

#include "support/platform_seam.h"
#include "support/windows_error.h"

#include <vector>

namespace {

// Through a handle opened for just this change: WRITE_OWNER for the owner
// (which the privilege grants), WRITE_DAC for the access list. The
// descriptor goes onto that object alone: the higher-level calls would also
// rewrite every existing child's list, by name, a second walk that reaches
// whatever other names those children have. The walk grants each object it
// deletes itself. Tests tell the two uses apart through two seam calls.
DWORD SetObjectSecurity(const Remove::SecurableObject& object, SECURITY_INFORMATION what, PSID owner, PACL dacl)
{
    using WindowsPlatform::SeamCall;
    SeamCall seamCall = owner ? SeamCall::SetKernelObjectSecurity_Owner : SeamCall::SetKernelObjectSecurity_Dacl;
    if (DWORD injected = WindowsPlatform::InjectedFailure(seamCall, object.name))
        return injected;
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        (owner && !SetSecurityDescriptorOwner(&descriptor, owner, FALSE)) ||
        (dacl && !SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE)))
        return GetLastError();
    return object.withHandle(owner ? WRITE_OWNER : WRITE_DAC, [&](HANDLE handle) -> DWORD {
        return SetKernelObjectSecurity(handle, what, &descriptor) ? ERROR_SUCCESS : GetLastError();
    });
}

Windows::UniqueKernelHandle OpenOwnToken()
{
    HANDLE token = nullptr;
    if (DWORD injected = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::OpenProcessToken))
        ThrowWindowsError(injected);
    CheckWindowsResult(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    return Windows::UniqueKernelHandle(token);
}

std::vector<BYTE> ReadTokenUser(HANDLE token)
{
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, nullptr, 0, &size) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        ThrowLastWindowsError();
    std::vector<BYTE> buffer(size);
    CheckWindowsResult(GetTokenInformation(token, TokenUser, buffer.data(), size, &size));
    return buffer;
}

} // namespace

namespace Windows {

void EnablePrivilege(HANDLE token, const char* privilegeName)
{
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    CheckWindowsResult(LookupPrivilegeValueA(nullptr, privilegeName, &privileges.Privileges[0].Luid));
    if (DWORD injected = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::AdjustTokenPrivileges, privilegeName))
        ThrowWindowsError(injected);
    CheckWindowsResult(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
}

} // namespace Windows

namespace Remove {

Windows::UniqueLocalMemory MakeFullAccessAcl(Log& log)
{
    static char currentUser[] = "CURRENT_USER";
    EXPLICIT_ACCESS_A access = {};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.pMultipleTrustee = nullptr;
    access.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    access.Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
    access.Trustee.ptstrName = currentUser;

    PACL acl = nullptr;
    DWORD result = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::SetEntriesInAclA);
    if (result == 0)
        result = SetEntriesInAclA(1, &access, nullptr, &acl);
    if (result != ERROR_SUCCESS) {
        log << "error creating ACL: ";
        throw Windows::Error(result);
    }
    return Windows::UniqueLocalMemory(acl);
}

void TakeOwnership(const SecurableObject& object, Log& log)
{
    Windows::UniqueKernelHandle token = OpenOwnToken();
    std::vector<BYTE> user = ReadTokenUser(token.get());
    // Stays enabled for the rest of the run: the next object may need it too.
    Windows::EnablePrivilege(token.get(), SE_TAKE_OWNERSHIP_NAME);

    PSID owner = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    DWORD result = SetObjectSecurity(object, OWNER_SECURITY_INFORMATION, owner, nullptr);
    if (result != ERROR_SUCCESS) {
        log << "error changing object owner: ";
        throw Windows::Error(result);
    }
}

void GrantObjectAccess(const SecurableObject& object, Log& log)
{
    DWORD result;
    {
        Windows::UniqueLocalMemory acl = MakeFullAccessAcl(log);
        result = SetObjectSecurity(object, DACL_SECURITY_INFORMATION, nullptr, static_cast<PACL>(acl.get()));
    }
    if (result == ERROR_SUCCESS)
        return;

    // Refused: as owner we may always rewrite the access list.
    TakeOwnership(object, log);
    {
        Windows::UniqueLocalMemory acl = MakeFullAccessAcl(log);
        result = SetObjectSecurity(object, DACL_SECURITY_INFORMATION, nullptr, static_cast<PACL>(acl.get()));
    }
    if (result != ERROR_SUCCESS) {
        log << "error setting object security descriptor: ";
        throw Windows::Error(result);
    }
}

} // namespace Remove
