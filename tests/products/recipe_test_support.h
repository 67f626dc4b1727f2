// What the recipe tests share: the recording uninstaller and transcript checks.
#pragma once

#include "testkit/machine_state.h"
#include "testkit/recording_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The uninstall string of the recording test uninstaller: it writes
// <record>.cmd and <record>.rsp and removes the registrations named.
inline std::string RecorderCommand(const std::string& record, const std::string& uninstallEntry,
                                   const std::string& installerProduct = std::string(),
                                   const std::string& tail = std::string())
{
    std::string command = "\"" + MachineState::TestBinFolder() + "\\recording_uninstaller.exe\" --record \"" +
                          record + "\"";
    if (!uninstallEntry.empty())
        command += " --remove-entry " + uninstallEntry;
    if (!installerProduct.empty())
        command += " --remove-product " + installerProduct;
    if (!tail.empty())
        command += " " + tail;
    return command;
}

inline bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    for (const std::string& candidate : lines)
        if (candidate == line)
            return true;
    return false;
}

inline bool AnyLineStartsWith(const std::vector<std::string>& lines, const std::string& start)
{
    for (const std::string& candidate : lines)
        if (candidate.rfind(start, 0) == 0)
            return true;
    return false;
}

// The eight pieces of a banner as lines: the empty line, rule, title, rule.
inline std::vector<std::string> BannerLines(char rule, const std::string& title)
{
    return {"", std::string(50, rule), title, std::string(50, rule)};
}
