// One spelling for every way of naming a folder, so that folders can be
// compared as text.
#pragma once

#include <optional>
#include <string>

namespace Windows {

// "X:\..." or "\\server\share..." ('/' counts as '\\'): a path that names a place
// without reference to the current drive or folder.
bool IsAbsolutePath(const std::string& path);

// Environment references ("%SystemRoot%") replaced by their values; unknown
// ones stay as they are.
std::string ExpandEnvironmentReferences(const std::string& text);

// The form in which two spellings of one folder are equal: '/' read as '\\',
// full path with "." and ".." resolved as Windows resolves it, repeated
// separators and the last name's trailing dots and blanks dropped, 8.3 short names replaced by long names as
// far as the path exists, lower case, no trailing separator except after a
// drive ("c:\\"). A share root reads "\\\\server\\share".
// No value for a relative path, a device path ("\\\\?\\", "\\\\.\\"), a
// stream name or wildcard, and anything the system cannot resolve.
std::optional<std::string> ComparablePath(const std::string& path);

// For comparable paths: `inner` is `outer` or lies somewhere inside it.
bool IsSameOrInside(const std::string& inner, const std::string& outer);

// For a comparable path: a drive root ("c:\\") or a share ("\\\\server\\share",
// "\\\\server").
bool IsVolumeRoot(const std::string& comparable);

} // namespace Windows
