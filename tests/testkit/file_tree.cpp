#include "testkit/file_tree.h"

#include "support/file_access.h"
#include "support/owned_handle.h"
#include "support/windows_error.h"

#include <stdexcept>

void MakeFolder(const std::string& path)
{
    if (CreateDirectoryA(path.c_str(), nullptr))
        return;
    DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND) {
        size_t parent = path.find_last_of('\\');
        if (parent != std::string::npos && parent > 2) {
            MakeFolder(path.substr(0, parent));
            if (CreateDirectoryA(path.c_str(), nullptr))
                return;
            error = GetLastError();
        }
    }
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (error != ERROR_ALREADY_EXISTS || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw std::runtime_error("cannot create folder " + path + ": " + std::to_string(error));
}

void MakeFile(const std::string& path, const std::string& text)
{
    size_t parent = path.find_last_of('\\');
    if (parent != std::string::npos && !Exists(path.substr(0, parent)))
        MakeFolder(path.substr(0, parent));
    WriteWholeFile(path, text);
}

void MakeReadOnly(const std::string& path)
{
    if (!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY))
        throw std::runtime_error("cannot make read-only " + path);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadTestFile(const std::string& path)
{
    if (!Exists(path))
        return std::string();
    return ReadWholeFile(path);
}

std::string WindowsErrorPiece(DWORD code)
{
    return "Windows Error: " + WindowsErrorText(code);
}

namespace {

// "\\\\?\\" + the path: the wide calls then take paths of any length.
std::wstring LongPathName(const std::string& path)
{
    std::wstring wide = L"\\\\?\\";
    for (char c : path)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

} // namespace

void MakeFolderWide(const std::string& path)
{
    if (!CreateDirectoryW(LongPathName(path).c_str(), nullptr))
        throw std::runtime_error("cannot create long folder " + path);
}

void MakeFileWide(const std::string& path)
{
    Windows::UniqueFileHandle file(CreateFileW(LongPathName(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        throw std::runtime_error("cannot create long file " + path);
}

bool ExistsWide(const std::string& path)
{
    return GetFileAttributesW(LongPathName(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTreeWide(const std::string& path)
{
    WIN32_FIND_DATAW entry;
    if (Windows::UniqueFindHandle find{FindFirstFileW((LongPathName(path) + L"\\*").c_str(), &entry)}) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::string child = path + "\\";
            for (wchar_t c : name)
                child += static_cast<char>(c);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTreeWide(child);
            else
                DeleteFileW(LongPathName(child).c_str());
        } while (FindNextFileW(find.get(), &entry));
    }
    RemoveDirectoryW(LongPathName(path).c_str());
}
