// Scratch places in the test prefix that a test owns and that vanish with it.
#pragma once

#include <windows.h>

#include <string>

// A unique name per process and call, so parallel tests never meet.
std::string UniqueTestName(const char* stem);

// A fresh folder under the prefix's temp folder, removed with everything in it
// when the test ends.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Path + "\\" + relative.
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// A fresh key "Software\\ZEMTests\\<unique>" under `root` in the 32-bit view,
// deleted with its subkeys when the test ends.
class ScratchRegistryKey {
public:
    explicit ScratchRegistryKey(HKEY root = HKEY_CURRENT_USER);
    ~ScratchRegistryKey();
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

    HKEY Root() const { return root_; }
    const std::string& SubkeyPath() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    HKEY root_;
    std::string path_;
};

// Sets an environment variable of this process (and of the programs it
// starts) while it lives; the old value, or none, comes back afterwards.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const std::string& name, const std::string& value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::string name_;
    std::string old_;
    bool had_;
};

// Removes a folder tree with the shell's own command, not with our code.
void RemoveTreeIndependently(const std::string& path);
