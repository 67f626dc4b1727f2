// Edits of an in-memory extended dialog template (DLGTEMPLATEEX) before the
// dialog is created from it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The font a template asks for.
struct DialogFont {
    WORD points = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::string typeface;
};

// A copy of a dialog template resource; empty when the resource is missing.
std::vector<BYTE> LoadDialogTemplate(HINSTANCE instance, UINT templateId);

// Whether the bytes hold an extended template (signature 0xFFFF, version 1).
bool IsExtendedDialogTemplate(const std::vector<BYTE>& dialogTemplate);

// The template's font; nothing when it names none (no DS_SETFONT) or is not extended.
bool ReadDialogFont(const std::vector<BYTE>& dialogTemplate, DialogFont& font);

// A copy of an extended template whose font is `font`: the header up to the
// font is kept, the font block is rewritten and the items follow, DWORD-aligned
// as before. Anything else is returned unchanged.
std::vector<BYTE> ReplaceDialogFont(const std::vector<BYTE>& dialogTemplate, const DialogFont& font);

// Adds window style bits to an extended template's dialog style.
void AddDialogStyle(std::vector<BYTE>& dialogTemplate, DWORD style);
