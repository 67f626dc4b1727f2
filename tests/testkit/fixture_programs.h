// The helper programs built from tests/fixtures/, found next to the test exe.
#pragma once

#include <string>

// Full path of "<name>.exe" in the folder of the running test executable.
std::string FixtureProgram(const char* name);
