#include "support/platform_seam.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <map>
#include <mutex>
#include <utility>

namespace WindowsPlatform {

namespace {

struct FailureRule {
    SeamCall call;
    DWORD code;
    std::string objectPart;
    int remaining;
    int hits;
    Firing firing;
};

struct AttributeRule {
    std::string pathSuffix;
    DWORD attributes;
    DWORD reparseTag;
};

struct AnswerRule {
    SeamCall call;
    std::string object;
    std::string answer;
    int hits;
};

struct Seam {
    std::mutex lock;
    std::atomic<int> armed{0};
    std::atomic<int> answersArmed{0};
    int nextId = 1;
    std::map<int, FailureRule> failures;
    std::map<int, AttributeRule> attributes;
    std::map<int, AnswerRule> answers;
    std::map<int, std::string> userNames;
    UnfiredFailureHandler unfired = nullptr;
};

Seam& TheSeam()
{
    static Seam* seam = new Seam;
    return *seam;
}

// Every scoped rule is armed and let go the same way: under the lock, with the
// count the calls' fast check reads.
template <typename Rule>
int Arm(std::map<int, Rule> Seam::*rules, Rule rule, std::atomic<int> Seam::*count)
{
    Seam& seam = TheSeam();
    std::lock_guard<std::mutex> guard(seam.lock);
    int id = seam.nextId++;
    (seam.*rules)[id] = std::move(rule);
    (seam.*count).fetch_add(1, std::memory_order_release);
    return id;
}

template <typename Rule>
void Disarm(std::map<int, Rule> Seam::*rules, int id, std::atomic<int> Seam::*count)
{
    Seam& seam = TheSeam();
    std::lock_guard<std::mutex> guard(seam.lock);
    (seam.*rules).erase(id);
    (seam.*count).fetch_sub(1, std::memory_order_release);
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

const char* SeamCallName(SeamCall call)
{
    static const char* const names[] = {
#define ZEM_SEAM_NAME(name) #name,
        ZEM_SEAM_CALLS(ZEM_SEAM_NAME)
#undef ZEM_SEAM_NAME
    };
    size_t index = static_cast<size_t>(call);
    return index < sizeof names / sizeof names[0] ? names[index] : "(unknown call)";
}

void SetUnfiredFailureHandler(UnfiredFailureHandler handler)
{
    Seam& seam = TheSeam();
    std::lock_guard<std::mutex> guard(seam.lock);
    seam.unfired = handler;
}

DWORD InjectedFailure(SeamCall call, const std::string& object)
{
    Seam& seam = TheSeam();
    if (seam.armed.load(std::memory_order_acquire) == 0)
        return 0;
    std::lock_guard<std::mutex> guard(seam.lock);
    for (auto& entry : seam.failures) {
        FailureRule& rule = entry.second;
        if (rule.call != call || rule.remaining == 0)
            continue;
        if (!rule.objectPart.empty() && Lower(object).find(Lower(rule.objectPart)) == std::string::npos)
            continue;
        if (rule.remaining > 0)
            --rule.remaining;
        ++rule.hits;
        return rule.code;
    }
    return 0;
}

std::optional<std::string> InjectedAnswer(SeamCall call, const std::string& object)
{
    Seam& seam = TheSeam();
    if (seam.answersArmed.load(std::memory_order_acquire) == 0)
        return std::nullopt;
    std::lock_guard<std::mutex> guard(seam.lock);
    for (auto& entry : seam.answers) {
        AnswerRule& rule = entry.second;
        if (rule.call == call && rule.object == object) {
            ++rule.hits;
            return rule.answer;
        }
    }
    return std::nullopt;
}

bool AnswersArmed()
{
    return TheSeam().answersArmed.load(std::memory_order_acquire) != 0;
}

DWORD InjectedAttributes(const std::string& path, DWORD* reparseTag)
{
    Seam& seam = TheSeam();
    if (seam.armed.load(std::memory_order_acquire) == 0)
        return 0;
    std::lock_guard<std::mutex> guard(seam.lock);
    std::string lowered = Lower(path);
    for (const auto& entry : seam.attributes) {
        if (EndsWith(lowered, Lower(entry.second.pathSuffix))) {
            if (reparseTag)
                *reparseTag = entry.second.reparseTag;
            return entry.second.attributes;
        }
    }
    return 0;
}

bool InjectedUserName(std::string& name)
{
    Seam& seam = TheSeam();
    if (seam.armed.load(std::memory_order_acquire) == 0)
        return false;
    std::lock_guard<std::mutex> guard(seam.lock);
    if (seam.userNames.empty())
        return false;
    // The latest armed name wins.
    name = seam.userNames.rbegin()->second;
    return true;
}

ScopedUserName::ScopedUserName(const std::string& name) : id_(Arm(&Seam::userNames, name, &Seam::armed)) {}

ScopedUserName::~ScopedUserName()
{
    Disarm(&Seam::userNames, id_, &Seam::armed);
}

ScopedFailure::ScopedFailure(SeamCall call, DWORD code, const std::string& objectPart, int times, Firing firing)
    : id_(Arm(&Seam::failures, FailureRule{call, code, objectPart, times, 0, firing}, &Seam::armed))
{
}

ScopedFailure::~ScopedFailure()
{
    Seam& seam = TheSeam();
    UnfiredFailureHandler report = nullptr;
    std::string description;
    {
        std::lock_guard<std::mutex> guard(seam.lock);
        auto found = seam.failures.find(id_);
        if (found != seam.failures.end() && found->second.hits == 0 && found->second.firing == Firing::Required) {
            report = seam.unfired;
            description = std::string("the armed failure of ") + SeamCallName(found->second.call) + " for \"" +
                          found->second.objectPart + "\" never fired";
        }
        seam.failures.erase(id_);
        seam.armed.fetch_sub(1, std::memory_order_release);
    }
    // Outside the lock: the handler may call back into the seam.
    if (report)
        report(description);
}

int ScopedFailure::Hits() const
{
    Seam& seam = TheSeam();
    std::lock_guard<std::mutex> guard(seam.lock);
    auto found = seam.failures.find(id_);
    return found == seam.failures.end() ? 0 : found->second.hits;
}

ScopedAnswer::ScopedAnswer(SeamCall call, const std::string& object, const std::string& answer)
    : id_(Arm(&Seam::answers, AnswerRule{call, object, answer, 0}, &Seam::answersArmed))
{
}

ScopedAnswer::~ScopedAnswer()
{
    Disarm(&Seam::answers, id_, &Seam::answersArmed);
}

int ScopedAnswer::Hits() const
{
    Seam& seam = TheSeam();
    std::lock_guard<std::mutex> guard(seam.lock);
    auto found = seam.answers.find(id_);
    return found == seam.answers.end() ? 0 : found->second.hits;
}

ScopedEntryAttributes::ScopedEntryAttributes(const std::string& pathSuffix, DWORD attributes, DWORD reparseTag)
    : id_(Arm(&Seam::attributes, AttributeRule{pathSuffix, attributes, reparseTag}, &Seam::armed))
{
}

ScopedEntryAttributes::~ScopedEntryAttributes()
{
    Disarm(&Seam::attributes, id_, &Seam::armed);
}

} // namespace WindowsPlatform
