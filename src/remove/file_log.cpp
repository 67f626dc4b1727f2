#include "remove/file_log.h"

#include <cstring>

namespace Remove {

FileLog::FileLog(const std::string& path)
{
    // Others may read the file while the run writes it.
    file_.reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
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
