#include "remove/message_log.h"

#include <utility>

namespace Remove {

void MessageLog::Write(const char* text)
{
    Append(false, text);
}

void MessageLog::WriteFlagged(const char* text)
{
    Append(true, text);
}

void MessageLog::Append(bool flagged, const char* text)
{
    // Copy outside the lock so that it covers only the append.
    LogEntry entry{flagged, text ? text : ""};
    PendingLogQueue::ScopedLock lock(queue_);
    lock.Entries().push_back(std::move(entry));
}

} // namespace Remove

std::string TakePendingLogText(PendingLogQueue& queue)
{
    std::vector<Remove::LogEntry> taken;
    {
        PendingLogQueue::ScopedLock lock(queue);
        taken.swap(lock.Entries());
    }
    size_t length = 0;
    for (const Remove::LogEntry& entry : taken)
        length += entry.text.size();
    std::string text;
    text.reserve(length);
    for (const Remove::LogEntry& entry : taken)
        text += entry.text;
    return text;
}

void AppendToLogPane(HWND editControl, const std::string& text)
{
    if (text.empty())
        return;
    SendMessageA(editControl, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
    SendMessageA(editControl, EM_SCROLLCARET, 0, 0);
    SendMessageA(editControl, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}
