#include "remove/protected_folders.h"

#include "remove/comparable_path.h"
#include "remove/file_handle.h"
#include "remove/folder_listing.h"
#include "remove/known_folders.h"
#include "support/owned_handle.h"
#include "support/platform_seam.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <map>
#include <vector>

namespace Windows {

namespace {

const char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kSystemEnvironment[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

UniqueRegistryKey OpenForReading(HKEY root, const char* subkey, REGSAM view)
{
    UniqueRegistryKey key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | view, key.put()) != ERROR_SUCCESS)
        key.reset();
    return key;
}

// A text value, expanded when it is REG_EXPAND_SZ; empty when missing.
std::string ReadText(HKEY key, const char* subkey, const char* name)
{
    if (!key)
        return std::string();
    DWORD type = 0;
    DWORD size = 0;
    if (RegGetValueA(key, subkey, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0)
        return std::string();
    std::string text(size, '\0');
    if (RegGetValueA(key, subkey, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type, &text[0], &size) !=
        ERROR_SUCCESS)
        return std::string();
    text.resize(text.find('\0') == std::string::npos ? size : text.find('\0'));
    return type == REG_EXPAND_SZ ? ExpandEnvironmentReferences(text) : text;
}

std::string Variable(const char* name)
{
    DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0)
        return std::string();
    std::string value(size, '\0');
    size = GetEnvironmentVariableA(name, &value[0], size);
    value.resize(size);
    return value;
}

std::string Shell(int csidl)
{
    std::optional<std::string> folder = GetKnownFolder(csidl);
    return folder ? *folder : std::string();
}

std::string TempPath()
{
    char path[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof path, path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::string WindowsFolder(UINT(WINAPI* query)(LPSTR, UINT))
{
    char path[MAX_PATH + 1];
    UINT length = query(path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

class Gathering {
public:
    void Add(const std::string& path, bool withContents = false, bool ownApplicationData = false)
    {
        std::string expanded = ExpandEnvironmentReferences(path);
        if (!IsAbsolutePath(expanded))
            return;
        std::optional<std::string> comparable = ComparablePath(expanded);
        if (!comparable)
            return;
        for (ProtectedFolder& known : folders_) {
            if (known.comparable == *comparable) {
                known.withContents = known.withContents || withContents;
                known.ownApplicationData = known.ownApplicationData || ownApplicationData;
                return;
            }
        }
        folders_.push_back(ProtectedFolder{expanded, *comparable, withContents, ownApplicationData, {}, {}});
    }

    void AddAll(std::initializer_list<std::string> paths, bool withContents = false)
    {
        for (const std::string& path : paths)
            Add(path, withContents);
    }

    std::vector<ProtectedFolder> Take() { return std::move(folders_); }

private:
    std::vector<ProtectedFolder> folders_;
};

// Every profile folder the system knows of: those it lists, and whatever
// lies in the profiles folder (profiles of removed accounts, Default, Public).
std::vector<std::string> ProfileFolders(HKEY profileList, const std::string& profilesFolder)
{
    std::vector<std::string> profiles;
    if (profileList) {
        char name[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(profileList, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            profiles.push_back(ReadText(profileList, name, "ProfileImagePath"));
        }
        for (const char* value : {"Default", "Public", "AllUsersProfile"})
            profiles.push_back(ReadText(profileList, nullptr, value));
    }
    if (!profilesFolder.empty()) {
        FolderListing listing(profilesFolder);
        FolderEntry entry;
        std::string path;
        while (listing.Next(entry, path)) {
            if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
                profiles.push_back(path);
        }
    }
    profiles.push_back(Shell(CSIDL_PROFILE));
    profiles.push_back(Variable("USERPROFILE"));
    profiles.push_back(Variable("PUBLIC"));
    return profiles;
}

// The current user's own folders that every other profile has at the same
// place inside it: application data, temp, documents, desktop.
std::vector<std::string> PerUserFolders()
{
    return {Shell(CSIDL_APPDATA),   Shell(CSIDL_LOCAL_APPDATA), Variable("APPDATA"),
            Variable("LOCALAPPDATA"), TempPath(),               Variable("TEMP"),
            Variable("TMP"),        Shell(CSIDL_PERSONAL),      Shell(CSIDL_DESKTOPDIRECTORY),
            Shell(CSIDL_STARTMENU), Shell(CSIDL_PROGRAMS)};
}

void AddPerProfileFolders(Gathering& gathering, const std::vector<std::string>& profiles)
{
    std::string ownProfile = Shell(CSIDL_PROFILE);
    if (ownProfile.empty())
        ownProfile = Variable("USERPROFILE");
    std::optional<std::string> own = ComparablePath(ownProfile);
    if (!own)
        return;
    for (const std::string& folder : PerUserFolders()) {
        std::optional<std::string> comparable = ComparablePath(ExpandEnvironmentReferences(folder));
        if (!comparable || comparable->size() <= own->size() || !IsSameOrInside(*comparable, *own))
            continue;
        std::string inside = comparable->substr(own->size());
        for (const std::string& profile : profiles) {
            if (IsAbsolutePath(profile)) {
                std::string base = profile;
                while (!base.empty() && (base.back() == '\\' || base.back() == '/'))
                    base.pop_back();
                gathering.Add(base + inside);
            }
        }
    }
}

// The folder above `path`, by its text: "C:\\a\\b" gives "C:\\a", "C:\\a"
// gives "C:\\"; no value above a drive's root. `name` gets the last name.
std::optional<std::string> ParentOf(const std::string& path, std::string* name = nullptr)
{
    std::string trimmed = path;
    while (trimmed.size() > 3 && (trimmed.back() == '\\' || trimmed.back() == '/'))
        trimmed.pop_back();
    size_t slash = trimmed.find_last_of("\\/");
    if (slash == std::string::npos || slash + 1 >= trimmed.size())
        return std::nullopt;
    if (name)
        *name = trimmed.substr(slash + 1);
    // Keep the root's backslash: "C:" alone is the drive's current folder.
    return trimmed.substr(0, slash == 2 && trimmed[1] == ':' ? 3 : slash);
}

// Reads every protected folder's identity and those of the folders above
// it, each folder opened once however many share it.
void ReadIdentities(std::vector<ProtectedFolder>& folders)
{
    std::map<std::string, std::optional<FileIdentity>> known;
    auto identityAt = [&known](const std::string& path) {
        std::optional<std::string> comparable = ComparablePath(path);
        auto found = comparable ? known.find(*comparable) : known.end();
        if (found != known.end())
            return found->second;
        std::optional<FileIdentity> identity = IdentityAt(path, true);
        if (comparable)
            known[*comparable] = identity;
        return identity;
    };
    for (ProtectedFolder& folder : folders) {
        folder.identity = identityAt(folder.path);
        for (std::optional<std::string> above = ParentOf(folder.path); above; above = ParentOf(*above)) {
            if (std::optional<FileIdentity> holder = identityAt(*above))
                folder.holders.push_back(*holder);
        }
    }
}

} // namespace

std::vector<ProtectedFolder> GatherProtectedFolders()
{
    Gathering gathering;

    // The Windows folder is protected with everything in it.
    gathering.AddAll({WindowsFolder(GetWindowsDirectoryA), WindowsFolder(GetSystemWindowsDirectoryA),
                      Shell(CSIDL_WINDOWS), Variable("SystemRoot"), Variable("windir"), Shell(CSIDL_SYSTEM),
                      Shell(CSIDL_SYSTEMX86)},
                     true);

    // Program Files and Common Files in both views: the shell answers for this
    // build's view, the environment and the registry for both.
    gathering.AddAll({Shell(CSIDL_PROGRAM_FILES), Shell(CSIDL_PROGRAM_FILESX86), Shell(CSIDL_PROGRAM_FILES_COMMON),
                      Shell(CSIDL_PROGRAM_FILES_COMMONX86), Variable("ProgramFiles"), Variable("ProgramFiles(x86)"),
                      Variable("ProgramW6432"), Variable("CommonProgramFiles"), Variable("CommonProgramFiles(x86)"),
                      Variable("CommonProgramW6432")});
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        UniqueRegistryKey currentVersion = OpenForReading(HKEY_LOCAL_MACHINE, kCurrentVersion, view);
        for (const char* value : {"ProgramFilesDir", "ProgramFilesDir (x86)", "ProgramW6432Dir", "CommonFilesDir",
                                  "CommonFilesDir (x86)", "CommonW6432Dir"})
            gathering.Add(ReadText(currentVersion.get(), nullptr, value));
    }

    // Machine-wide data, the shared desktop and documents.
    gathering.AddAll({Shell(CSIDL_COMMON_APPDATA), Variable("ProgramData"), Variable("ALLUSERSPROFILE"),
                      Shell(CSIDL_COMMON_DOCUMENTS), Shell(CSIDL_COMMON_DESKTOPDIRECTORY),
                      Shell(CSIDL_COMMON_STARTMENU), Shell(CSIDL_COMMON_PROGRAMS)});

    // Temp folders of this user and of the machine.
    UniqueRegistryKey userEnvironment = OpenForReading(HKEY_CURRENT_USER, "Environment", 0);
    UniqueRegistryKey systemEnvironment = OpenForReading(HKEY_LOCAL_MACHINE, kSystemEnvironment, 0);
    gathering.AddAll({TempPath(), Variable("TEMP"), Variable("TMP"),
                      ReadText(userEnvironment.get(), nullptr, "TEMP"), ReadText(userEnvironment.get(), nullptr, "TMP"),
                      ReadText(systemEnvironment.get(), nullptr, "TEMP"),
                      ReadText(systemEnvironment.get(), nullptr, "TMP")});

    // This user's own folders. Its application-data folders, as the shell
    // names them, may hold what a removal takes even inside the Windows folder
    // (LocalSystem's profile lies in System32\config).
    for (int csidl : {CSIDL_APPDATA, CSIDL_LOCAL_APPDATA}) {
        const std::string folder = Shell(csidl);
        gathering.Add(folder, false, true);
        if (std::optional<std::string> reached = folder.empty() ? std::nullopt : ReachedPath(folder, true))
            gathering.Add(*reached, false, true);
    }
    for (const std::string& folder : PerUserFolders())
        gathering.Add(folder);

    // The profiles folder, every profile, and each profile's own folders.
    UniqueRegistryKey profileList = OpenForReading(HKEY_LOCAL_MACHINE, kProfileList, KEY_WOW64_32KEY);
    std::string profilesFolder = ReadText(profileList.get(), nullptr, "ProfilesDirectory");
    gathering.Add(profilesFolder);
    gathering.Add(ReadText(profileList.get(), nullptr, "ProgramData"));
    std::vector<std::string> profiles = ProfileFolders(profileList.get(), profilesFolder);
    for (const std::string& profile : profiles)
        gathering.Add(profile);
    AddPerProfileFolders(gathering, profiles);

    std::vector<ProtectedFolder> folders = gathering.Take();
    ReadIdentities(folders);
    return folders;
}

std::optional<std::string> ReachedPath(const std::string& path, bool followLastName)
{
    UniqueFileHandle handle = OpenToJudge(path, followLastName);
    if (!handle)
        return std::nullopt;
    return FinalPathOf(handle.get());
}

const std::vector<ProtectedFolder>& ProtectedFolders()
{
    if (WindowsPlatform::AnswersArmed()) {
        static std::vector<ProtectedFolder> answered;
        answered = GatherProtectedFolders();
        return answered;
    }
    static const std::vector<ProtectedFolder> folders = GatherProtectedFolders();
    return folders;
}

} // namespace Windows

namespace Remove {

namespace {

// The suite's own folder in an application-data folder, as compared.
const char kSuiteFolder[] = "\\varnek";

// An application-data folder that is or holds a folder protected with its
// contents (a shell answering C:\Windows, say) lifts nothing.
bool LiftsContentsRule(const Windows::ProtectedFolder& ownData, const std::vector<Windows::ProtectedFolder>& folders)
{
    for (const Windows::ProtectedFolder& folder : folders) {
        if (folder.withContents && Windows::IsSameOrInside(folder.comparable, ownData.comparable))
            return false;
    }
    return true;
}

bool IsInOwnSuiteFolder(const std::string& comparable, const std::vector<Windows::ProtectedFolder>& folders)
{
    for (const Windows::ProtectedFolder& folder : folders) {
        if (folder.ownApplicationData && Windows::IsSameOrInside(comparable, folder.comparable + kSuiteFolder) &&
            LiftsContentsRule(folder, folders))
            return true;
    }
    return false;
}

std::optional<std::string> RefusalOfComparable(const std::string& comparable)
{
    // Any share, a plain one too: \\localhost\C\Windows is this machine's
    // Windows folder under another name.
    if (comparable.compare(0, 2, "\\\\") == 0)
        return std::string("it lies on a network path");
    if (Windows::IsVolumeRoot(comparable))
        return std::string("it is the root of a drive");
    const std::vector<Windows::ProtectedFolder>& folders = Windows::ProtectedFolders();
    const bool ownData = IsInOwnSuiteFolder(comparable, folders);
    for (const Windows::ProtectedFolder& folder : folders) {
        if (Windows::IsSameOrInside(folder.comparable, comparable))
            return "it is or holds the protected folder \"" + folder.path + "\"";
        if (folder.withContents && !ownData && Windows::IsSameOrInside(comparable, folder.comparable))
            return "it lies inside the protected folder \"" + folder.path + "\"";
    }
    return std::nullopt;
}

std::optional<std::string> RefusalOf(const std::string& spelling)
{
    if (!Windows::IsAbsolutePath(spelling))
        return std::string("the path is not absolute");
    std::optional<std::string> comparable = Windows::ComparablePath(spelling);
    if (!comparable)
        return std::string("the path cannot be resolved");
    if (std::optional<std::string> refusal = RefusalOfComparable(*comparable))
        return refusal;
    // A link on the way (a junction, a substituted or mapped drive) can make
    // a harmless spelling reach a protected folder. A link handed in is only
    // removed, never entered, but one that stands for a protected folder
    // ("Documents and Settings", "All Users") belongs to the system too.
    for (bool followLastName : {false, true}) {
        std::optional<std::string> reached = Windows::ReachedPath(spelling, followLastName);
        std::optional<std::string> reachedComparable = reached ? Windows::ComparablePath(*reached) : std::nullopt;
        if (reachedComparable && *reachedComparable != *comparable) {
            if (std::optional<std::string> refusal = RefusalOfComparable(*reachedComparable))
                return refusal;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> FolderRefusal(const std::string& folder)
{
    // Windows takes the path literally; a reference is judged both ways so
    // that neither reading can reach a protected folder.
    std::string expanded = Windows::ExpandEnvironmentReferences(folder);
    if (expanded != folder) {
        if (std::optional<std::string> refusal = RefusalOf(expanded))
            return refusal;
    }
    return RefusalOf(folder);
}

std::optional<std::string> ReachedFolderRefusal(const std::string& reached)
{
    std::optional<std::string> comparable = Windows::ComparablePath(reached);
    if (!comparable)
        return std::string("the path cannot be resolved");
    return RefusalOfComparable(*comparable);
}

std::optional<std::string> IdentityRefusal(const std::string& path, HANDLE top, bool topIsLink)
{
    const std::vector<Windows::ProtectedFolder>& folders = Windows::ProtectedFolders();
    std::vector<Windows::FileIdentity> selves;
    if (std::optional<Windows::FileIdentity> self = Windows::IdentityOf(top))
        selves.push_back(*self);
    if (topIsLink) {
        if (std::optional<Windows::FileIdentity> target = Windows::IdentityAt(path, true))
            selves.push_back(*target);
    }
    for (const Windows::FileIdentity& self : selves) {
        for (const Windows::ProtectedFolder& folder : folders) {
            if (folder.identity == self ||
                std::find(folder.holders.begin(), folder.holders.end(), self) != folder.holders.end())
                return "it is or holds the protected folder \"" + folder.path + "\"";
        }
    }
    // Upwards from the folder, by what each folder above it is. The suite's
    // folder in the account's own application data lifts the contents rule
    // for what lies in it, as it does by text.
    std::string name;
    for (std::optional<std::string> above = Windows::ParentOf(path, &name); above;
         above = Windows::ParentOf(*above, &name)) {
        std::optional<Windows::FileIdentity> identity = Windows::IdentityAt(*above, true);
        if (!identity)
            continue;
        for (const Windows::ProtectedFolder& folder : folders) {
            if (folder.identity != identity)
                continue;
            if (folder.ownApplicationData && _stricmp(name.c_str(), kSuiteFolder + 1) == 0 && LiftsContentsRule(folder, folders))
                return std::nullopt;
            if (folder.withContents)
                return "it lies inside the protected folder \"" + folder.path + "\"";
        }
    }
    return std::nullopt;
}

} // namespace Remove
