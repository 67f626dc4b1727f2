// Text the system gives in UTF-16, as the program's narrow text.
#pragma once

#include <cstddef>
#include <string>

// In the ANSI code page; a character it lacks becomes its default character.
std::string NarrowText(const wchar_t* text, size_t length);
