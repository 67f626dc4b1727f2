#include "testkit/recording_log.h"

std::string RecordingLog::Text() const
{
    std::string text;
    for (const std::string& piece : pieces)
        text += piece;
    return text;
}

std::vector<std::string> RecordingLog::Lines() const
{
    std::vector<std::string> lines;
    std::string text = Text();
    size_t start = 0;
    for (;;) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            if (start < text.size())
                lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}
