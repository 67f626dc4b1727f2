#include "remove/message_log.h"
#include "testkit/recording_log.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

const std::string kStars(50, '*');
const std::string kCrosses(50, 'x');

} // namespace

TEST(LogBanners, DetectingBannerIsEightPiecesByteExact)
{
    RecordingLog log;
    log.DetectingBanner("Varnek Client");
    std::vector<std::string> expected = {"\r\n", kStars, "\r\n", "* Detecting ", "Varnek Client", "\r\n", kStars, "\r\n"};
    EXPECT_EQ(log.pieces, expected);
}

TEST(LogBanners, RemovingBannerUsesCrossesAndRemovingTitle)
{
    RecordingLog log;
    log.RemovingBanner(std::string("Varnek root folders and registry keys"));
    EXPECT_EQ(log.Text(), "\r\n" + kCrosses + "\r\nx Removing Varnek root folders and registry keys\r\n" + kCrosses + "\r\n");
}

TEST(MessageLog, DrainJoinsPiecesInOrderFlaggedAlikeAndEmptiesTheQueue)
{
    PendingLogQueue queue;
    Remove::MessageLog log(queue);
    log << "abc";
    log.WriteFlagged("def");
    log << Remove::LineEnd;
    EXPECT_EQ(TakePendingLogText(queue), "abcdef\r\n");
    EXPECT_EQ(TakePendingLogText(queue), "") << "a second drain finds nothing";
    {
        PendingLogQueue::ScopedLock lock(queue);
        EXPECT_TRUE(lock.Entries().empty());
    }
}

TEST(MessageLog, EntriesRememberWhichWriteMadeThem)
{
    PendingLogQueue queue;
    Remove::MessageLog log(queue);
    log.Write("plain");
    log.WriteFlagged("flagged");
    PendingLogQueue::ScopedLock lock(queue);
    ASSERT_EQ(lock.Entries().size(), 2u);
    EXPECT_FALSE(lock.Entries()[0].flagged);
    EXPECT_TRUE(lock.Entries()[1].flagged);
    EXPECT_EQ(lock.Entries()[1].text, "flagged");
}

TEST(MessageLog, WriterThreadAndDrainingThreadKeepEveryPieceInOrder)
{
    PendingLogQueue queue;
    Remove::MessageLog log(queue);
    const int kLines = 20000;
    std::thread writer([&] {
        for (int i = 0; i < kLines; ++i)
            log << std::to_string(i) << Remove::LineEnd;
    });
    std::string drained;
    bool writerDone = false;
    while (!writerDone) {
        writerDone = drained.size() > 0 && drained.rfind(std::to_string(kLines - 1) + "\r\n") != std::string::npos;
        drained += TakePendingLogText(queue);
        if (!writerDone)
            std::this_thread::yield();
    }
    writer.join();
    drained += TakePendingLogText(queue);

    std::string expected;
    for (int i = 0; i < kLines; ++i)
        expected += std::to_string(i) + "\r\n";
    EXPECT_EQ(drained, expected);
}

namespace {

// A real multi-line edit control, as the dialog's log pane is.
class LogPane : public ::testing::Test {
protected:
    void SetUp() override
    {
        pane_ = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0, 400, 300,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(pane_, nullptr) << "no display for the edit control (error " << GetLastError() << ")";
    }
    void TearDown() override
    {
        if (pane_)
            DestroyWindow(pane_);
    }
    std::string PaneText() const
    {
        int length = GetWindowTextLengthA(pane_);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        GetWindowTextA(pane_, &text[0], length + 1);
        text.resize(static_cast<size_t>(length));
        return text;
    }
    int LineCount() const { return static_cast<int>(SendMessageA(pane_, EM_GETLINECOUNT, 0, 0)); }

    HWND pane_ = nullptr;
};

} // namespace

TEST_F(LogPane, BannerOnEmptyPaneLeavesTheCaretOnANewEmptyLine)
{
    PendingLogQueue queue;
    Remove::MessageLog log(queue);
    log.DetectingBanner("Varnek Client");
    AppendToLogPane(pane_, TakePendingLogText(queue));
    EXPECT_EQ(PaneText(), "\r\n" + kStars + "\r\n* Detecting Varnek Client\r\n" + kStars + "\r\n");
    EXPECT_EQ(LineCount(), 5) << "empty line, rule, title, rule, and the new empty line";
}

// A bare line feed reaches the pane as that one byte: no carriage return is
// added, so on Windows it does not end the line. (Wine's edit control draws it
// as a break all the same, so the test checks the bytes, not the drawing.)
TEST_F(LogPane, BareLineFeedPassesUnchangedAndDrainsAppendAtTheEnd)
{
    PendingLogQueue queue;
    Remove::MessageLog log(queue);
    log << "abc" << "\n" << "def";
    AppendToLogPane(pane_, TakePendingLogText(queue));
    EXPECT_EQ(PaneText(), "abc\ndef");
    log << Remove::LineEnd << "next";
    AppendToLogPane(pane_, TakePendingLogText(queue));
    AppendToLogPane(pane_, TakePendingLogText(queue)); // nothing queued: no change
    EXPECT_EQ(PaneText(), "abc\ndef\r\nnext");
}
