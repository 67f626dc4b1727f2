// The silent mode around the removal: the log file an administrator may ask
// for, the message boxes nobody may be there to close, and the exit code.
#pragma once

#include "orchestration/silent_removal.h"

#include <functional>
#include <string>

// Runs the removal over products built on `log` and answers the exit code.
using SilentRun =
    std::function<int(const std::string& switches, Remove::Log& log, const SilentRemovalHost& host)>;

// The whole silent mode for the argument text. With /logfile=<path> the file
// is created first; when it cannot be, the run ends there with 1622, before
// anything is detected or touched. Otherwise the file gets a header line
// (program, version, local time, command line), every line of the run as it
// is written, the text of every message box, and a closing line with the exit
// code. Boxes appear only on a window station a user sees; elsewhere their
// text goes only to the log, as if each had been closed with OK.
// `programName` is the boxes' caption and starts the header and closing lines.
// A malformed command line ends with 87 before anything is opened; an
// unexpected error in the run ends it with 1603, and the log still gets its
// closing line.
int RunSilentMode(const std::string& arguments, const std::string& programName, const SilentRun& run);

// For a command line that would open the dialog where nobody can see it
// (a service's window station, a mistyped switch from a deployment tool):
// the help text goes to the log file if one is named, and the answer is 87.
int RefuseWithoutDesktop(const std::string& arguments, const std::string& programName);

// The production run: the suite's ten products on `log`.
int RunSuiteRemoval(const std::string& switches, Remove::Log& log, const SilentRemovalHost& host);
