#include "testkit/scripted_product.h"

void CallJournal::Add(const std::string& entry)
{
    std::lock_guard<std::mutex> guard(lock_);
    entries_.push_back(entry);
}

std::vector<std::string> CallJournal::Entries() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return entries_;
}

ScriptedProduct::ScriptedProduct(Remove::Log* log, ProductKind kind, std::shared_ptr<CallJournal> journal)
    : ZEMProduct(log), kind(kind), name(DefaultProductName(kind)), journal_(std::move(journal))
{
}

bool ScriptedProduct::Detect()
{
    if (log)
        log->DetectingBanner(Name());
    if (journal_)
        journal_->Add("detect " + Name());
    if (onDetect)
        onDetect();
    installed = present;
    return installed;
}

bool ScriptedProduct::Remove()
{
    if (log)
        log->RemovingBanner(Name());
    if (journal_)
        journal_->Add("remove " + Name());
    if (onRemove)
        onRemove();
    present = survivesRemoval;
    return removeSucceeds;
}

bool WaitForTestEvent(HANDLE event, DWORD timeoutMilliseconds)
{
    return WaitForSingleObject(event, timeoutMilliseconds) == WAIT_OBJECT_0;
}

Windows::UniqueKernelHandle MakeTestEvent()
{
    return Windows::UniqueKernelHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

ScriptedSuite::ScriptedSuite(Remove::Log* log) : journal_(std::make_shared<CallJournal>())
{
    products_.resize(kProductCount);
    for (ProductKind kind : kCreationOrder) {
        products_[static_cast<size_t>(kind)] = std::make_unique<ScriptedProduct>(log, kind, journal_);
        catalogue_.Set(kind, products_[static_cast<size_t>(kind)].get());
    }
}

void ScriptedSuite::Install(std::initializer_list<ProductKind> kinds)
{
    for (ProductKind kind : kinds)
        (*this)[kind].present = true;
}

std::vector<std::string> Removals(const std::vector<std::string>& journal)
{
    std::vector<std::string> removals;
    for (const std::string& entry : journal) {
        if (entry.rfind("remove ", 0) == 0)
            removals.push_back(entry.substr(7));
    }
    return removals;
}
