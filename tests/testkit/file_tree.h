// The tests' one file builder: real files and folders made and inspected with
// the system's own calls. Every step that prepares a state throws
// std::runtime_error when its call fails.
#pragma once

#include <windows.h>

#include <string>

// Creates the folder and any missing parents; an existing folder is fine.
void MakeFolder(const std::string& path);
// Creates or replaces the file with `text` in it, creating missing folders.
void MakeFile(const std::string& path, const std::string& text = "data");
void MakeReadOnly(const std::string& path);
bool Exists(const std::string& path);
// The file's bytes; empty when there is no such file.
std::string ReadTestFile(const std::string& path);

// "Windows Error: " and the system's text for `code`, as the log shows a failure.
std::string WindowsErrorPiece(DWORD code);

// Paths past the ANSI limit, made and removed through the wide calls.
void MakeFolderWide(const std::string& path);
void MakeFileWide(const std::string& path);
bool ExistsWide(const std::string& path);
void RemoveTreeWide(const std::string& path);
