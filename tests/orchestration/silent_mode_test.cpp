#include "orchestration/silent_mode.h"
#include "support/message_box.h"
#include "support/platform_seam.h"
#include "testkit/message_box_watcher.h"
#include "testkit/scripted_product.h"
#include "testkit/file_tree.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <sstream>

namespace {

const char kProgram[] = "SilentModeTest";

std::string ReadWhileOpen(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// The silent mode over scripted products: the client alone is installed, and
// the root clean-up is only noted.
class SilentMode : public ::testing::Test {
protected:
    SilentMode() { suite_.Install({ProductKind::Client}); }

    int Run(const std::string& arguments)
    {
        return RunSilentMode(arguments, kProgram, [this](const std::string& switches, Remove::Log& log,
                                                         const SilentRemovalHost& host) {
            ++runs_;
            SilentRemovalHost noted = host;
            noted.removeSuiteRoots = [this](Remove::Log& rootLog) { rootLog << "(root clean-up)\r\n"; };
            return RunSilentRemoval(switches, suite_.Catalogue(), log, noted);
        });
    }

    ScratchFolder folder_;
    std::string logPath_ = folder_ / "client server.log";
    ScriptedSuite suite_;
    int runs_ = 0;
};

} // namespace

TEST_F(SilentMode, WithoutAVisibleWindowStationBoxesGoOnlyToTheLogAndTheCodesStay)
{
    WindowsPlatform::ScopedAnswer invisible(WindowsPlatform::SeamCall::GetUserObjectInformationA, "UOI_FLAGS", "0");
    MessageBoxWatcher watcher(kProgram);
    const std::string quoted = " /logfile=\"" + logPath_ + "\"";
    struct Case {
        std::string arguments;
        int code;
        std::string box;
    } cases[] = {
        {"/silent /client" + quoted, kSilentInvalidArguments, kClientRuleText},
        {"/silent" + quoted, kSilentInvalidArguments, kSilentHelpText},
        {"/silent /client /force" + quoted, kSilentSucceeded, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.arguments), c.code) << c.arguments;
        std::vector<std::string> lines = LinesOf(ReadWhileOpen(logPath_));
        ASSERT_GE(lines.size(), 2u) << c.arguments;
        EXPECT_EQ(lines.front().find(std::string(kProgram) + " "), 0u) << lines.front();
        EXPECT_NE(lines.front().find(" with command line: " + c.arguments), std::string::npos) << lines.front();
        EXPECT_EQ(lines.back(), std::string(kProgram) + " ended with exit code " + std::to_string(c.code));
        std::string text = ReadWhileOpen(logPath_);
        std::string box = "Message box \"" + std::string(kProgram) + "\": " + c.box;
        for (std::size_t at = 0; (at = box.find('\n', at)) != std::string::npos; at += 2)
            box.replace(at, 1, "\r\n");
        EXPECT_EQ(text.find(box + "\r\n") != std::string::npos, !c.box.empty()) << text;
    }
    EXPECT_TRUE(watcher.Texts().empty()) << "no box may appear";
    EXPECT_GT(invisible.Hits(), 0);
}

TEST_F(SilentMode, ALogFileThatCannotBeSafelyCreatedOrAMalformedLineEndsTheRunBeforeAnything)
{
    const std::string other = folder_ / "other.txt", quoted = "\"" + logPath_ + "\"", text = "another file's text";
    MakeFile(other, text);
    HANDLE held = nullptr;
    std::unique_ptr<WindowsPlatform::ScopedEntryAttributes> link;
    // Never written through: a second name of another file, a link, a file someone holds open.
    const std::vector<std::pair<std::string, std::function<void()>>> cases = {
        {folder_ / "missing\\run.log", [] {}},
        {"", [] {}},
        {quoted, [&] { ASSERT_TRUE(CreateHardLinkA(logPath_.c_str(), other.c_str(), nullptr)); }},
        {quoted, [&] { DeleteFileA(logPath_.c_str()), MakeFile(logPath_, text);
                       link.reset(new WindowsPlatform::ScopedEntryAttributes("server.log", FILE_ATTRIBUTE_REPARSE_POINT)); }},
        {quoted, [&] { link.reset(), held = CreateFileA(logPath_.c_str(), GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr); }},
    };
    for (const auto& c : cases) {
        c.second();
        EXPECT_EQ(Run("/silent /client /force /logfile=" + c.first), kSilentLogFileFailed) << c.first;
        EXPECT_EQ(ReadWhileOpen(other), text) << c.first;
    }
    CloseHandle(held);
    EXPECT_EQ(ReadWhileOpen(logPath_), text) << "not even deleted once let go";
    // A quote never closed: nothing can be trusted, and nobody sees a box here.
    WindowsPlatform::ScopedAnswer invisible(WindowsPlatform::SeamCall::GetUserObjectInformationA, "UOI_FLAGS", "0");
    MessageBoxWatcher watcher(kProgram);
    EXPECT_EQ(Run("/silent /client /force /logfile=\"" + logPath_), kSilentInvalidArguments);
    EXPECT_TRUE(watcher.Texts().empty());
    EXPECT_EQ(runs_, 0);
    EXPECT_TRUE(suite_.Journal().empty());
}

TEST_F(SilentMode, AnUnexpectedErrorEndsWith1603AndTheClosingLine)
{
    EXPECT_EQ(RunSilentMode("/silent /logfile=\"" + logPath_ + "\"", kProgram,
                            [](const std::string&, Remove::Log& log, const SilentRemovalHost&) -> int {
                                log << "Removing...";
                                throw std::bad_alloc();
                            }),
              1603);
    std::vector<std::string> lines = LinesOf(ReadWhileOpen(logPath_));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{"Removing...", "error encountered: std::bad_alloc",
                                        std::string(kProgram) + " ended with exit code 1603"}));
}

TEST_F(SilentMode, TheLogIsWrittenAsTheRunGoes)
{
    std::string seenDuringTheRun;
    int code = RunSilentMode("/silent /logfile=\"" + logPath_ + "\"", kProgram,
                             [&](const std::string&, Remove::Log& log, const SilentRemovalHost&) {
                                 log << "x Removing" << " Varnek Client" << Remove::LineEnd << "Running uninstaller...";
                                 seenDuringTheRun = ReadWhileOpen(logPath_);
                                 return 1603;
                             });
    EXPECT_EQ(code, 1603);
    std::vector<std::string> lines = LinesOf(seenDuringTheRun + "\r\n");
    ASSERT_EQ(lines.size(), 3u) << seenDuringTheRun;
    EXPECT_EQ(lines[1], "x Removing Varnek Client");
    EXPECT_EQ(lines[2], "Running uninstaller...") << "the open line is there too";
    lines = LinesOf(ReadWhileOpen(logPath_));
    EXPECT_EQ(lines.back(), std::string(kProgram) + " ended with exit code 1603");
    EXPECT_EQ(lines[lines.size() - 2], "Running uninstaller...") << "an open line is ended first";
}

TEST_F(SilentMode, SessionZeroIsNobodysDesktopAndAFailedDelayLoadEndsLikeAnyError)
{
    using WindowsPlatform::ScopedAnswer;
    using WindowsPlatform::SeamCall;
    // A service allowed to interact with the desktop finds its station visible.
    ScopedAnswer visible(SeamCall::GetUserObjectInformationA, "UOI_FLAGS", std::to_string(WSF_VISIBLE));
    {
        ScopedAnswer userSession(SeamCall::ProcessIdToSessionId, "session", "1");
        EXPECT_TRUE(WindowsPlatform::WindowStationIsInteractive());
    }
    {
        ScopedAnswer servicesSession(SeamCall::ProcessIdToSessionId, "session", "0");
        EXPECT_FALSE(WindowsPlatform::WindowStationIsInteractive());
    }

    // user32 cannot be loaded (no desktop heap left): an error like any other.
    WindowsPlatform::ScopedFailure noUser32(SeamCall::LoadLibraryExA, ERROR_DLL_INIT_FAILED, "user32.dll");
    EXPECT_EQ(Run("/silent /client /force /logfile=\"" + logPath_ + "\""), kSilentUnexpectedFailure);
    std::vector<std::string> lines = LinesOf(ReadWhileOpen(logPath_));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{"error encountered: " + WindowsErrorPiece(ERROR_DLL_INIT_FAILED),
                                        std::string(kProgram) + " ended with exit code 1603"}));
    EXPECT_EQ(runs_, 0);
    EXPECT_TRUE(suite_.Journal().empty());
}
