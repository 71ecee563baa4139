// The end of the process: after the loop ends, the globals are destroyed and
// the world's destructor releases what it holds and logs it, while the
// log's own state still lives. Checked in a child process that really
// exits, so that static destruction runs; under the sanitizers a use of
// an object already destroyed ends the child with an error instead of 0.
#include <cstdlib>

#include "app/app_fixture.h"
#include "app/globals.h"
#include "app/win_main.h"

namespace {

enum class Ending { kEscape, kWindowManagerClose };

struct EndingCase {
    const char* name;
    Ending how;
    // The last lines of the log, the process end's release last.
    std::vector<std::string> tail;
};

void PrintTo(const EndingCase& c, std::ostream* out) { *out << c.name; }

class ProcessExitTest : public AppFixture, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(ProcessExitTest, WorldIsReleasedAtExitAndLogsIt) {
    // The child is a fork of this test: it shares the run directory that
    // SetUp made, and the parent reads the log it leaves there.
    GTEST_FLAG_SET(death_test_style, "fast");
    const Ending how = GetParam().how;
    const auto runAndExit = [&] {
        DriveFrames([&](uint64_t frame) {
            if (frame == 3) backend->QueueKeyDown(VK_SPACE);
            if (frame == 4) backend->SetKeyHeld(VK_SPACE, true);
            if (frame != 120) return;
            if (how == Ending::kEscape) {
                backend->QueueKeyDown(VK_ESCAPE);
            } else {
                backend->RequestClose();
            }
        });
        // exit, not a return: the globals are destroyed as at a real end.
        std::exit(WinMain(nullptr, nullptr, nullptr, 0));
    };
    EXPECT_EXIT(runAndExit(), ::testing::ExitedWithCode(0), "");

    const std::vector<std::string> lines = LogLines();
    const std::vector<std::string>& tail = GetParam().tail;
    ASSERT_GE(lines.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(tail.size()), lines.end()), tail);
}

const EndingCase kEndings[] = {
    // Escape releases the world at once, the destructor a second time.
    {"Escape", Ending::kEscape, {"Scene ended", " Objekt(e) Freigegeben", " Objekt(e) Freigegeben"}},
    // A close by the window manager leaves the release to the destructor.
    {"WindowManagerClose", Ending::kWindowManagerClose, {"Scene ended", " Objekt(e) Freigegeben"}},
};

INSTANTIATE_TEST_SUITE_P(Endings, ProcessExitTest, ::testing::ValuesIn(kEndings),
                         [](const ::testing::TestParamInfo<EndingCase>& info) { return info.param.name; });

}  // namespace
