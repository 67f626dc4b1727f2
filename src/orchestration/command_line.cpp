#include "orchestration/command_line.h"

#include <mbstring.h>

namespace {

const char kLogFileSwitch[] = "/logfile=";

// Where the switch text starts in `arguments` at or after `from`, or npos.
std::size_t FindSwitch(const std::string& arguments, std::size_t from, const char* switchText)
{
    if (from >= arguments.size())
        return std::string::npos;
    const unsigned char* start = reinterpret_cast<const unsigned char*>(arguments.c_str());
    const unsigned char* found =
        _mbsstr(start + from, reinterpret_cast<const unsigned char*>(switchText));
    return found ? static_cast<std::size_t>(found - start) : std::string::npos;
}

// The text with its ASCII letters lowered: no byte moves, and double-byte
// characters are still stepped over whole when it is searched.
std::string AsciiLower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

} // namespace

bool HasSwitch(const std::string& arguments, const char* switchText)
{
    return FindSwitch(arguments, 0, switchText) != std::string::npos;
}

CommandLine SplitCommandLine(const std::string& arguments)
{
    CommandLine line;
    line.switches = arguments;
    std::size_t at = 0;
    while ((at = FindSwitch(AsciiLower(line.switches), at, kLogFileSwitch)) != std::string::npos) {
        const std::string& text = line.switches;
        std::size_t start = at;
        std::size_t pathStart = at + sizeof kLogFileSwitch - 1;
        std::size_t pathEnd;
        std::size_t end;
        const bool quotedWhole = at > 0 && text[at - 1] == '"';
        if (quotedWhole || (pathStart < text.size() && text[pathStart] == '"')) {
            if (quotedWhole)
                --start;
            else
                ++pathStart;
            pathEnd = text.find('"', pathStart);
            if (pathEnd == std::string::npos) {
                line.malformed = true;
                line.logFile.reset();
                return line;
            }
            end = pathEnd + 1;
        } else {
            pathEnd = text.find_first_of(" \t", pathStart);
            end = pathEnd;
        }
        if (pathEnd == std::string::npos)
            pathEnd = end = text.size();
        if (!line.logFile)
            line.logFile = text.substr(pathStart, pathEnd - pathStart);
        // A blank in its place, so that the text around it cannot join into a switch.
        line.switches.replace(start, end - start, " ");
        at = start + 1;
    }
    return line;
}
