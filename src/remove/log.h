// The text sink every detection and removal step writes to.
#pragma once

#include <string>

namespace Remove {

// Ends a line; every writer appends it as a piece of its own.
extern const char* const LineEnd;

// The plain log discards everything: it is the silent log. Subclasses keep the text.
class Log {
public:
    virtual ~Log() = default;
    virtual void Write(const char* text);
    virtual void WriteFlagged(const char* text);

    // Chained write: log << "Deleting \"" << key << "\"..." << LineEnd.
    Log& operator<<(const char* text)
    {
        Write(text);
        return *this;
    }
    Log& operator<<(const std::string& text)
    {
        Write(text.c_str());
        return *this;
    }

    void DetectingBanner(const char* productName);
    void RemovingBanner(const char* productName);
    void DetectingBanner(const std::string& productName) { DetectingBanner(productName.c_str()); }
    void RemovingBanner(const std::string& productName) { RemovingBanner(productName.c_str()); }
};

} // namespace Remove
