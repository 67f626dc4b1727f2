#include "support/platform_seam.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using WindowsPlatform::Firing;
using WindowsPlatform::ScopedFailure;
using WindowsPlatform::SeamCall;

TEST(PlatformSeam, ARuleArmedToFireThatNeverFiredFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        { ScopedFailure never(SeamCall::GetFileAttributesA, ERROR_ACCESS_DENIED, "C:\\never"); },
        "the armed failure of GetFileAttributesA for \"C:\\never\" never fired");
    { ScopedFailure allowed(SeamCall::GetFileAttributesA, ERROR_ACCESS_DENIED, "C:\\never", -1, Firing::Optional); }

    ScopedFailure fired(SeamCall::RegDeleteKeyA, ERROR_ACCESS_DENIED, "Varnek", 1);
    EXPECT_EQ(WindowsPlatform::InjectedFailure(SeamCall::RegDeleteKeyA, "SOFTWARE\\varnek\\x"), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(WindowsPlatform::InjectedFailure(SeamCall::RegDeleteKeyA, "SOFTWARE\\Varnek"), 0u) << "once only";
    EXPECT_EQ(WindowsPlatform::InjectedFailure(SeamCall::GetFileAttributesA, "SOFTWARE\\Varnek"), 0u) << "another call";
    EXPECT_EQ(fired.Hits(), 1);
}
