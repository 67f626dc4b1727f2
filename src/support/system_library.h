// Libraries come from the system directory only. The program runs with the
// highest rights, often from a folder that ordinary users can write to, and
// Windows would otherwise load a DLL planted beside it before the system's.
#pragma once

#include <windows.h>

#include <string>

namespace WindowsPlatform {

// Makes the system directory the only place the process loads DLLs from by
// name, and asks the system to prefer its own images where it can. The first
// thing the program does, before anything is loaded.
void RestrictLibrarySearchToSystem();

// The system directory's copy of `name`: a bare file name is looked for
// there only, a full path names the copy itself (its own imports still come
// from there). Null with the system's error.
HMODULE LoadSystemLibrary(const std::string& name);

// Loads the libraries the program delay-loads (user32 and those that import
// it), and keeps them loaded: a delay load that fails later would end the
// process with a structured exception that nothing here can catch. Throws
// Windows::Error when one does not load. Seam: LoadLibraryExA, for the name.
void PreloadDelayedLibraries();

// The same, answering false instead of throwing.
bool LoadDelayedLibraries();

// The system directory, as GetSystemDirectoryA names it; empty when unknown.
std::string SystemDirectory();

} // namespace WindowsPlatform
