// Thin wrappers over the ANSI file calls that take a path (what a recipe
// names); below that path a walk goes by handle (file_handle.h).
//
// The ANSI calls take at most MAX_PATH - 1 characters; a longer path is
// refused here with ERROR_FILENAME_EXCED_RANGE before any call is made, so no
// layer can ever shorten it into some other path.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace Windows {

// Throws Windows::Error(ERROR_FILENAME_EXCED_RANGE) for a path the ANSI calls cannot take.
void CheckPathLength(const std::string& path);

// GetFileAttributesA; no value when it fails (the object is taken as absent).
// The seam's injected attribute bits are added, so that tests can present links.
std::optional<DWORD> ReadFileAttributes(const std::string& path);

// `folder` + one backslash + `name`; a backslash already at the end of the
// folder or the start of the name is not doubled, and separators trailing
// the name are dropped.
std::string JoinPath(const std::string& folder, const std::string& name);
// The same in place: `name` is put after the text `path` holds.
void AppendToPath(std::string& path, const std::string& name);

// Links (junctions, symbolic links, mount points: the reparse points that
// stand for another name) are removed as themselves, never entered. Other
// reparse points (cloud placeholders, deduplicated files) are ordinary files
// and folders with contents.
inline bool IsLink(DWORD attributes, DWORD reparseTag)
{
    const DWORD nameSurrogate = 0x20000000; // IsReparseTagNameSurrogate
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && (reparseTag & nameSurrogate) != 0;
}

inline bool IsFolder(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace Windows
