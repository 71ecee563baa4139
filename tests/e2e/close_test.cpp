// Ending the game from outside while it runs on a real display: the
// termination and interrupt signals arrive as the window system's quit
// event and take the road of a window closed by the window manager, so the
// game ends after the frame it is in, with exit status 0.
#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

#include "e2e_harness.h"

namespace {

int CountLines(const std::string& text, const std::string& line) {
    std::istringstream in(text);
    int count = 0;
    for (std::string l; std::getline(in, l);) count += l == line ? 1 : 0;
    return count;
}

struct CloseCase {
    const char* name;
    int signal;
};

void PrintTo(const CloseCase& c, std::ostream* out) { *out << c.name; }

class CloseFromOutsideTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseFromOutsideTest, EndsWithStatusZeroAfterAWholeFrame) {
    e2e::Xvfb xvfb;
    ASSERT_TRUE(xvfb.Ok()) << "Xvfb did not start";
    e2e::RunDirectory dir;
    const std::string err = dir.Root() + "/stderr.txt";
    const pid_t pid =
        e2e::Spawn({dir.Bin() + "/vantora3"}, {"DISPLAY=" + xvfb.Display(), "-WAYLAND_DISPLAY", "-SDL_VIDEODRIVER"},
                   dir.Bin(), dir.Root() + "/stdout.txt", err);
    ASSERT_GT(pid, 0);
    const bool running =
        e2e::WaitUntil([&] { return CountLines(e2e::ReadFile(dir.LogFile()), "Scene ended") >= 30; }, 30000);
    if (!running) kill(pid, SIGKILL);
    ASSERT_TRUE(running) << e2e::ReadFile(err);

    // Only the game started here is signalled, by its own PID.
    ASSERT_EQ(kill(pid, GetParam().signal), 0);
    EXPECT_EQ(e2e::WaitForExit(pid, 15000), 0) << e2e::ReadFile(err);

    // The last frame was finished, and at the end of the process the world
    // released what it held.
    std::istringstream log(e2e::ReadFile(dir.LogFile()));
    std::vector<std::string> lines;
    for (std::string l; std::getline(log, l);) lines.push_back(l);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Scene ended");
    EXPECT_EQ(lines.back(), " Objekt(e) Freigegeben");
}

INSTANTIATE_TEST_SUITE_P(Signals, CloseFromOutsideTest,
                         ::testing::Values(CloseCase{"Terminate", SIGTERM}, CloseCase{"Interrupt", SIGINT}),
                         [](const ::testing::TestParamInfo<CloseCase>& info) { return info.param.name; });

}  // namespace
