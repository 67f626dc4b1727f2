#include "testkit/registry_setup.h"

#include "support/owned_handle.h"
#include "testkit/scratch.h"

#include <sddl.h>

#include <cstdio>
#include <stdexcept>

namespace {

const REGSAM View = KEY_WOW64_32KEY;

void Check(LONG result, const std::string& what)
{
    if (result != ERROR_SUCCESS)
        throw std::runtime_error(what + " failed with " + std::to_string(result));
}

Windows::UniqueRegistryKey CreateOrOpen(HKEY root, const std::string& subkey)
{
    Windows::UniqueRegistryKey key;
    Check(RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | View, nullptr, key.put(), nullptr),
          "creating key " + subkey);
    return key;
}

std::string CurrentUserSid()
{
    Windows::UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        throw std::runtime_error("no token");
    BYTE buffer[256];
    DWORD size = 0;
    char* text = nullptr;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size) ||
        !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
        throw std::runtime_error("no user SID");
    Windows::UniqueLocalMemory owned(text);
    return text;
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

bool IsLink(HKEY key)
{
    DWORD type = 0;
    return RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

// Deletes children first; a link is deleted as itself through ntdll, since
// RegDeleteKey would follow it.
void DeleteTreeAt(HKEY root, const std::string& subkey)
{
    Windows::UniqueRegistryKey key;
    if (RegOpenKeyExA(root, subkey.c_str(), REG_OPTION_OPEN_LINK, KEY_READ | View, key.put()) != ERROR_SUCCESS)
        return;
    if (IsLink(key.get())) {
        using NtDeleteKeyCall = LONG(NTAPI*)(HANDLE);
        auto deleteKey = reinterpret_cast<NtDeleteKeyCall>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
        Windows::UniqueRegistryKey link;
        if (deleteKey &&
            RegOpenKeyExA(root, subkey.c_str(), REG_OPTION_OPEN_LINK, DELETE | View, link.put()) == ERROR_SUCCESS)
            deleteKey(link.get());
        return;
    }
    char name[256];
    DWORD length = sizeof name;
    while (RegEnumKeyExA(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        std::string child = subkey + "\\" + name;
        DeleteTreeAt(root, child);
        length = sizeof name;
        if (TestKeyExists(root, child))
            return;
    }
    key.reset();
    RegDeleteKeyExA(root, subkey.c_str(), View, 0);
}

} // namespace

void CreateTestKey(HKEY root, const std::string& subkey)
{
    CreateOrOpen(root, subkey);
}

void SetTestValue(HKEY root, const std::string& subkey, const std::string& name, DWORD type, const std::string& bytes)
{
    Windows::UniqueRegistryKey key = CreateOrOpen(root, subkey);
    Check(RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size())),
          "setting value " + subkey + ":" + name);
}

void SetTestString(HKEY root, const std::string& subkey, const std::string& name, const std::string& text, DWORD type)
{
    SetTestValue(root, subkey, name, type, std::string(text.c_str(), text.size() + 1));
}

void SetTestDword(HKEY root, const std::string& subkey, const std::string& name, DWORD value)
{
    SetTestValue(root, subkey, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

bool TestKeyExists(HKEY root, const std::string& subkey)
{
    Windows::UniqueRegistryKey key;
    return RegOpenKeyExA(root, subkey.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | View, key.put()) ==
           ERROR_SUCCESS;
}

bool TestValueExists(HKEY root, const std::string& subkey, const std::string& name)
{
    Windows::UniqueRegistryKey key;
    return RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE | View, key.put()) == ERROR_SUCCESS &&
           RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TryDeleteTestTree(HKEY root, const std::string& subkey) noexcept
{
    if (subkey.empty())
        return false;
    DeleteTreeAt(root, subkey);
    return !TestKeyExists(root, subkey);
}

void DeleteTestTree(HKEY root, const std::string& subkey)
{
    if (subkey.empty())
        throw std::runtime_error("refusing to clear a whole root");
    if (!TryDeleteTestTree(root, subkey))
        throw std::runtime_error("cannot delete key " + subkey);
}

void CreateTestLink(HKEY root, const std::string& linkSubkey, const std::string& targetSubkey)
{
    Windows::UniqueRegistryKey key;
    Check(RegCreateKeyExA(root, linkSubkey.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | View,
                          nullptr, key.put(), nullptr),
          "creating link " + linkSubkey);
    std::wstring target = NativeKeyName(root, targetSubkey);
    Check(RegSetValueExW(key.get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                         static_cast<DWORD>(target.size() * sizeof(wchar_t))),
          "pointing link " + linkSubkey);
}

ScratchEntries::~ScratchEntries()
{
    for (const std::string& path : paths_)
        TryDeleteTestTree(root_, path);
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
