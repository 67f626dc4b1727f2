// The version resource of an executable: the four parts of its fixed block.
#pragma once

#include "remove/log.h"

#include <optional>
#include <string>

namespace Windows {

struct FileVersion {
    unsigned short major = 0;
    unsigned short minor = 0;
    unsigned short build = 0;
    unsigned short revision = 0;
};

// "7.1.1.315": the parts in decimal as unsigned numbers, joined by ".".
std::string FileVersionText(const FileVersion& version);

// The file version of the fixed block, through "version.dll" loaded at run
// time. Throws Windows::Error (NoSuchProcAddress when the library lacks a call).
// A path the ANSI calls cannot take whole fails with ERROR_FILENAME_EXCED_RANGE.
FileVersion GetFileVersion(const std::string& path);

} // namespace Windows

namespace Remove {

// "Trying to read the version of file \"…\"...file has version 7.1.1.315";
// the version text, or no value when the file is missing or has none.
std::optional<std::string> ReadFileVersion(const std::string& path, Log& log);

} // namespace Remove
