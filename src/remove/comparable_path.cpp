#include "remove/comparable_path.h"

#include <windows.h>

#include <vector>

namespace Windows {

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Thrown inside this file only; the caller gets no value.
struct Unresolvable {
};

[[noreturn]] void ThrowUnresolvable(const std::string&)
{
    throw Unresolvable();
}

// Characters no folder name may hold; a stream name (":$DATA") or a wildcard
// could make one spelling reach another object than it seems to.
void RefuseIllegalCharacters(const std::string& path)
{
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        bool driveColon = c == ':' && i == 1;
        if (c < 32 || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' || (c == ':' && !driveColon))
            ThrowUnresolvable(path);
    }
}

std::string FullPath(const std::string& path)
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0)
            ThrowUnresolvable(path);
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

std::vector<std::string> SplitNames(const std::string& text)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\\', start);
        if (end == std::string::npos)
            end = text.size();
        names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::string Join(const std::string& root, const std::vector<std::string>& names)
{
    std::string joined = root;
    for (const std::string& name : names)
        joined += "\\" + name;
    return joined;
}

// The long form of the longest part of `root` + `names` that exists, with the
// rest appended as it is.
std::string LongNames(const std::string& root, const std::vector<std::string>& names)
{
    for (size_t kept = names.size(); kept > 0; --kept) {
        std::string prefix = Join(root, std::vector<std::string>(names.begin(), names.begin() + kept));
        std::vector<char> buffer(MAX_PATH);
        DWORD length = GetLongPathNameA(prefix.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length >= buffer.size()) {
            buffer.resize(length + 1);
            length = GetLongPathNameA(prefix.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        }
        if (length == 0 || length >= buffer.size())
            continue;
        std::string result(buffer.data(), length);
        while (!result.empty() && result.back() == '\\')
            result.pop_back();
        return Join(result, std::vector<std::string>(names.begin() + kept, names.end()));
    }
    return Join(root, names);
}

std::string Lower(std::string text)
{
    if (!text.empty())
        CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string ComparableOf(const std::string& path)
{
    std::string text = path;
    for (char& c : text) {
        if (c == '/')
            c = '\\';
    }
    if (!IsAbsolutePath(text))
        ThrowUnresolvable(path);
    if (text.compare(0, 4, "\\\\?\\") == 0 || text.compare(0, 4, "\\\\.\\") == 0)
        ThrowUnresolvable(path);
    RefuseIllegalCharacters(text);

    std::vector<std::string> parts = SplitNames(FullPath(text));
    std::string root;
    size_t first;
    if (text[0] == '\\') {
        // "\\\\server\\share": parts 0 and 1 are empty, then server and share.
        if (parts.size() < 3 || parts[2].empty())
            ThrowUnresolvable(path);
        root = "\\\\" + parts[2];
        if (parts.size() > 3 && !parts[3].empty())
            root += "\\" + parts[3];
        first = 4;
    } else {
        root = parts[0];
        first = 1;
    }

    // The full path already reads as Windows reads it; only the last name's
    // trailing dots and blanks are dropped once more ("Windows." is
    // "Windows"). A name inside the path keeps them, as Windows keeps them:
    // "C:\Windows \System32" is no folder of the system's.
    std::vector<std::string> names;
    for (size_t i = first; i < parts.size(); ++i) {
        std::string name = parts[i];
        if (name == "." || name.empty())
            continue;
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        names.push_back(name);
    }
    while (!names.empty()) {
        std::string& last = names.back();
        last.erase(last.find_last_not_of(". ") + 1);
        if (!last.empty())
            break;
        names.pop_back();
    }

    // Only a short name carries a tilde; skip the look-up (and any network
    // access for shares) otherwise.
    std::string joined = Join(root, names);
    if (joined.find('~') != std::string::npos)
        joined = LongNames(root, names);
    if (joined.size() == 2 && joined[1] == ':')
        joined += "\\";
    return Lower(joined);
}

} // namespace

bool IsAbsolutePath(const std::string& path)
{
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]))
        return true;
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

std::string ExpandEnvironmentReferences(const std::string& text)
{
    if (text.find('%') == std::string::npos)
        return text;
    std::vector<char> buffer(text.size() + MAX_PATH);
    for (;;) {
        DWORD length = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return text;
        if (length <= buffer.size())
            return std::string(buffer.data());
        buffer.resize(length);
    }
}

std::optional<std::string> ComparablePath(const std::string& path)
{
    try {
        return ComparableOf(path);
    } catch (const Unresolvable&) {
        return std::nullopt;
    }
}

bool IsSameOrInside(const std::string& inner, const std::string& outer)
{
    if (inner.size() < outer.size() || inner.compare(0, outer.size(), outer) != 0)
        return false;
    return inner.size() == outer.size() || outer.back() == '\\' || inner[outer.size()] == '\\';
}

bool IsVolumeRoot(const std::string& comparable)
{
    if (comparable.size() == 3 && comparable[1] == ':')
        return true;
    if (comparable.compare(0, 2, "\\\\") != 0)
        return false;
    size_t serverEnd = comparable.find('\\', 2);
    return serverEnd == std::string::npos || comparable.find('\\', serverEnd + 1) == std::string::npos;
}

} // namespace Windows
