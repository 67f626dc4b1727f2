// The interactive mode's worker job: detect or remove a list of products on a
// thread of its own, then tell the dialog by a posted message.
#pragma once

#include "products/zem_product.h"
#include "support/owned_handle.h"

#include <windows.h>

#include <vector>

template <class Signature>
class Callable;

// The job a worker thread runs once.
template <>
class Callable<void (*)()> {
public:
    virtual void operator()() = 0;
    virtual ~Callable() = default;
};

class BackgroundRemover : public Callable<void (*)()> {
public:
    explicit BackgroundRemover(Remove::Log* log);
    // Waits for a worker that is still stored: the remover never outlives it.
    ~BackgroundRemover() override;
    BackgroundRemover(const BackgroundRemover&) = delete;
    BackgroundRemover& operator=(const BackgroundRemover&) = delete;

    // The dialog that receives the finished messages and the timer.
    void SetWindow(HWND window);

    // Start a run on a new worker: the timer (identifier 1, 100 ms) first, then
    // the thread. Throws WindowsPlatform::ThreadError, with the timer killed
    // again, when the thread cannot be started.
    void StartDetection(std::vector<ZEMProduct*> products);
    void StartRemoval(std::vector<ZEMProduct*> products);

    // Waits for the stored worker with no time-out and closes its handle;
    // nothing when none is stored. Call before reading the results.
    void ReleaseThread();

    UINT_PTR Timer() const { return timer_; }
    // The removal pass's result; read only after ReleaseThread.
    bool Succeeded() const { return succeeded_; }
    // The run's input until it ends; then the installed products (detection)
    // or the products that counted as removed (removal), in the given order.
    const std::vector<ZEMProduct*>& Products() const { return products_; }

    // Runs on the worker: the pass of the current mode, then its message.
    void operator()() override;
    void DetectAll();
    void RemoveAll();

private:
    enum class Mode { Detect, Remove };
    void Start(Mode mode, std::vector<ZEMProduct*> products);

    HWND window_ = nullptr;
    UINT_PTR timer_ = 0;
    Remove::Log* const log_;
    bool succeeded_ = true;
    std::vector<ZEMProduct*> products_;
    Mode mode_ = Mode::Detect;
    Windows::UniqueKernelHandle thread_;
};
