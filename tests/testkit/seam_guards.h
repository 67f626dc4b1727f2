// Guards on calls that must stay untouched: each fails with "access denied"
// if it is ever made for an object whose text contains the given part, and
// Hits() counts how often that happened. Header-only.
#pragma once

#include "support/platform_seam.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class SeamGuards {
public:
    void Guard(std::initializer_list<WindowsPlatform::SeamCall> calls, const std::string& part)
    {
        for (WindowsPlatform::SeamCall call : calls)
            guards_.push_back(std::make_unique<WindowsPlatform::ScopedFailure>(
                call, ERROR_ACCESS_DENIED, part, -1, WindowsPlatform::Firing::Optional));
    }
    int Hits() const
    {
        int hits = 0;
        for (const auto& guard : guards_)
            hits += guard->Hits();
        return hits;
    }

private:
    std::vector<std::unique_ptr<WindowsPlatform::ScopedFailure>> guards_;
};
