// Logged file and folder removal: each operation writes its own line and
// answers a flag; none throws for a Windows failure.
#pragma once

#include "remove/log.h"

#include <string>

namespace Remove {

// "Checking for file \"<path>\"..." then "found" or "not found": true when a
// file or a folder is at `path`.
bool CheckFile(const std::string& path, Log& log);

// Makes sure the file or folder may be deleted, granting the current user
// full access when it does not open for deletion. Silent on success.
bool GrantFileAccess(const std::string& path, Log& log);

// Deletes one file, clearing its read-only attribute first; true when the
// file is gone (also when it already was).
bool DeleteFileItem(const std::string& path, Log& log);

// Deletes the folder and everything in it, depth first, stopping at the first
// entry that fails. The folder is opened once by its path; every entry below
// it is opened relative to its folder's handle, judged by its own handle and
// changed only through handles to it, at any depth: the stack the walk uses
// does not grow with the depth, and each level costs it only a small frame,
// the names it still has to take there and its name in the one path text.
// Links (junctions, symbolic links, mount points, any reparse point) are
// removed as links, never entered; a link handed in is removed itself. A
// protected folder is refused (see FolderRefusal), judged by its path and by
// where its handle reached.
bool DeleteDirectoryTree(const std::string& folder, Log& log);

// What the recipes call: true when the folder is gone or was never there (an
// empty path names nothing and is never there), false with the failure's
// line otherwise. Protected folders and relative paths are refused with a
// line of their own.
bool DeleteDirectory(const std::string& folder, Log& log);

} // namespace Remove
