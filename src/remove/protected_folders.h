// The folders no removal may take: the system's own, every user's, and the
// roots that hold them. A corrupted or hostile install location must never
// take a machine's programs or a user's files with it.
#pragma once

#include "remove/file_identity.h"

#include <optional>
#include <string>
#include <vector>

namespace Windows {

struct ProtectedFolder {
    std::string path;       // as the system names it, for the log
    std::string comparable; // see ComparablePath
    bool withContents;      // nothing inside it may go either (the Windows folder)
    // One of the running account's own application-data folders, as the
    // shell names it or as its handle reaches it (a 32-bit process on 64-bit
    // Windows reaches System32's profiles in SysWOW64). Its suite folder,
    // "Varnek" and below, may go even where it lies in a folder protected
    // with its contents, as LocalSystem's lies in System32. Nothing else there
    // may: SYSTEM's key stores live beside it.
    bool ownApplicationData = false;
    // What it is, and what each folder above it is up to its drive's root,
    // read once by handle: the same folder under another name (a drive
    // letter, a junction, a mount point) is refused alike.
    std::optional<FileIdentity> identity;
    std::vector<FileIdentity> holders;
};

// Gathered from the system at first use and kept for the rest of the run:
// the Windows folder; Program Files and Common Files in both views;
// ProgramData; the profiles folder, every profile listed by the system or
// found in the profiles folder; the temp folders; the application-data
// folders of the current user and the same folders of every profile.
// While a test arms answers through the seam, the list is gathered afresh.
const std::vector<ProtectedFolder>& ProtectedFolders();

// The same gathering, done afresh (for tests and for the list above).
std::vector<ProtectedFolder> GatherProtectedFolders();

// The path the system reaches for an existing `path` once every link on the
// way has been followed, the last name too when asked; no value when the
// object does not open or has no drive path.
std::optional<std::string> ReachedPath(const std::string& path, bool followLastName);

} // namespace Windows

namespace Remove {

// Why deleting `folder` with everything in it is refused, as the log shows
// it, or no value when it may go. Refused: relative and unresolvable paths,
// drive roots, network paths (a removal on this machine never deletes through
// a share), a protected folder, a folder that holds one, and anything inside
// a folder protected with its contents (the Windows folder) unless it is the
// suite's folder in one of the running account's own application-data
// folders, or lies in it.
// Environment references are judged expanded as well as literally, and an
// existing folder also as the place the links on its way lead to.
std::optional<std::string> FolderRefusal(const std::string& folder);

// The same judgement for the place an open handle reached (a drive or share
// path, as the handle's final path gives it).
std::optional<std::string> ReachedFolderRefusal(const std::string& reached);

// The same judgement by identity for the folder `path` opened as `top`: it is
// or holds a protected folder, or one of the folders above it is a folder
// protected with its contents, whatever either is called. A link is also
// judged by what it stands for.
std::optional<std::string> IdentityRefusal(const std::string& path, HANDLE top, bool topIsLink);

} // namespace Remove
