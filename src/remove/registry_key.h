// Thin wrappers over the registry functions: open, test, enumerate, delete.
// They throw the error model's exceptions and write no log.
//
// Every key is reached in the 32-bit view, whatever the build: the suite is a
// 32-bit program and registers itself there.
#pragma once

#include "support/owned_handle.h"

#include <windows.h>

#include <string>

namespace Windows {

// An open key, closed on destruction; movable, not copyable.
using RegistryKey = UniqueRegistryKey;

// What one enumeration step yields.
struct SubkeyInformation {
    std::string name;
    std::string className;
    FILETIME lastWriteTime = {};
};

// A key named twice: by its root and whole path, as the log, the security
// functions and the test seam see it, and by an open key above it plus the
// rest of the path, as it is opened. A walk down a tree opens each child from
// its open parent by the name the system gave (UTF-16, so that no name is
// mistaken for another in the narrow text), never by its whole path.
struct RegistryLocation {
    HKEY root;
    std::string subkey;
    HKEY base;
    std::string relative;      // opened by this narrow path below `base`...
    std::wstring relativeName; // ...or, when set, by this one name

    static RegistryLocation Of(HKEY root, const std::string& subkey) { return {root, subkey, root, subkey, {}}; }
    // The child `name` of this key, opened from `self`, this key's open handle.
    RegistryLocation Child(HKEY self, const std::wstring& name) const;
};

// "HKLM\\" + subkey and the like; "(...)" for a root outside the table.
std::string RegistryDisplayPath(HKEY root, const std::string& subkey);
// "MACHINE\\" + subkey and the like, as the security functions name keys;
// throws ExceptionPL for a root outside the table.
std::string RegistrySecurityName(HKEY root, const std::string& subkey);

// Throws Windows::Error with the open's code. `options` may be REG_OPTION_OPEN_LINK.
RegistryKey OpenRegistryKey(HKEY root, const std::string& subkey, REGSAM access, DWORD options = 0);
RegistryKey OpenRegistryKey(const RegistryLocation& key, REGSAM access, DWORD options = 0);
// The open's result code; `key` holds the key when it is 0.
LONG TryOpenRegistryKey(const RegistryLocation& key, REGSAM access, DWORD options, RegistryKey& opened);
// True exactly when the key opens with `access`; never throws.
bool CanOpenRegistryKey(HKEY root, const std::string& subkey, REGSAM access, DWORD options = 0);
bool CanOpenRegistryKey(const RegistryLocation& key, REGSAM access, DWORD options = 0);
// True when the value exists, whatever its type or size; never throws.
bool RegistryValueExists(HKEY root, const std::string& subkey, const std::string& valueName);

// The subkey at `index`; false when there is none (ERROR_NO_MORE_ITEMS).
bool EnumRegistrySubkey(HKEY key, DWORD index, SubkeyInformation& information);

// The name of the key's first subkey; false when it has none. Throws
// Windows::Error. Seam: RegEnumKeyExW.
bool FirstSubkeyName(HKEY key, std::wstring& name);

// The names of a key's subkeys, one call per step: the buffer is sized once
// from the longest name and sized again only when a longer name appears.
class SubkeyNameEnumerator {
public:
    explicit SubkeyNameEnumerator(HKEY key) : key_(key) {}
    // The next name; false at the end (ERROR_NO_MORE_ITEMS). Throws Windows::Error.
    bool Next(std::string& name);

private:
    HKEY key_;
    DWORD index_ = 0;
    std::string buffer_;
};

// A subkey path is deletable only when every component has a name: an empty
// path or an empty component would name the root or a parent of the key meant.
bool IsDeletableSubkeyPath(const std::string& subkey);
// Longest name of one key, in characters.
const size_t MaxRegistryKeyNameLength = 255;
// True when a component is longer than a key name may be.
bool HasOverlongComponent(const std::string& subkey);

// Deletes one key without subkeys. A key that is a registry link is deleted as
// the link: its target stays untouched. Throws Windows::Error; a path that is
// not deletable (see above) throws ERROR_BAD_PATHNAME without touching anything.
void DeleteRegistrySubkey(HKEY root, const std::string& subkey);
void DeleteRegistrySubkey(const RegistryLocation& key);
// Deletes the key `key` refers to, opened with DELETE (a link opened as a
// link is deleted as the link); `subkey` names it to the seam. Throws Windows::Error.
void DeleteOpenRegistryKey(HKEY key, const std::string& subkey);

// True when the key itself (not what it points at) is a registry link; never throws.
bool IsRegistryLink(HKEY root, const std::string& subkey);
bool IsRegistryLink(const RegistryLocation& key);

} // namespace Windows
