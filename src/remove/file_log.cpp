#include "remove/file_log.h"

#include "support/platform_seam.h"

#include <cstring>

namespace Remove {

namespace {

// Deletes what is at `path` when it may safely be replaced; 0, or the error.
DWORD DeleteExisting(const std::string& path)
{
    // No sharing: the open fails while anyone else holds the file open.
    Windows::UniqueFileHandle existing(CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr,
                                                   OPEN_EXISTING,
                                                   FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!existing) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(existing.get(), &information))
        return GetLastError();
    const DWORD attributes = information.dwFileAttributes | WindowsPlatform::InjectedAttributes(path);
    if ((attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) || information.nNumberOfLinks != 1)
        return ERROR_CANT_ACCESS_FILE;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (!SetFileInformationByHandle(existing.get(), FileDispositionInfo, &disposition, sizeof disposition))
        return GetLastError();
    return 0;
}

} // namespace

FileLog::FileLog(const std::string& path)
{
    openError_ = DeleteExisting(path);
    if (openError_ != 0)
        return;
    // Exclusively: should anything have taken the name meanwhile, no log.
    // Others may read the file while the run writes it.
    file_.reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file_)
        openError_ = GetLastError();
}

void FileLog::Write(const char* text)
{
    if (!file_ || !text)
        return;
    const std::size_t length = std::strlen(text);
    if (length == 0)
        return;
    DWORD written = 0;
    WriteFile(file_.get(), text, static_cast<DWORD>(length), &written, nullptr);
    lineOpen_ = !(length >= 2 && text[length - 2] == '\r' && text[length - 1] == '\n');
}

void FileLog::WriteFlagged(const char* text)
{
    Write(text);
}

void FileLog::EndOpenLine()
{
    if (lineOpen_)
        Write(LineEnd);
}

} // namespace Remove
