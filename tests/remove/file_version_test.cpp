#include "remove/file_version.h"
#include "support/file_access.h"
#include "support/windows_error.h"
#include "testkit/recording_log.h"
#include "testkit/scratch.h"

#include <gtest/gtest.h>

namespace {

// Fixture programs are built next to the test executable.
std::string FixturePath(const char* name)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1) + name;
}

std::string Trying(const std::string& path)
{
    return "Trying to read the version of file \"" + path + "\"...";
}

} // namespace

TEST(FileVersions, VersionBlocksAreReadAsFourUnsignedParts)
{
    struct Case {
        const char* fixture;
        const char* version;
    } cases[] = {
        {"versioned_app.exe", "7.1.1.315"},
        {"versioned_high_parts.exe", "65535.32768.40000.1"},
    };
    for (const Case& c : cases) {
        RecordingLog log;
        std::string path = FixturePath(c.fixture);
        EXPECT_EQ(Remove::ReadFileVersion(path, log), std::optional<std::string>(c.version));
        EXPECT_EQ(log.Text(), Trying(path) + "file has version " + c.version + "\r\n");
    }
}

TEST(FileVersions, MissingFileAndFileWithoutVersionGiveNoVersion)
{
    ScratchFolder folder;
    RecordingLog log;
    std::string missing = folder / "missing.exe";
    EXPECT_EQ(Remove::ReadFileVersion(missing, log), std::nullopt);
    EXPECT_EQ(log.Text(), Trying(missing) + "file not found\r\n");

    std::string plain = folder / "plain.exe";
    WriteWholeFile(plain, "not a program");
    DWORD code = 0;
    try {
        Windows::GetFileVersion(plain);
    } catch (const Windows::Error& error) {
        code = error.Code();
    }
    ASSERT_NE(code, 0u);
    log.Clear();
    EXPECT_EQ(Remove::ReadFileVersion(plain, log), std::nullopt);
    EXPECT_EQ(log.Text(), Trying(plain) + "file exists, but failed to read version: " +
                              std::string(Windows::Error(code).what()) + "\r\n");
}

TEST(FileVersions, APathTooLongForTheAnsiCallsIsNeverCut)
{
    std::string overlong = FixturePath("versioned_app.exe");
    overlong.insert(overlong.rfind('\\'), "\\" + std::string(MAX_PATH, 'd'));
    try {
        Windows::GetFileVersion(overlong);
        ADD_FAILURE() << "an overlong path must fail";
    } catch (const Windows::Error& error) {
        EXPECT_EQ(error.Code(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    }
}
