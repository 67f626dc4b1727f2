// The switch rule of the command line.
#pragma once

#include <string>

// A switch is present when its exact text occurs anywhere in the argument
// text: a case-sensitive substring search that steps over double-byte
// characters as whole characters. Nothing else is parsed, so "/silentx"
// counts as "/silent" and "/SILENT" is no switch.
bool HasSwitch(const std::string& arguments, const char* switchText);
