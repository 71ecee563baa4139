// The installed game: cmake --install into a private prefix, the launcher
// started with a private HOME under Xvfb, and the desktop entry validated.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e_harness.h"

namespace {

namespace fs = std::filesystem;

int RunCommand(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
               const std::string& stderrFile = "") {
    return e2e::WaitForExit(e2e::Spawn(argv, env, "", "", stderrFile), 120000);
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        tmp = e2e::MakeTempDir("vantora3-install-");
        ASSERT_FALSE(tmp.empty());
        prefix = tmp + "/prefix";
        home = tmp + "/home";
        fs::create_directories(home);
    }
    void TearDown() override { e2e::RemoveTree(tmp); }
    std::string tmp, prefix, home;
};

TEST_F(InstallTest, InstallsEverythingInItsFreedesktopPlace) {
    ASSERT_EQ(RunCommand({"cmake", "--install", V3_BINARY_DIR, "--prefix", prefix}), 0);
    for (const char* file :
         {"bin/vantora3", "libexec/vantora3/vantora3", "share/vantora3/GFX/UNIVERSE1.png",
          "share/vantora3/GFX/ASTEROIDSMALL/ASTEROID_SMALL_0.png",
          "share/applications/io.github.vantora3.vantora3.desktop", "share/icons/hicolor/48x48/apps/vantora3.png",
          "share/icons/hicolor/128x128/apps/vantora3.png", "share/man/man6/vantora3.6.gz",
          "share/metainfo/io.github.vantora3.vantora3.metainfo.xml", "share/doc/vantora3/copyright",
          "share/doc/vantora3/changelog.gz"}) {
        EXPECT_TRUE(fs::exists(prefix + "/" + file)) << file;
    }
    EXPECT_FALSE(fs::exists(prefix + "/share/vantora3/GFX/.generated"));
    EXPECT_EQ(RunCommand({"desktop-file-validate", prefix + "/share/applications/io.github.vantora3.vantora3.desktop"}),
              0);

    // A staged install lands below DESTDIR.
    ASSERT_EQ(RunCommand({"cmake", "--install", V3_BINARY_DIR, "--prefix", "/usr"}, {"DESTDIR=" + tmp + "/stage"}), 0);
    EXPECT_TRUE(fs::exists(tmp + "/stage/usr/bin/vantora3"));
    EXPECT_TRUE(fs::exists(tmp + "/stage/usr/share/vantora3/GFX/UNIVERSE1.png"));
}

TEST_F(InstallTest, LauncherRunsTheGameFromAPerUserRunDirectory) {
    ASSERT_EQ(RunCommand({"cmake", "--install", V3_BINARY_DIR, "--prefix", prefix}), 0);
    e2e::Xvfb xvfb;
    ASSERT_TRUE(xvfb.Ok());
    const std::string run = home + "/.local/share/vantora3";
    const std::string err = tmp + "/stderr.txt";
    pid_t pid = e2e::Spawn(
        {prefix + "/bin/vantora3"},
        {"HOME=" + home, "-XDG_DATA_HOME", "DISPLAY=" + xvfb.Display(), "-WAYLAND_DISPLAY", "-SDL_VIDEODRIVER"}, tmp,
        "", err);
    ASSERT_GT(pid, 0);
    const bool running = e2e::WaitUntil(
        [&] { return e2e::ReadFile(run + "/log/log.txt").find("Scene ended") != std::string::npos; }, 30000);
    EXPECT_TRUE(running) << e2e::ReadFile(err);
    EXPECT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "Escape"}));
    EXPECT_EQ(e2e::WaitForExit(pid, 15000), 0) << e2e::ReadFile(err);

    EXPECT_TRUE(fs::is_symlink(run + "/GFX"));
    EXPECT_EQ(fs::read_symlink(run + "/GFX"), fs::path(prefix + "/share/vantora3/GFX"));
    EXPECT_TRUE(fs::is_directory(run + "/SCREENSHOTS"));
    const std::string log = e2e::ReadFile(run + "/log/log.txt");
    EXPECT_EQ(log.rfind("Init Direct3D: TRUE\n", 0), 0u) << log.substr(0, 200);
}

TEST_F(InstallTest, LauncherReportsAMissingInstallation) {
    ASSERT_EQ(RunCommand({"cmake", "--install", V3_BINARY_DIR, "--prefix", prefix}), 0);
    fs::remove_all(prefix + "/share/vantora3/GFX");
    const std::string err = tmp + "/stderr.txt";
    EXPECT_EQ(RunCommand({prefix + "/bin/vantora3"}, {"HOME=" + home, "-XDG_DATA_HOME"}, err), 1);
    EXPECT_NE(e2e::ReadFile(err).find("images are missing"), std::string::npos) << e2e::ReadFile(err);
}

}  // namespace
