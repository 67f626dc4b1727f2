// The switch rule of the command line, and the one argument that carries a value.
#pragma once

#include <optional>
#include <string>

// A switch is present when its exact text occurs anywhere in the argument
// text: a case-sensitive substring search that steps over double-byte
// characters as whole characters. Nothing else is parsed, so "/silentx"
// counts as "/silent" and "/SILENT" is no switch.
bool HasSwitch(const std::string& arguments, const char* switchText);

// The argument text split into the log file's path and the rest, in which
// the switches are looked for: a path such as C:/logs/client/server.log must
// select nothing.
struct CommandLine {
    std::string switches;               // the argument text without the /logfile= argument
    std::optional<std::string> logFile; // the path, when /logfile= was given
    // A quote that opens the argument is never closed: where the path ends,
    // and which switches follow it, cannot be told.
    bool malformed = false;
};

// Cuts out "/logfile=<path>", whose switch text is recognised in any letter
// case (unlike the product switches, it is no switch of the original
// program): the path runs to the next blank or tab, or, quoted
// (/logfile="C:\a b.log" or "/logfile=C:\a b.log"), to the closing quote.
// Should the switch appear more than once, the first names the file and
// every one is cut out.
CommandLine SplitCommandLine(const std::string& arguments);
