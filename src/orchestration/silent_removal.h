// The unattended removal: detect, check the client rule, remove in order,
// detect again, clean the roots, and tell a deployment tool how it went.
#pragma once

#include "products/catalogue.h"
#include "remove/log.h"

#include <functional>
#include <string>

// Exit codes that Windows deployment tools already understand.
enum SilentExitCode {
    kSilentSucceeded = 0,           // every selected component that was installed is gone
    kSilentInvalidArguments = 87,   // refused by the client rule, or no product named
    kSilentLogFileFailed = 1622,    // the log file cannot be created: nothing was touched
    kSilentComponentRemains = 1603, // a selected component is still installed
    kSilentUnexpectedFailure = 1603, // the run ended on an unexpected error
};

// Exit codes of the plan preview (/detect).
enum PlanExitCode {
    kPlanNothingToRemove = 0, // no selected component is installed
    kPlanWouldRemove = 1,     // at least one would be removed
};

extern const char* const kSilentHelpText;
extern const char* const kClientRuleText;

struct SilentRemovalHost {
    // Shows a message box with the program's name as caption.
    std::function<void(const std::string& text, unsigned flags)> showMessage;
    // Removes the suite's root folders and keys.
    std::function<void(Remove::Log& log)> removeSuiteRoots;
    // Whether any of the suite's root folders or keys is there.
    std::function<bool()> suiteRootsRemain;
};

// Runs the silent removal for `arguments` (the switches: without the log
// file's argument) over the products of the catalogue (a kind without an
// object is passed over) and answers the process's exit code. With /detect it
// only detects, applies the client rule and the dependants, and writes the
// removal it would do ("Would remove: ", one component a line): no
// uninstaller runs and nothing changes.
int RunSilentRemoval(const std::string& arguments, const ProductCatalogue& products, Remove::Log& log,
                     const SilentRemovalHost& host);
