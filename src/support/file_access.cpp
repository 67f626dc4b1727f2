#include "support/file_access.h"

#include "support/file_errors.h"

#include <algorithm>

namespace {

[[noreturn]] void ThrowOpenFailure(DWORD code, const std::string& path)
{
    ThrowFileError(FileOperation::OpenTruncateOrClose, code, path);
    // The open table has no "no error" row, but keep the compiler and reader sure.
    throw FileIOError(code, path);
}

} // namespace

Windows::UniqueFileHandle OpenFile(const std::string& path, FileOpenMode mode)
{
    if (path.empty())
        throw EmptyFileLocationError(0, path);

    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if (mode != FileOpenMode::Read)
        access |= GENERIC_WRITE;
    if (mode == FileOpenMode::Create)
        disposition = OPEN_ALWAYS;
    if (mode == FileOpenMode::Update && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        throw FileNotFoundError(0, path);

    Windows::UniqueFileHandle file(
        CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        ThrowOpenFailure(GetLastError(), path);

    // Create-always is open-always plus truncation, so that a file someone else
    // holds open for reading can still be rewritten in place.
    if (mode == FileOpenMode::Create && GetLastError() == ERROR_ALREADY_EXISTS) {
        if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
            !SetEndOfFile(file.get())) {
            DWORD code = GetLastError();
            file.reset();
            ThrowOpenFailure(code, path);
        }
    }

    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        throw FilePermissionError(ERROR_ACCESS_DENIED, path);
    return file;
}

void WriteToFile(HANDLE file, const std::string& data, const std::string& path)
{
    size_t offset = 0;
    while (offset < data.size()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - offset, 1u << 20));
        if (!WriteFile(file, data.data() + offset, chunk, &written, nullptr))
            ThrowFileError(FileOperation::ReadOrWrite, GetLastError(), path);
        if (written == 0)
            throw DiskFullError(ERROR_DISK_FULL, path);
        offset += written;
    }
}

void CloseFile(Windows::UniqueFileHandle& file, const std::string& path)
{
    if (!file.close())
        ThrowFileError(FileOperation::OpenTruncateOrClose, GetLastError(), path);
}

void WriteWholeFile(const std::string& path, const std::string& data)
{
    Windows::UniqueFileHandle file = OpenFile(path, FileOpenMode::Create);
    WriteToFile(file.get(), data, path);
    CloseFile(file, path);
}

std::string ReadWholeFile(const std::string& path)
{
    Windows::UniqueFileHandle file = OpenFile(path, FileOpenMode::Read);
    std::string content;
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr))
            ThrowFileError(FileOperation::ReadOrWrite, GetLastError(), path);
        if (read == 0)
            break;
        content.append(buffer, read);
    }
    return content;
}
