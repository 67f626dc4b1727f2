#include "support/caught_exception.h"

#include <mutex>
#include <vector>

namespace {

template <typename T>
std::unique_ptr<CaughtException> CatchOnly()
{
    try {
        throw;
    } catch (const T& caught) {
        return std::unique_ptr<CaughtException>(new CaughtExceptionOfType<T>(caught));
    }
}

struct CatcherList {
    std::mutex lock;
    std::vector<ExceptionCatcher> catchers;
};

// Built on first use, with the two standard catchers registered once per process.
CatcherList& Catchers()
{
    static CatcherList* list = [] {
        CatcherList* created = new CatcherList;
        created->catchers.push_back(&CatchOnly<std::exception>);
        created->catchers.push_back(&CatchOnly<Windows::Error>);
        return created;
    }();
    return *list;
}

} // namespace

void RegisterExceptionCatcher(ExceptionCatcher catcher)
{
    CatcherList& list = Catchers();
    std::lock_guard<std::mutex> guard(list.lock);
    list.catchers.push_back(catcher);
}

std::unique_ptr<CaughtException> CaptureCurrentException()
{
    CatcherList& list = Catchers();
    std::lock_guard<std::mutex> guard(list.lock);
    for (auto catcher = list.catchers.rbegin(); catcher != list.catchers.rend(); ++catcher) {
        try {
            return (*catcher)();
        } catch (...) {
            // Not this catcher's type: try the next one.
        }
    }
    return std::unique_ptr<CaughtException>(new CaughtExceptionOfType<ExceptionCannotBeCopied>());
}
