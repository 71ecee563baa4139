// The game in a run directory that is not as it should be: a log directory
// that is missing or cannot take the log file, a screenshot directory that is
// missing or is a file. The game must run as usual, write nothing where it
// cannot, and end with Escape and exit code 0.
#include <algorithm>

#include "app/app_fixture.h"
#include "app/frame_log.h"
#include "app/globals.h"
#include "app/win_main.h"

namespace {

namespace fs = std::filesystem;

// What takes the place of a directory the game writes into.
enum class Broken { kMissing, kRegularFile, kUnwritableLink };

struct BrokenCase {
    const char* name;
    Broken how;
};

std::string CaseName(const ::testing::TestParamInfo<BrokenCase>& info) { return info.param.name; }
void PrintTo(const BrokenCase& c, std::ostream* out) { *out << c.name; }

constexpr char kFileContent[] = "not a directory\n";

// Replaces root/dir by the broken variant.
void BreakDirectory(const std::string& root, const std::string& dir, Broken how) {
    const std::string path = root + "/" + dir;
    fs::remove_all(path);
    switch (how) {
        case Broken::kMissing: break;
        case Broken::kRegularFile: {
            // As root a chmod does not stop writes; a file in the directory's
            // place stops them for everyone.
            std::ofstream out(path, std::ios::binary);
            out << kFileContent;
            break;
        }
        case Broken::kUnwritableLink:
            // /proc takes no new files, not even from root.
            fs::create_directory_symlink("/proc", path);
            break;
    }
}

// The directory's place is as the test left it: nothing was created in it.
void ExpectUntouched(const std::string& root, const std::string& dir, Broken how, const std::string& fileInside) {
    const std::string path = root + "/" + dir;
    switch (how) {
        case Broken::kMissing: EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << path; break;
        case Broken::kRegularFile: {
            ASSERT_TRUE(fs::is_regular_file(path)) << path;
            std::ifstream in(path, std::ios::binary);
            std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_EQ(content, kFileContent);
            break;
        }
        case Broken::kUnwritableLink:
            EXPECT_TRUE(fs::is_symlink(path));
            EXPECT_FALSE(fs::exists("/proc/" + fileInside));
            break;
    }
}

const BrokenCase kCases[] = {
    {"Missing", Broken::kMissing},
    {"RegularFile", Broken::kRegularFile},
    {"UnwritableLink", Broken::kUnwritableLink},
};

class UnwritableLogTest : public AppFixture, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(UnwritableLogTest, GamePlaysOnAndLogsNothing) {
    BreakDirectory(root, "log", GetParam().how);
    size_t mostShots = 0;
    DriveFrames([&](uint64_t frame) {
        if (frame == 3) backend->QueueKeyDown(VK_SPACE);
        if (frame == 4) {
            backend->SetKeyHeld(VK_SPACE, true);
            backend->SetKeyHeld(VK_LEFT, true);
        }
        if (frame == 100) backend->QueueKeyDown(VK_F1);
        mostShots = std::max(mostShots, game.GetShots().size());
        if (frame == 300) backend->QueueKeyDown(VK_ESCAPE);
    });

    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    // Every frame up to the Escape ran, play went on, and the screenshot,
    // which does not depend on the log, was still written.
    EXPECT_EQ(backend->PresentCount(), 300u);
    EXPECT_GT(mostShots, 0u);
    EXPECT_FALSE(fs::is_empty(root + "/SCREENSHOTS"));
    ExpectUntouched(root, "log", GetParam().how, "log.txt");
}

INSTANTIATE_TEST_SUITE_P(LogDirectory, UnwritableLogTest, ::testing::ValuesIn(kCases), CaseName);

class UnwritableScreenshotsTest : public AppFixture, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(UnwritableScreenshotsTest, ScreenshotsAreSkippedAndTheGameGoesOn) {
    BreakDirectory(root, "SCREENSHOTS", GetParam().how);
    uint64_t gameOverAt = 0;
    DriveFrames([&](uint64_t frame) {
        if (frame == 3) backend->QueueKeyDown(VK_F1);  // on the start screen
        if (frame == 5) backend->QueueKeyDown(VK_SPACE);
        if (frame == 10) backend->QueueKeyDown(VK_F1);  // during play
        if (frame == 20) {
            game.SetScore(1250);
            game.SetHealth(0);
        }
        if (gameOverAt == 0 && frame > 5 && game.IsGameOver()) gameOverAt = frame;
        // The automatic screenshot falls on the tenth screen frame; forty
        // more frames show the game carried on past it.
        if (frame == 70) backend->QueueKeyDown(VK_ESCAPE);
    });

    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(gameOverAt, 21u);
    EXPECT_EQ(backend->PresentCount(), 70u);
    ExpectUntouched(root, "SCREENSHOTS", GetParam().how, "screen1250.bmp");

    const std::vector<std::string> lines = LogLines();
    const FrameLogSummary summary = CheckFrameLog(lines, 8);
    EXPECT_EQ(summary.firstError, "");
    // Frames 1..5 and 21..70 on the screen, 6..20 in play.
    EXPECT_EQ(summary.screenFrames, 55);
    EXPECT_EQ(summary.playFrames, 15);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), " Objekt(e) Freigegeben");
}

INSTANTIATE_TEST_SUITE_P(ScreenshotDirectory, UnwritableScreenshotsTest, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
