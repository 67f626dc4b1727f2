#include "testkit/fixture_programs.h"

#include <windows.h>

std::string FixtureProgram(const char* name)
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + name + ".exe";
}
