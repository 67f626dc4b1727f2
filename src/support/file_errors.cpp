#include "support/file_errors.h"

#include "support/windows_error.h"

#include <algorithm>
#include <initializer_list>

FileIOError::FileIOError(DWORD code, const std::string& firstPath, const std::string& secondPath)
    : detail_(std::make_shared<Detail>(Detail{code, firstPath, secondPath, std::string()}))
{
}

const char* FileIOError::what() const noexcept
{
    try {
        std::string text = "File error \"" + TypeNameText(typeid(*this)) + "\"";
        if (!detail_->firstPath.empty())
            text += " on \"" + detail_->firstPath + "\"";
        if (!detail_->secondPath.empty())
            text += " and \"" + detail_->secondPath + "\"";
        if (detail_->code != 0)
            text += ": Windows Error: " + std::to_string(detail_->code) + ": " + WindowsErrorText(detail_->code);
        detail_->text = std::move(text);
        return detail_->text.c_str();
    } catch (...) {
        return DebuggableException::what();
    }
}

namespace {

bool IsOneOf(DWORD code, std::initializer_list<DWORD> codes)
{
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// Column indexes of the tables: open/truncate/close, flush, delete/create folder, read/write.
int Column(FileOperation operation)
{
    return static_cast<int>(operation);
}

} // namespace

FileErrorKind ClassifyFileError(FileOperation operation, DWORD code)
{
    using K = FileErrorKind;
    struct Row {
        std::initializer_list<DWORD> codes;
        K kinds[4];
    };
    static const Row rows[] = {
        {{0}, {K::NotFound, K::NotFound, K::None, K::IOError}},
        {{2, 6, 18, 107}, {K::NotFound, K::NotFound, K::NotFound, K::IOError}},
        {{3, 15, 17, 34, 52, 53, 55, 67, 70, 85, 111, 123, 124, 125, 144, 154, 161, 206, 208, 267},
         {K::DirectoryNotFound, K::DirectoryNotFound, K::DirectoryNotFound, K::IOError}},
        {{5, 12, 19, 29, 54, 58, 64, 65, 71, 82, 86, 170, 999},
         {K::Permission, K::Permission, K::Permission, K::IOError}},
        {{80, 183}, {K::Permission, K::Found, K::Permission, K::IOError}},
        {{24, 25, 27, 30, 131, 132}, {K::IOError, K::IOError, K::Seek, K::Seek}},
        {{32}, {K::IOError, K::IOError, K::IOError, K::Permission}},
        {{33, 108, 167}, {K::Lock, K::Lock, K::Lock, K::Permission}},
        {{38}, {K::IOError, K::IOError, K::None, K::EndOfFile}},
        {{39, 112}, {K::DiskFull, K::DiskFull, K::DiskFull, K::DiskFull}},
    };
    for (const Row& row : rows) {
        if (IsOneOf(code, row.codes))
            return row.kinds[Column(operation)];
    }
    return K::IOError;
}

void ThrowFileError(FileOperation operation, DWORD code, const std::string& firstPath, const std::string& secondPath)
{
    switch (ClassifyFileError(operation, code)) {
    case FileErrorKind::None:
        return;
    case FileErrorKind::NotFound:
        throw FileNotFoundError(code, firstPath, secondPath);
    case FileErrorKind::DirectoryNotFound:
        throw DirectoryNotFoundError(code, firstPath, secondPath);
    case FileErrorKind::Permission:
        throw FilePermissionError(code, firstPath, secondPath);
    case FileErrorKind::Seek:
        throw FileSeekError(code, firstPath, secondPath);
    case FileErrorKind::Lock:
        throw FileLockError(code, firstPath, secondPath);
    case FileErrorKind::DiskFull:
        throw DiskFullError(code, firstPath, secondPath);
    case FileErrorKind::Found:
        throw FileFoundError(code, firstPath, secondPath);
    case FileErrorKind::EndOfFile:
        throw EndOfFileError(code, firstPath, secondPath);
    case FileErrorKind::IOError:
        break;
    }
    throw FileIOError(code, firstPath, secondPath);
}
