// Opening, writing and reading whole files, with failures raised as file errors.
#pragma once

#include "support/owned_handle.h"

#include <string>

enum class FileOpenMode {
    Read,   // read access, the file must exist
    Create, // read and write access, created or emptied
    Update, // read and write access, the file must exist
};

// Opens `path` sharing it for reading only. Throws EmptyFileLocationError for
// an empty path and the classified file error for a failure; a handle that is
// not a disk file is refused as FilePermissionError with code 5.
Windows::UniqueFileHandle OpenFile(const std::string& path, FileOpenMode mode);

// Writes all of `data`; a short or failed write throws.
void WriteToFile(HANDLE file, const std::string& data, const std::string& path);

// Closes the file, raising a failed close as a file error.
void CloseFile(Windows::UniqueFileHandle& file, const std::string& path);

// Creates (or empties) the file at `path` and writes `data` into it.
void WriteWholeFile(const std::string& path, const std::string& data);

// The whole content of an existing file.
std::string ReadWholeFile(const std::string& path);
