#include "support/file_access.h"
#include "support/file_errors.h"
#include "support/windows_error.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using K = FileErrorKind;
using Op = FileOperation;

struct TableRow {
    std::vector<DWORD> codes;
    K open, flush, deleteOrCreate, readWrite;
};

const TableRow kTable[] = {
    {{0}, K::NotFound, K::NotFound, K::None, K::IOError},
    {{2, 6, 18, 107}, K::NotFound, K::NotFound, K::NotFound, K::IOError},
    {{3, 15, 17, 34, 52, 53, 55, 67, 70, 85, 111, 123, 124, 125, 144, 154, 161, 206, 208, 267},
     K::DirectoryNotFound, K::DirectoryNotFound, K::DirectoryNotFound, K::IOError},
    {{5, 12, 19, 29, 54, 58, 64, 65, 71, 82, 86, 170, 999}, K::Permission, K::Permission, K::Permission, K::IOError},
    {{80, 183}, K::Permission, K::Found, K::Permission, K::IOError},
    {{24, 25, 27, 30, 131, 132}, K::IOError, K::IOError, K::Seek, K::Seek},
    {{32}, K::IOError, K::IOError, K::IOError, K::Permission},
    {{33, 108, 167}, K::Lock, K::Lock, K::Lock, K::Permission},
    {{38}, K::IOError, K::IOError, K::None, K::EndOfFile},
    {{39, 112}, K::DiskFull, K::DiskFull, K::DiskFull, K::DiskFull},
    {{1, 4, 87, 1234, 0xFFFFFFFF}, K::IOError, K::IOError, K::IOError, K::IOError},
};

} // namespace

TEST(FileErrorClassification, EveryCodeOfTheFourTablesMapsToItsClass)
{
    for (const TableRow& row : kTable) {
        for (DWORD code : row.codes) {
            SCOPED_TRACE(code);
            EXPECT_EQ(ClassifyFileError(Op::OpenTruncateOrClose, code), row.open);
            EXPECT_EQ(ClassifyFileError(Op::Flush, code), row.flush);
            EXPECT_EQ(ClassifyFileError(Op::DeleteFileOrCreateFolder, code), row.deleteOrCreate);
            EXPECT_EQ(ClassifyFileError(Op::ReadOrWrite, code), row.readWrite);
        }
    }
}

TEST(FileErrorClassification, ThrownClassMatchesTheKindAndKeepsCodeAndPaths)
{
    EXPECT_THROW(ThrowFileError(Op::Flush, 183, "a"), FileFoundError);
    EXPECT_THROW(ThrowFileError(Op::ReadOrWrite, 38, "a"), EndOfFileError);
    EXPECT_THROW(ThrowFileError(Op::DeleteFileOrCreateFolder, 24, "a"), FileSeekError);
    EXPECT_THROW(ThrowFileError(Op::OpenTruncateOrClose, 33, "a"), FileLockError);
    EXPECT_THROW(ThrowFileError(Op::ReadOrWrite, 112, "a"), DiskFullError);
    EXPECT_NO_THROW(ThrowFileError(Op::DeleteFileOrCreateFolder, 0, "a"));
    EXPECT_NO_THROW(ThrowFileError(Op::DeleteFileOrCreateFolder, 38, "a"));
    try {
        ThrowFileError(Op::OpenTruncateOrClose, 5, "C:\\one", "C:\\two");
        FAIL();
    } catch (const FilePermissionError& error) {
        EXPECT_EQ(error.Code(), 5u);
        EXPECT_EQ(error.FirstPath(), "C:\\one");
        EXPECT_EQ(error.SecondPath(), "C:\\two");
    }
}

TEST(FileErrorText, PiecesAppearOnlyWhenPresent)
{
    EXPECT_EQ(std::string(FileIOError(0, "", "").what()), "File error \"class FileIOError\"");
    EXPECT_EQ(std::string(FileNotFoundError(2, "C:\\x.txt").what()),
              "File error \"class FileNotFoundError\" on \"C:\\x.txt\": Windows Error: 2: " + WindowsErrorText(2));
    EXPECT_EQ(std::string(FileFoundError(0, "C:\\a", "C:\\b").what()),
              "File error \"class FileFoundError\" on \"C:\\a\" and \"C:\\b\"");
    EXPECT_EQ(std::string(DiskFullError(0, "", "C:\\b").what()),
              "File error \"class DiskFullError\" and \"C:\\b\"");
}

TEST(FileAccess, CreateWritesAndTruncatesReadReadsUpdateNeedsTheFile)
{
    ScratchFolder folder;
    std::string path = folder / "response.iss";
    WriteWholeFile(path, "a long first content");
    WriteWholeFile(path, "short");
    EXPECT_EQ(ReadWholeFile(path), "short") << "creating over an existing file empties it first";

    EXPECT_NO_THROW(OpenFile(path, FileOpenMode::Update));
    try {
        OpenFile(folder / "missing.txt", FileOpenMode::Update);
        FAIL();
    } catch (const FileNotFoundError& error) {
        EXPECT_EQ(error.Code(), 0u) << "the existence check, not CreateFileA, refuses it";
    }
    try {
        OpenFile(folder / "missing.txt", FileOpenMode::Read);
        FAIL();
    } catch (const FileNotFoundError& error) {
        EXPECT_EQ(error.Code(), 2u);
    }
    EXPECT_THROW(OpenFile(folder / "no-folder\\x.txt", FileOpenMode::Create), DirectoryNotFoundError);
    EXPECT_THROW(OpenFile("", FileOpenMode::Read), EmptyFileLocationError);
}

TEST(FileAccess, FileOpenForWritingElsewhereCannotBeOpenedAgain)
{
    ScratchFolder folder;
    std::string path = folder / "held.txt";
    WriteWholeFile(path, "x");
    Windows::UniqueFileHandle held = OpenFile(path, FileOpenMode::Update);
    // We share for reading only, so a second writer meets a sharing violation (32).
    try {
        OpenFile(path, FileOpenMode::Update);
        FAIL();
    } catch (const FileIOError& error) {
        EXPECT_EQ(error.Code(), 32u);
        EXPECT_EQ(typeid(error), typeid(FileIOError));
    }
}

TEST(FileAccess, DeviceThatIsNotADiskFileIsRefused)
{
    try {
        OpenFile("NUL", FileOpenMode::Read);
        FAIL();
    } catch (const FilePermissionError& error) {
        EXPECT_EQ(error.Code(), 5u);
    }
}
