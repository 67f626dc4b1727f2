// Thin wrappers that read registry values (REG_SZ and REG_EXPAND_SZ only),
// and the two never-throwing readers the look-ups are built on.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace Windows {

struct RegistryValueInformation {
    DWORD type = REG_NONE;
    DWORD size = 0;
};

// RegQueryValueExA; `buffer` may be null to learn type and size. Throws Windows::Error.
RegistryValueInformation QueryRegistryValue(HKEY key, const std::string& valueName, BYTE* buffer, DWORD bufferSize);
// Opens the key for reading and answers the value's type. Throws Windows::Error.
DWORD GetRegistryValueType(HKEY root, const std::string& subkey, const std::string& valueName);

// The text of a REG_SZ (respectively REG_EXPAND_SZ, unexpanded) value, without
// its one terminator. Throws RegistryValueIsEmpty for zero bytes (tested
// first), WrongRegistryType for another type, Windows::Error otherwise.
std::string ReadRegistryString(HKEY key, const std::string& valueName);
std::string ReadRegistryExpandString(HKEY key, const std::string& valueName);
std::string ReadRegistryStringAt(HKEY root, const std::string& subkey, const std::string& valueName);
std::string ReadRegistryExpandStringAt(HKEY root, const std::string& subkey, const std::string& valueName);

// Environment references ("%SystemRoot%") replaced. Throws Windows::Error.
std::string ExpandEnvironmentText(const std::string& text);

// REG_SZ as stored, REG_EXPAND_SZ expanded; any other type or any failure is
// no value. Never throws.
std::optional<std::string> TryReadRegistryString(HKEY root, const std::string& subkey, const std::string& valueName);

// A subkey's name and its REG_SZ value of one name (absent when missing,
// empty, of another type or unreadable).
struct SubkeyValue {
    std::string name;
    std::optional<std::string> value;
};

// Every subkey of `basePath` with its value `valueName`, in the registry's
// enumeration order. Never throws: an unreadable base is an empty list, a
// failing enumeration ends the list.
std::vector<SubkeyValue> ReadSubkeyValues(HKEY root, const std::string& basePath, const std::string& valueName);
// The names of those whose value equals `wanted` byte for byte (case, blanks and length included).
std::vector<std::string> SubkeysWithValue(const std::vector<SubkeyValue>& subkeys, const std::string& wanted);

// Names of the subkeys of `basePath` whose REG_SZ value `valueName` equals
// `wanted` byte for byte (case, blanks and length included), in the registry's
// enumeration order. Never throws: an unreadable base is an empty list, an
// unreadable subkey is passed over, a failing enumeration ends the walk.
std::vector<std::string> FindSubkeysWithValue(HKEY root, const std::string& basePath, const std::string& valueName,
                                              const std::string& wanted);

} // namespace Windows
