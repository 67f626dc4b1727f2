#include "testkit/scratch.h"

#include "support/owned_handle.h"
#include "testkit/registry_setup.h"

#include <atomic>
#include <cstdio>
#include <stdexcept>

std::string UniqueTestName(const char* stem)
{
    static std::atomic<unsigned> counter{0};
    char name[128];
    std::snprintf(name, sizeof name, "%s_%lu_%u", stem, static_cast<unsigned long>(GetCurrentProcessId()),
                  counter.fetch_add(1));
    return name;
}

ScratchFolder::ScratchFolder()
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        throw std::runtime_error("no temp folder");
    path_ = std::string(temp) + UniqueTestName("zemtest");
    if (!CreateDirectoryA(path_.c_str(), nullptr))
        throw std::runtime_error("cannot create " + path_);
}

ScratchFolder::~ScratchFolder()
{
    RemoveTreeIndependently(path_);
}

namespace {

void ClearAttributesAndDelete(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    if (Windows::UniqueFindHandle find{FindFirstFileA((folder + "\\*").c_str(), &entry)}) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                ClearAttributesAndDelete(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find.get(), &entry));
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

void RemoveTreeIndependently(const std::string& path)
{
    ClearAttributesAndDelete(path);
}

ScratchRegistryKey::ScratchRegistryKey(HKEY root) : root_(root), path_("Software\\ZEMTests\\" + UniqueTestName("key"))
{
    CreateTestKey(root_, path_);
}

ScratchRegistryKey::~ScratchRegistryKey()
{
    TryDeleteTestTree(root_, path_);
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const std::string& name, const std::string& value) : name_(name)
{
    DWORD size = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    had_ = size > 0;
    if (had_) {
        old_.assign(size, '\0');
        old_.resize(GetEnvironmentVariableA(name.c_str(), &old_[0], size));
    }
    if (!SetEnvironmentVariableA(name.c_str(), value.c_str()))
        throw std::runtime_error("cannot set " + name);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable()
{
    SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr);
}
