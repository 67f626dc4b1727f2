#include "remove/registry_values.h"

#include "remove/registry_key.h"
#include "support/windows_error.h"

#include <algorithm>
#include <cstring>

namespace {

std::string TextOf(const BYTE* data, Windows::RegistryValueInformation read, DWORD wantedType)
{
    if (read.size == 0)
        throw Windows::RegistryValueIsEmpty();
    if (read.type != wantedType)
        throw Windows::WrongRegistryType();
    DWORD length = read.size;
    if (data[length - 1] == 0)
        --length;
    return std::string(reinterpret_cast<const char*>(data), length);
}

std::string ReadTextValue(HKEY key, const std::string& valueName, DWORD wantedType)
{
    // Most values fit a small buffer: one query. A larger one is asked for its size first.
    BYTE small[512];
    Windows::RegistryValueInformation read;
    read.size = sizeof small;
    LONG result = RegQueryValueExA(key, valueName.c_str(), nullptr, &read.type, small, &read.size);
    if (result != ERROR_MORE_DATA) {
        ThrowWindowsError(static_cast<DWORD>(result));
        return TextOf(small, read, wantedType);
    }
    Windows::RegistryValueInformation probe = Windows::QueryRegistryValue(key, valueName, nullptr, 0);
    // One spare byte so that a zero-byte value still gets a valid buffer.
    std::vector<BYTE> buffer(probe.size + 1);
    return TextOf(buffer.data(), Windows::QueryRegistryValue(key, valueName, buffer.data(), probe.size), wantedType);
}

} // namespace

namespace Windows {

RegistryValueInformation QueryRegistryValue(HKEY key, const std::string& valueName, BYTE* buffer, DWORD bufferSize)
{
    RegistryValueInformation information;
    information.size = bufferSize;
    ThrowWindowsError(static_cast<DWORD>(
        RegQueryValueExA(key, valueName.c_str(), nullptr, &information.type, buffer, &information.size)));
    return information;
}

DWORD GetRegistryValueType(HKEY root, const std::string& subkey, const std::string& valueName)
{
    RegistryKey key = OpenRegistryKey(root, subkey, KEY_READ);
    return QueryRegistryValue(key.get(), valueName, nullptr, 0).type;
}

std::string ReadRegistryString(HKEY key, const std::string& valueName)
{
    return ReadTextValue(key, valueName, REG_SZ);
}

std::string ReadRegistryExpandString(HKEY key, const std::string& valueName)
{
    return ReadTextValue(key, valueName, REG_EXPAND_SZ);
}

std::string ReadRegistryStringAt(HKEY root, const std::string& subkey, const std::string& valueName)
{
    RegistryKey key = OpenRegistryKey(root, subkey, KEY_READ);
    return ReadRegistryString(key.get(), valueName);
}

std::string ReadRegistryExpandStringAt(HKEY root, const std::string& subkey, const std::string& valueName)
{
    RegistryKey key = OpenRegistryKey(root, subkey, KEY_READ);
    return ReadRegistryExpandString(key.get(), valueName);
}

std::string ExpandEnvironmentText(const std::string& text)
{
    DWORD needed = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (needed == 0)
        ThrowLastWindowsError();
    std::vector<char> buffer(needed + 1);
    DWORD written = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), needed);
    if (written == 0)
        ThrowLastWindowsError();
    // The size asked for may exceed what was written (double-byte code pages):
    // the text ends at its terminator.
    return std::string(buffer.data(), std::find(buffer.data(), buffer.data() + needed, '\0'));
}

std::optional<std::string> TryReadRegistryString(HKEY root, const std::string& subkey, const std::string& valueName)
{
    try {
        DWORD type = GetRegistryValueType(root, subkey, valueName);
        if (type == REG_SZ)
            return ReadRegistryStringAt(root, subkey, valueName);
        if (type == REG_EXPAND_SZ)
            return ExpandEnvironmentText(ReadRegistryExpandStringAt(root, subkey, valueName));
    } catch (...) {
    }
    return std::nullopt;
}

std::vector<SubkeyValue> ReadSubkeyValues(HKEY root, const std::string& basePath, const std::string& valueName)
{
    std::vector<SubkeyValue> subkeys;
    try {
        RegistryKey base = OpenRegistryKey(root, basePath, KEY_READ);
        SubkeyNameEnumerator names(base.get());
        std::string name;
        while (names.Next(name)) {
            SubkeyValue subkey;
            subkey.name = name;
            try {
                subkey.value = ReadRegistryStringAt(base.get(), name, valueName);
            } catch (...) {
                // Absent, empty, of another type or closed to us: no value.
            }
            subkeys.push_back(std::move(subkey));
        }
    } catch (...) {
        // An unreadable base or a failing enumeration ends the walk with what was read.
    }
    return subkeys;
}

std::vector<std::string> SubkeysWithValue(const std::vector<SubkeyValue>& subkeys, const std::string& wanted)
{
    std::vector<std::string> matches;
    for (const SubkeyValue& subkey : subkeys) {
        const std::optional<std::string>& value = subkey.value;
        if (value && value->size() == wanted.size() && std::memcmp(value->data(), wanted.data(), value->size()) == 0)
            matches.push_back(subkey.name);
    }
    return matches;
}

std::vector<std::string> FindSubkeysWithValue(HKEY root, const std::string& basePath, const std::string& valueName,
                                              const std::string& wanted)
{
    return SubkeysWithValue(ReadSubkeyValues(root, basePath, valueName), wanted);
}

} // namespace Windows
