// File errors: one class per kind of failure, chosen from the Windows error
// code by the kind of operation that failed.
#pragma once

#include "support/exceptions.h"

#include <windows.h>

#include <memory>
#include <string>

// Base of every file failure: the code (0 when there is none) and up to two paths.
class FileIOError : public DebuggableException {
public:
    FileIOError(DWORD code, const std::string& firstPath, const std::string& secondPath = std::string());
    const char* what() const noexcept override;

    DWORD Code() const noexcept { return detail_->code; }
    const std::string& FirstPath() const noexcept { return detail_->firstPath; }
    const std::string& SecondPath() const noexcept { return detail_->secondPath; }

private:
    struct Detail {
        DWORD code;
        std::string firstPath;
        std::string secondPath;
        std::string text;
    };
    std::shared_ptr<Detail> detail_;
};

#define ZEM_FILE_ERROR_CLASS(Name)                                                                                     \
    class Name : public FileIOError {                                                                                  \
    public:                                                                                                            \
        using FileIOError::FileIOError;                                                                                \
    };
ZEM_FILE_ERROR_CLASS(FileNotFoundError)
ZEM_FILE_ERROR_CLASS(DirectoryNotFoundError)
ZEM_FILE_ERROR_CLASS(FilePermissionError)
ZEM_FILE_ERROR_CLASS(FileSeekError)
ZEM_FILE_ERROR_CLASS(FileLockError)
ZEM_FILE_ERROR_CLASS(DiskFullError)
ZEM_FILE_ERROR_CLASS(FileFoundError)
ZEM_FILE_ERROR_CLASS(EndOfFileError)
ZEM_FILE_ERROR_CLASS(EmptyFileLocationError)
ZEM_FILE_ERROR_CLASS(InvalidFileLocation)
ZEM_FILE_ERROR_CLASS(RootHasNoParent)
ZEM_FILE_ERROR_CLASS(FileItemError)
#undef ZEM_FILE_ERROR_CLASS

// The four kinds of file operation, each with its own classification table.
enum class FileOperation {
    OpenTruncateOrClose,
    Flush,
    DeleteFileOrCreateFolder,
    ReadOrWrite,
};

enum class FileErrorKind {
    None,
    IOError,
    NotFound,
    DirectoryNotFound,
    Permission,
    Seek,
    Lock,
    DiskFull,
    Found,
    EndOfFile,
};

FileErrorKind ClassifyFileError(FileOperation operation, DWORD code);

// Throws the file error that the operation's table gives for the code, with
// the paths recorded; returns normally where the table says "no error".
void ThrowFileError(FileOperation operation, DWORD code, const std::string& firstPath,
                    const std::string& secondPath = std::string());
