#include "remove/registry_key.h"

#include "support/ansi_text.h"
#include "support/exceptions.h"
#include "support/ntdll_calls.h"
#include "support/platform_seam.h"
#include "support/windows_error.h"

#include <vector>

namespace {

WindowsPlatform::SeamCall SeamCallForOpen(REGSAM access)
{
    using WindowsPlatform::SeamCall;
    return (access & DELETE) ? SeamCall::RegOpenKeyExA_Delete : SeamCall::RegOpenKeyExA;
}

LONG OpenKey(const Windows::RegistryLocation& location, DWORD options, REGSAM access, HKEY* key)
{
    if (DWORD injected = WindowsPlatform::InjectedFailure(SeamCallForOpen(access), location.subkey))
        return static_cast<LONG>(injected);
    if (!location.relativeName.empty())
        return RegOpenKeyExW(location.base, location.relativeName.c_str(), options, access | KEY_WOW64_32KEY, key);
    return RegOpenKeyExA(location.base, location.relative.c_str(), options, access | KEY_WOW64_32KEY, key);
}

LONG OpenKey(HKEY root, const std::string& subkey, DWORD options, REGSAM access, HKEY* key)
{
    return OpenKey(Windows::RegistryLocation::Of(root, subkey), options, access, key);
}

bool IsLinkKey(HKEY key)
{
    DWORD type = REG_NONE;
    LONG result = RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr);
    return (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) && type == REG_LINK;
}

} // namespace

namespace Windows {

std::string RegistryDisplayPath(HKEY root, const std::string& subkey)
{
    const char* name = "(...)";
    if (root == HKEY_CLASSES_ROOT)
        name = "HKCR";
    else if (root == HKEY_CURRENT_USER)
        name = "HKCU";
    else if (root == HKEY_LOCAL_MACHINE)
        name = "HKLM";
    else if (root == HKEY_USERS)
        name = "HKU";
    else if (root == HKEY_CURRENT_CONFIG)
        name = "HKCC";
    return std::string(name) + "\\" + subkey;
}

std::string RegistrySecurityName(HKEY root, const std::string& subkey)
{
    const char* name = nullptr;
    if (root == HKEY_CLASSES_ROOT)
        name = "CLASSES_ROOT";
    else if (root == HKEY_CURRENT_USER)
        name = "CURRENT_USER";
    else if (root == HKEY_LOCAL_MACHINE)
        name = "MACHINE";
    else if (root == HKEY_USERS)
        name = "USERS";
    else
        throw ExceptionPL("Unknown HKEY rootKey type");
    return std::string(name) + "\\" + subkey;
}

RegistryKey OpenRegistryKey(const RegistryLocation& location, REGSAM access, DWORD options)
{
    RegistryKey key;
    ThrowWindowsError(static_cast<DWORD>(OpenKey(location, options, access, key.put())));
    return key;
}

RegistryKey OpenRegistryKey(HKEY root, const std::string& subkey, REGSAM access, DWORD options)
{
    return OpenRegistryKey(RegistryLocation::Of(root, subkey), access, options);
}

RegistryLocation RegistryLocation::Child(HKEY self, const std::wstring& name) const
{
    return {root, subkey + "\\" + NarrowText(name.data(), name.size()), self, std::string(), name};
}

LONG TryOpenRegistryKey(const RegistryLocation& location, REGSAM access, DWORD options, RegistryKey& opened)
{
    return OpenKey(location, options, access, opened.put());
}

bool CanOpenRegistryKey(const RegistryLocation& location, REGSAM access, DWORD options)
{
    RegistryKey key;
    return OpenKey(location, options, access, key.put()) == ERROR_SUCCESS;
}

bool CanOpenRegistryKey(HKEY root, const std::string& subkey, REGSAM access, DWORD options)
{
    return CanOpenRegistryKey(RegistryLocation::Of(root, subkey), access, options);
}

bool RegistryValueExists(HKEY root, const std::string& subkey, const std::string& valueName)
{
    RegistryKey key;
    if (OpenKey(root, subkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    LONG result = RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr, nullptr, nullptr);
    return result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
}

bool EnumRegistrySubkey(HKEY key, DWORD index, SubkeyInformation& information)
{
    DWORD subkeyCount = 0;
    DWORD longestName = 0;
    DWORD longestClass = 0;
    ThrowWindowsError(static_cast<DWORD>(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeyCount, &longestName,
                                                          &longestClass, nullptr, nullptr, nullptr, nullptr,
                                                          nullptr)));
    // Nothing to enumerate: answer the end without asking again.
    if (subkeyCount <= index)
        return false;
    std::vector<char> name(longestName + 1);
    std::vector<char> className(longestClass + 1);
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD classLength = static_cast<DWORD>(className.size());
    FILETIME written = {};
    DWORD result = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::RegEnumKeyExA);
    if (result == 0)
        result = static_cast<DWORD>(RegEnumKeyExA(key, index, name.data(), &nameLength, nullptr, className.data(),
                                                  &classLength, &written));
    if (result == ERROR_NO_MORE_ITEMS)
        return false;
    ThrowWindowsError(result);
    information.name.assign(name.data(), nameLength);
    information.className.assign(className.data(), classLength);
    information.lastWriteTime = written;
    return true;
}

bool FirstSubkeyName(HKEY key, std::wstring& name)
{
    // Room for the longest name a key may have.
    wchar_t buffer[MaxRegistryKeyNameLength + 1];
    DWORD length = MaxRegistryKeyNameLength + 1;
    DWORD result = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::RegEnumKeyExW);
    if (result == 0)
        result = static_cast<DWORD>(RegEnumKeyExW(key, 0, buffer, &length, nullptr, nullptr, nullptr, nullptr));
    if (result == ERROR_NO_MORE_ITEMS)
        return false;
    ThrowWindowsError(result);
    name.assign(buffer, length);
    return true;
}

bool SubkeyNameEnumerator::Next(std::string& name)
{
    for (;;) {
        if (buffer_.empty()) {
            DWORD longestName = 0;
            ThrowWindowsError(static_cast<DWORD>(RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr,
                                                                  &longestName, nullptr, nullptr, nullptr, nullptr,
                                                                  nullptr, nullptr)));
            buffer_.assign(longestName + 1, '\0');
        }
        DWORD length = static_cast<DWORD>(buffer_.size());
        DWORD result = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::RegEnumKeyExA);
        if (result == 0)
            result = static_cast<DWORD>(
                RegEnumKeyExA(key_, index_, &buffer_[0], &length, nullptr, nullptr, nullptr, nullptr));
        if (result == ERROR_NO_MORE_ITEMS)
            return false;
        // A longer name was added since the size was asked for (or a name
        // takes more bytes than characters): a larger buffer, up to any
        // name's largest size in any code page.
        if (result == ERROR_MORE_DATA && buffer_.size() < 4 * (MaxRegistryKeyNameLength + 1)) {
            buffer_.assign(buffer_.size() * 2, '\0');
            continue;
        }
        ThrowWindowsError(result);
        name.assign(buffer_.data(), length);
        ++index_;
        return true;
    }
}

bool IsDeletableSubkeyPath(const std::string& subkey)
{
    if (subkey.empty() || subkey.front() == '\\' || subkey.back() == '\\')
        return false;
    return subkey.find("\\\\") == std::string::npos;
}

bool HasOverlongComponent(const std::string& subkey)
{
    size_t start = 0;
    while (start <= subkey.size()) {
        size_t end = subkey.find('\\', start);
        if (end == std::string::npos)
            end = subkey.size();
        if (end - start > MaxRegistryKeyNameLength)
            return true;
        start = end + 1;
    }
    return false;
}

void DeleteRegistrySubkey(HKEY root, const std::string& subkey)
{
    DeleteRegistrySubkey(RegistryLocation::Of(root, subkey));
}

void DeleteRegistrySubkey(const RegistryLocation& location)
{
    const std::string* paths[] = {&location.subkey, location.relativeName.empty() ? &location.relative : nullptr};
    for (const std::string* path : paths) {
        if (!path)
            continue;
        if (!IsDeletableSubkeyPath(*path))
            ThrowWindowsError(ERROR_BAD_PATHNAME);
        if (HasOverlongComponent(*path))
            ThrowWindowsError(ERROR_FILENAME_EXCED_RANGE);
    }
    // RegDeleteKeyA opens the key following a link and would delete the link's
    // target. Opening the last component as a link and deleting through that
    // handle removes exactly the key named, link or not.
    RegistryKey key = OpenRegistryKey(location, DELETE, REG_OPTION_OPEN_LINK);
    DeleteOpenRegistryKey(key.get(), location.subkey);
}

void DeleteOpenRegistryKey(HKEY key, const std::string& subkey)
{
    if (DWORD injected = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::RegDeleteKeyA, subkey))
        ThrowWindowsError(injected);
    // ntdll's key deletion is the only call that deletes the key a handle
    // refers to. No fallback to RegDeleteKeyA: it would follow a link.
    const WindowsPlatform::NtdllCalls& nt = WindowsPlatform::Ntdll();
    if (!nt.deleteKey || !nt.toDosError)
        throw NoSuchProcAddress();
    NTSTATUS status = nt.deleteKey(key);
    if (status < 0)
        ThrowWindowsError(WindowsPlatform::Win32CodeOf(status));
}

bool IsRegistryLink(HKEY root, const std::string& subkey)
{
    return IsRegistryLink(RegistryLocation::Of(root, subkey));
}

bool IsRegistryLink(const RegistryLocation& location)
{
    RegistryKey key;
    if (OpenKey(location, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return false;
    return IsLinkKey(key.get());
}

} // namespace Windows
