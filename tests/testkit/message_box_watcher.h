// Answers the message boxes this process shows: a background thread looks for
// a dialog-class window ("#32770") of this process with the given caption,
// keeps its text and presses OK. Every wait is bounded.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(std::string caption);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // The texts of the boxes dismissed so far, oldest first.
    std::vector<std::string> Texts() const;

private:
    void Watch();

    std::string caption_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::thread thread_;
};
