// What a file or folder is, whatever it is called: one folder can have many
// names (drive letters, junctions, mount points, substituted drives), one
// file many links. Rules about "this folder" are kept by identity.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace Windows {

struct FileIdentity {
    ULONGLONG volume = 0;      // the volume's serial number
    BYTE file[16] = {};        // the file's ID on it (64-bit IDs fill the first 8 bytes)

    bool operator==(const FileIdentity& other) const;
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// The identity of the object `handle` refers to (opened with at least
// FILE_READ_ATTRIBUTES); no value when the system cannot say.
// Seam: GetFileInformationByHandle_Volume answers the volume for `path`.
std::optional<FileIdentity> IdentityOf(HANDLE handle, const std::string& path = std::string());

// The identity of what `path` names, the last name's link followed or not.
std::optional<FileIdentity> IdentityAt(const std::string& path, bool followLastName);

// How many names (hard links) the file `handle` refers to has; 0 when the
// system cannot say. Folders have one.
DWORD LinkCountOf(HANDLE handle);

} // namespace Windows
