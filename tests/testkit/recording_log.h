// A log that keeps every piece, for comparing whole transcripts.
#pragma once

#include "remove/log.h"

#include <string>
#include <vector>

class RecordingLog : public Remove::Log {
public:
    void Write(const char* text) override { pieces.emplace_back(text); }
    void WriteFlagged(const char* text) override { pieces.emplace_back(text); }

    std::string Text() const;
    // The transcript split at "\r\n"; a last unfinished line is kept too.
    std::vector<std::string> Lines() const;
    void Clear() { pieces.clear(); }

    std::vector<std::string> pieces;
};
