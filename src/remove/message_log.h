// The log that queues its text for the dialog's log pane, and the queue.
#pragma once

#include "remove/log.h"

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace Remove {

// One queued piece of text; the flag tells WriteFlagged from Write.
struct LogEntry {
    bool flagged;
    std::string text;
};

} // namespace Remove

// Pieces of text in the order they were written, guarded by a lock that is
// held only for one append or one swap.
class PendingLogQueue {
public:
    PendingLogQueue() = default;
    PendingLogQueue(const PendingLogQueue&) = delete;
    PendingLogQueue& operator=(const PendingLogQueue&) = delete;

    // The only way to the entries: holds the lock for its scope.
    class ScopedLock {
    public:
        explicit ScopedLock(PendingLogQueue& queue) : queue_(queue), hold_(queue.lock_) {}
        ScopedLock(const ScopedLock&) = delete;
        ScopedLock& operator=(const ScopedLock&) = delete;

        std::vector<Remove::LogEntry>& Entries() { return queue_.entries_; }

    private:
        PendingLogQueue& queue_;
        std::lock_guard<std::mutex> hold_;
    };

private:
    std::mutex lock_;
    std::vector<Remove::LogEntry> entries_;
};

namespace Remove {

class MessageLog : public Log {
public:
    explicit MessageLog(PendingLogQueue& queue) : queue_(queue) {}
    void Write(const char* text) override;
    void WriteFlagged(const char* text) override;

private:
    void Append(bool flagged, const char* text);
    PendingLogQueue& queue_;
};

} // namespace Remove

// The queue side of draining: takes every pending entry with one swap and
// joins their texts in order, flagged or not. Empty when nothing was pending.
std::string TakePendingLogText(PendingLogQueue& queue);

// Appends text at the end of an edit control and scrolls to it, not undoable.
void AppendToLogPane(HWND editControl, const std::string& text);
