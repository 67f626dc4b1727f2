// The tests' one registry builder: registry content made and inspected with
// the system's own calls (never with the code under test), in the 32-bit
// view. Every step that prepares a state throws std::runtime_error when its
// call fails, so that a test never runs on a machine other than it asked for.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Creates the key and any missing parents.
void CreateTestKey(HKEY root, const std::string& subkey);
// Sets a value of any type with exactly these bytes (no terminator is added),
// creating the key when missing.
void SetTestValue(HKEY root, const std::string& subkey, const std::string& name, DWORD type,
                  const std::string& bytes);
// Sets a REG_SZ or REG_EXPAND_SZ value with its terminator, as setups write them.
void SetTestString(HKEY root, const std::string& subkey, const std::string& name, const std::string& text,
                   DWORD type = REG_SZ);
void SetTestDword(HKEY root, const std::string& subkey, const std::string& name, DWORD value);
bool TestKeyExists(HKEY root, const std::string& subkey);
bool TestValueExists(HKEY root, const std::string& subkey, const std::string& name);
// Removes the key with everything below it (links removed as links); a
// missing key is fine, a key that stays throws.
void DeleteTestTree(HKEY root, const std::string& subkey);
// The same, for clean-ups in destructors: never throws, answers whether the key is gone.
bool TryDeleteTestTree(HKEY root, const std::string& subkey) noexcept;
// Makes `linkSubkey` a registry link to `targetSubkey` of the same root
// (HKEY_CURRENT_USER or HKEY_USERS only).
void CreateTestLink(HKEY root, const std::string& linkSubkey, const std::string& targetSubkey);

// Uniquely named entries under a real key (the Uninstall key, say) that are
// deleted with the object.
class ScratchEntries {
public:
    ScratchEntries(HKEY root, const std::string& basePath) : root_(root), basePath_(basePath) {}
    ~ScratchEntries();
    ScratchEntries(const ScratchEntries&) = delete;
    ScratchEntries& operator=(const ScratchEntries&) = delete;

    // Creates a new entry and answers its full subkey path; the first `stem`
    // given names all entries of this object.
    std::string Add(const char* stem);
    // Full path of an entry made with Add, by its order of creation.
    const std::string& Path(size_t index) const { return paths_.at(index); }
    // Entry name of an entry, without the base path.
    std::string Name(size_t index) const { return paths_.at(index).substr(basePath_.size() + 1); }

private:
    HKEY root_;
    std::string basePath_;
    std::vector<std::string> paths_;
    std::string stem_;
};
