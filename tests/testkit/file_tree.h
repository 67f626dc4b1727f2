// Building and inspecting real files and folders in a test.
#pragma once

#include <windows.h>

#include <string>

// Creates the folder (its parent must exist); throws when it cannot.
void MakeFolder(const std::string& path);
// Creates or replaces the file with `text` in it.
void MakeFile(const std::string& path, const std::string& text = "data");
void MakeReadOnly(const std::string& path);
bool Exists(const std::string& path);

// "Windows Error: " and the system's text for `code`, as the log shows a failure.
std::string WindowsErrorPiece(DWORD code);

// Paths past the ANSI limit, made and removed through the wide calls.
void MakeFolderWide(const std::string& path);
void MakeFileWide(const std::string& path);
bool ExistsWide(const std::string& path);
void RemoveTreeWide(const std::string& path);
