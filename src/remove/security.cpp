#include "remove/security.h"

#include "support/platform_seam.h"
#include "support/windows_error.h"

#include <vector>

namespace {

// SetNamedSecurityInfoA wants a writable name. Tests tell the two uses apart
// through two seam calls.
DWORD SetObjectSecurity(const std::string& objectName, SE_OBJECT_TYPE type, SECURITY_INFORMATION what, PSID owner,
                        PACL dacl)
{
    using WindowsPlatform::SeamCall;
    SeamCall seamCall = owner ? SeamCall::SetNamedSecurityInfoA_Owner : SeamCall::SetNamedSecurityInfoA_Dacl;
    if (DWORD injected = WindowsPlatform::InjectedFailure(seamCall, objectName))
        return injected;
    std::vector<char> name(objectName.begin(), objectName.end());
    name.push_back('\0');
    return SetNamedSecurityInfoA(name.data(), type, what, owner, nullptr, dacl, nullptr);
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

void TakeOwnership(const std::string& objectName, SE_OBJECT_TYPE type, Log& log)
{
    Windows::UniqueKernelHandle token = OpenOwnToken();
    std::vector<BYTE> user = ReadTokenUser(token.get());
    // Stays enabled for the rest of the run: the next object may need it too.
    Windows::EnablePrivilege(token.get(), SE_TAKE_OWNERSHIP_NAME);

    PSID owner = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    DWORD result = SetObjectSecurity(objectName, type, OWNER_SECURITY_INFORMATION, owner, nullptr);
    if (result != ERROR_SUCCESS) {
        log << "error changing object owner: ";
        throw Windows::Error(result);
    }
}

void GrantObjectAccess(const std::string& objectName, SE_OBJECT_TYPE type, Log& log)
{
    DWORD result;
    {
        Windows::UniqueLocalMemory acl = MakeFullAccessAcl(log);
        result = SetObjectSecurity(objectName, type, DACL_SECURITY_INFORMATION, nullptr,
                                   static_cast<PACL>(acl.get()));
    }
    if (result == ERROR_SUCCESS)
        return;

    // Refused: as owner we may always rewrite the access list.
    TakeOwnership(objectName, type, log);
    {
        Windows::UniqueLocalMemory acl = MakeFullAccessAcl(log);
        result = SetObjectSecurity(objectName, type, DACL_SECURITY_INFORMATION, nullptr,
                                   static_cast<PACL>(acl.get()));
    }
    if (result != ERROR_SUCCESS) {
        log << "error setting object security descriptor: ";
        throw Windows::Error(result);
    }
}

} // namespace Remove
