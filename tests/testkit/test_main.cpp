// The main of every test executable: GoogleTest's, plus the seam's check that
// every failure a test armed to fire really fired.
#include "support/platform_seam.h"

#include <gtest/gtest.h>

namespace {

void FailRunningTest(const std::string& description)
{
    ADD_FAILURE() << description << " (arm it with Firing::Optional if that is expected)";
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    WindowsPlatform::SetUnfiredFailureHandler(FailRunningTest);
    return RUN_ALL_TESTS();
}
