#include "testkit/registry_setup.h"

#include "testkit/scratch.h"

#include <sddl.h>

#include <cstdio>
#include <stdexcept>

namespace {

const REGSAM View = KEY_WOW64_32KEY;

std::string CurrentUserSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        throw std::runtime_error("no token");
    BYTE buffer[256];
    DWORD size = 0;
    BOOL ok = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    char* text = nullptr;
    if (!ok || !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
        throw std::runtime_error("no user SID");
    std::string sid = text;
    LocalFree(text);
    return sid;
}

// The kernel's name of a key, which is what a link holds.
std::wstring NativeKeyName(HKEY root, const std::string& subkey)
{
    std::string name;
    if (root == HKEY_CURRENT_USER)
        name = "\\Registry\\User\\" + CurrentUserSid() + "\\" + subkey;
    else if (root == HKEY_USERS)
        name = "\\Registry\\User\\" + subkey;
    else
        throw std::runtime_error("links are made under HKCU or HKU only");
    return std::wstring(name.begin(), name.end());
}

void DeleteTreeAt(HKEY root, const std::string& subkey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), REG_OPTION_OPEN_LINK, KEY_READ | View, &key) != ERROR_SUCCESS)
        return;
    DWORD type = 0;
    bool link = RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
                type == REG_LINK;
    char name[256];
    DWORD length = sizeof name;
    while (!link && RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        std::string child = subkey + "\\" + name;
        DeleteTreeAt(root, child);
        length = sizeof name;
        if (TestKeyExists(root, child))
            break;
    }
    RegCloseKey(key);
    if (link) {
        using NtDeleteKeyCall = LONG(NTAPI*)(HANDLE);
        auto deleteKey = reinterpret_cast<NtDeleteKeyCall>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
        if (RegOpenKeyExA(root, subkey.c_str(), REG_OPTION_OPEN_LINK, DELETE | View, &key) == ERROR_SUCCESS) {
            deleteKey(key);
            RegCloseKey(key);
        }
        return;
    }
    RegDeleteKeyExA(root, subkey.c_str(), View, 0);
}

} // namespace

void CreateTestKey(HKEY root, const std::string& subkey)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | View, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + subkey);
    RegCloseKey(key);
}

void SetTestValue(HKEY root, const std::string& subkey, const std::string& name, DWORD type, const std::string& bytes)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | View, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot create key " + subkey);
    LONG result = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot set value " + name);
}

void SetTestString(HKEY root, const std::string& subkey, const std::string& name, const std::string& text, DWORD type)
{
    SetTestValue(root, subkey, name, type, std::string(text.c_str(), text.size() + 1));
}

bool TestKeyExists(HKEY root, const std::string& subkey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | View, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteTestTree(HKEY root, const std::string& subkey)
{
    if (subkey.empty())
        throw std::runtime_error("refusing to clear a whole root");
    DeleteTreeAt(root, subkey);
}

void CreateTestLink(HKEY root, const std::string& linkSubkey, const std::string& targetSubkey)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, linkSubkey.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | View, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create link " + linkSubkey);
    std::wstring target = NativeKeyName(root, targetSubkey);
    LONG result = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                                 static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot point link " + linkSubkey);
}

ScratchEntries::~ScratchEntries()
{
    for (const std::string& path : paths_)
        DeleteTreeAt(root_, path);
}

std::string ScratchEntries::Add(const char* stem)
{
    // One unique stem per object and a zero-padded count: the registry lists
    // subkeys in name order, so entries are enumerated in creation order.
    char count[16];
    std::snprintf(count, sizeof count, "_%03u", static_cast<unsigned>(paths_.size()));
    if (stem_.empty())
        stem_ = UniqueTestName(stem);
    paths_.push_back(basePath_ + "\\" + stem_ + count);
    CreateTestKey(root_, paths_.back());
    return paths_.back();
}
