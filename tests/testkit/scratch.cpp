#include "testkit/scratch.h"

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
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
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
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

void RemoveTreeIndependently(const std::string& path)
{
    ClearAttributesAndDelete(path);
}

ScratchRegistryKey::ScratchRegistryKey(HKEY root) : root_(root)
{
    path_ = "Software\\ZEMTests\\" + UniqueTestName("key");
    HKEY key = nullptr;
    if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create scratch key " + path_);
    RegCloseKey(key);
}

ScratchRegistryKey::~ScratchRegistryKey()
{
    RegDeleteTreeA(root_, path_.c_str());
    // RegDeleteTreeA works in the caller's view; clear the 32-bit view as well.
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
        RegDeleteTreeA(key, nullptr);
        RegCloseKey(key);
        RegDeleteKeyExA(root_, path_.c_str(), KEY_WOW64_32KEY, 0);
    }
}
