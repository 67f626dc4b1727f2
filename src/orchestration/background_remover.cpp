#include "orchestration/background_remover.h"

#include "orchestration/run_messages.h"
#include "support/exceptions.h"
#include "support/platform_seam.h"
#include "support/windows_error.h"

#include <process.h>

#include <cerrno>
#include <utility>

namespace {

// The worker's body. Nothing may unwind into the system's thread start-up
// (the 32-bit build cannot unwind through it), so everything stops here; the
// job itself already logs what escapes a pass and posts its message.
unsigned __stdcall RunJob(void* argument)
{
    try {
        (*static_cast<Callable<void (*)()>*>(argument))();
    } catch (...) {
    }
    return 0;
}

// Writes one line; a failing write must not keep the finished message from
// being posted.
void WriteUnhandled(Remove::Log* log, const char* opening)
{
    try {
        const std::string description = DescribeCurrentException();
        *log << opening << description << Remove::LineEnd;
    } catch (...) {
    }
}

} // namespace

BackgroundRemover::BackgroundRemover(Remove::Log* log) : log_(log)
{
}

BackgroundRemover::~BackgroundRemover()
{
    try {
        ReleaseThread();
    } catch (...) {
        // A failed wait or close cannot be reported from a destructor.
    }
}

void BackgroundRemover::SetWindow(HWND window)
{
    window_ = window;
}

void BackgroundRemover::StartDetection(std::vector<ZEMProduct*> products)
{
    Start(Mode::Detect, std::move(products));
}

void BackgroundRemover::StartRemoval(std::vector<ZEMProduct*> products)
{
    Start(Mode::Remove, std::move(products));
}

void BackgroundRemover::Start(Mode mode, std::vector<ZEMProduct*> products)
{
    // The dialog has always released the previous worker by now; waiting here
    // as well means no worker can still be using the members set below.
    ReleaseThread();
    products_ = std::move(products);
    mode_ = mode;

    // Without the timer the log only shows up when the run ends, so a failed
    // SetTimer is no reason to refuse the run.
    timer_ = SetTimer(window_, kRunTimerId, kRunTimerMilliseconds, nullptr);

    uintptr_t started = 0;
    int failure = 0;
    // A test makes the start fail through the seam; its code is the errno.
    if (DWORD injected = WindowsPlatform::InjectedFailure(WindowsPlatform::SeamCall::_beginthreadex)) {
        failure = static_cast<int>(injected);
    } else {
        started = _beginthreadex(nullptr, 0, &RunJob, static_cast<Callable<void (*)()>*>(this), 0, nullptr);
        failure = errno;
    }
    if (started == 0) {
        KillTimer(window_, timer_);
        throw WindowsPlatform::ThreadError(failure);
    }
    thread_.reset(reinterpret_cast<HANDLE>(started));
}

void BackgroundRemover::ReleaseThread()
{
    Windows::UniqueKernelHandle thread(thread_.release());
    if (!thread)
        return;
    if (WaitForSingleObject(thread.get(), INFINITE) == WAIT_FAILED)
        ThrowLastWindowsError();
    CheckWindowsResult(thread.close());
}

void BackgroundRemover::operator()()
{
    succeeded_ = true;
    if (mode_ == Mode::Detect) {
        try {
            DetectAll();
        } catch (...) {
            WriteUnhandled(log_, "Unhandeled exception during product detection: ");
        }
        PostMessageA(window_, WM_DETECTION_FINISHED, 0, 0);
    } else {
        try {
            RemoveAll();
        } catch (...) {
            succeeded_ = false;
            WriteUnhandled(log_, "Unhandeled exception during product removal: ");
        }
        PostMessageA(window_, WM_REMOVAL_FINISHED, 0, 0);
    }
}

void BackgroundRemover::DetectAll()
{
    // Handed back on every path: after an exception the list offers only the
    // products found before it, never the undetected rest.
    std::vector<ZEMProduct*> installed;
    auto handBack = Windows::MakeScopeExit([&] { products_.swap(installed); });
    for (ZEMProduct* product : products_) {
        product->Detect();
        if (product->installed)
            installed.push_back(product);
    }
}

void BackgroundRemover::RemoveAll()
{
    // Only the products that counted as removed before an exception leave the
    // list, so the root clean-up cannot follow a half-finished run.
    std::vector<ZEMProduct*> removed;
    auto handBack = Windows::MakeScopeExit([&] { products_.swap(removed); });
    for (ZEMProduct* product : products_) {
        if (!product->Remove()) {
            succeeded_ = false;
            *log_ << "One or more steps in the removal of \"" << product->Name() << "\" has failed."
                  << Remove::LineEnd;
        }
        product->Detect();
        if (product->installed)
            succeeded_ = false;
        else
            removed.push_back(product);
    }
}
