#include "testkit/message_box_watcher.h"

#include "testkit/window_search.h"

#include <chrono>

MessageBoxWatcher::MessageBoxWatcher(std::string caption)
    : caption_(std::move(caption)), thread_([this] { Watch(); })
{
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    stop_ = true;
    thread_.join();
}

std::vector<std::string> MessageBoxWatcher::Texts() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
}

void MessageBoxWatcher::Watch()
{
    HWND answered = nullptr;
    while (!stop_) {
        WindowSearch search;
        search.captions = {caption_};
        search.process = GetCurrentProcessId();
        HWND found = FindWindowBy(search).window;
        if (found && found != answered) {
            char text[2048] = {};
            GetDlgItemTextA(found, 0xFFFF, text, sizeof text);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                texts_.push_back(text);
            }
            PostMessageA(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(found, IDOK)));
            answered = found;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
