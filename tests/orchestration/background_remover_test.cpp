#include "orchestration/background_remover.h"
#include "orchestration/run_messages.h"
#include "support/platform_seam.h"
#include "support/windows_error.h"
#include "testkit/deadline.h"
#include "testkit/recording_log.h"
#include "testkit/scripted_product.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <functional>
#include <memory>
#include <thread>

namespace {

using K = ProductKind;

struct Pumped {
    bool arrived = false;
    MSG finished{};
    std::vector<WPARAM> timers;
};

class BackgroundRemoverRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr) << GetLastError();
        remover_.SetWindow(window_);
    }
    void TearDown() override
    {
        remover_.ReleaseThread();
        KillTimer(window_, kRunTimerId);
        DestroyWindow(window_);
    }

    // Pumps this thread's queue as the dialog would until `finished` arrives
    // (at most 10 s), then waits for the worker.
    Pumped Finish(UINT finished, const std::function<void()>& onTimer = nullptr)
    {
        Pumped pumped;
        WaitUntil([&] {
            MSG message;
            while (!pumped.arrived && PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) {
                if (message.message == WM_TIMER) {
                    pumped.timers.push_back(message.wParam);
                    if (onTimer)
                        onTimer();
                } else if (message.message == finished) {
                    pumped.arrived = true;
                    pumped.finished = message;
                }
            }
            return pumped.arrived;
        });
        remover_.ReleaseThread();
        KillTimer(window_, remover_.Timer());
        return pumped;
    }
    std::vector<ZEMProduct*> Products(std::initializer_list<K> kinds)
    {
        std::vector<ZEMProduct*> products;
        for (K kind : kinds)
            products.push_back(suite_.Get(kind));
        return products;
    }
    bool Logged(const std::string& line) const
    {
        const std::vector<std::string> lines = log_.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    HWND window_ = nullptr;
    RecordingLog log_;
    ScriptedSuite suite_{&log_};
    BackgroundRemover remover_{&log_};
};

} // namespace

TEST_F(BackgroundRemoverRun, DetectionHandsBackInstalledProductsInOrderWhileTheTimerTicks)
{
    suite_.Install({K::Relay, K::Client, K::MSDE});
    // The detection waits for the first tick, so the tick is seen during the run.
    Windows::UniqueKernelHandle ticked = MakeTestEvent();
    bool sawTick = false;
    suite_[K::Console].onDetect = [&] { sawTick = WaitForTestEvent(ticked.get()); };

    remover_.StartDetection(suite_.Catalogue().InOrder(kInteractiveDetectionOrder));
    const Pumped pumped = Finish(WM_DETECTION_FINISHED, [&] { SetEvent(ticked.get()); });

    ASSERT_TRUE(pumped.arrived);
    EXPECT_EQ(pumped.finished.wParam, 0u);
    EXPECT_EQ(pumped.finished.lParam, 0);
    EXPECT_TRUE(sawTick);
    // Every tick carries the identifier the dialog drains its log on.
    ASSERT_FALSE(pumped.timers.empty());
    EXPECT_EQ(pumped.timers, std::vector<WPARAM>(pumped.timers.size(), kRunTimerId));
    EXPECT_EQ(remover_.Products(), Products({K::MSDE, K::Client, K::Relay}));
    EXPECT_EQ(suite_.Journal().size(), kProductCount);
    EXPECT_TRUE(Logged("* Detecting Varnek Server"));
}

TEST_F(BackgroundRemoverRun, RemovalCountsWhatTheSecondDetectionNoLongerFinds)
{
    const struct {
        const char* what;
        bool removeSucceeds, survives;
        bool succeeded, relayRemoved, stepsFailedLine;
    } cases[] = {
        {"clean removal", true, false, true, true, false},
        {"failed steps, but gone", false, false, false, true, true},
        {"still found afterwards", true, true, false, false, false},
    };
    for (const auto& c : cases) {
        log_.Clear();
        suite_.Install({K::Relay, K::Console});
        suite_[K::Relay].removeSucceeds = c.removeSucceeds;
        suite_[K::Relay].survivesRemoval = c.survives;

        remover_.StartRemoval(Products({K::Relay, K::Console}));
        const Pumped pumped = Finish(WM_REMOVAL_FINISHED);

        ASSERT_TRUE(pumped.arrived) << c.what;
        EXPECT_EQ(pumped.finished.wParam, 0u) << c.what;
        EXPECT_EQ(pumped.finished.lParam, 0) << c.what;
        EXPECT_EQ(remover_.Succeeded(), c.succeeded) << c.what;
        EXPECT_EQ(remover_.Products(), c.relayRemoved ? Products({K::Relay, K::Console}) : Products({K::Console}))
            << c.what << ": the run goes on after a failed product";
        EXPECT_EQ(Logged("One or more steps in the removal of \"Varnek Relay\" has failed."), c.stepsFailedLine)
            << c.what;
    }
}

TEST_F(BackgroundRemoverRun, ExceptionEndsThePassWithOnlyWhatWasDoneBeforeIt)
{
    suite_.Install({K::Client, K::Console, K::Relay});
    suite_[K::Console].onDetect = [] { throw Windows::Error(ERROR_ACCESS_DENIED); };
    remover_.StartDetection(suite_.Catalogue().InOrder(kInteractiveDetectionOrder));
    ASSERT_TRUE(Finish(WM_DETECTION_FINISHED).arrived);
    EXPECT_EQ(remover_.Products(), Products({K::Client})) << "the undetected rest is never offered";
    EXPECT_TRUE(Logged(std::string("Unhandeled exception during product detection: ") +
                       Windows::Error(ERROR_ACCESS_DENIED).what()));

    suite_[K::Console].onDetect = nullptr;
    suite_[K::Relay].onRemove = [] { throw 42; };
    remover_.StartRemoval(Products({K::Console, K::Relay, K::Client}));
    ASSERT_TRUE(Finish(WM_REMOVAL_FINISHED).arrived);
    EXPECT_FALSE(remover_.Succeeded());
    EXPECT_EQ(remover_.Products(), Products({K::Console}));
    EXPECT_TRUE(Logged("Unhandeled exception during product removal: No diagnostic message available"));
    const std::vector<std::string> journal = suite_.Journal();
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "remove Varnek Client"), 0);
}

TEST_F(BackgroundRemoverRun, ThreadThatCannotStartLeavesNoTimer)
{
    WindowsPlatform::ScopedFailure noThread(WindowsPlatform::SeamCall::_beginthreadex, EAGAIN);
    try {
        remover_.StartRemoval(Products({K::Relay}));
        ADD_FAILURE() << "no ThreadError";
    } catch (const WindowsPlatform::ThreadError& error) {
        EXPECT_EQ(error.ErrorNumber(), EAGAIN);
    }
    EXPECT_EQ(noThread.Hits(), 1);
    EXPECT_FALSE(KillTimer(window_, kRunTimerId)) << "the run's timer is gone again";
    EXPECT_TRUE(suite_.Journal().empty());
}

TEST_F(BackgroundRemoverRun, DestructorWaitsForItsWorker)
{
    Windows::UniqueKernelHandle entered = MakeTestEvent(), release = MakeTestEvent();
    std::atomic<bool> finished{false};
    suite_.Install({K::Relay});
    suite_[K::Relay].onRemove = [&] {
        SetEvent(entered.get());
        WaitForTestEvent(release.get());
        finished = true;
    };
    auto remover = std::make_unique<BackgroundRemover>(&log_);
    remover->SetWindow(window_);
    remover->StartRemoval(Products({K::Relay}));
    ASSERT_TRUE(WaitForTestEvent(entered.get()));
    std::thread releaser([&] {
        Sleep(200);
        SetEvent(release.get());
    });
    remover.reset();
    EXPECT_TRUE(finished);
    releaser.join();
}
