// The Debian package as a player gets it: checked with lintian, AppStream
// and desktop-file-utils, then its files unpacked with dpkg-deb into a
// temporary folder and the launcher run from there, under Xvfb with a
// temporary HOME.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "e2e_harness.h"

namespace {

namespace fs = std::filesystem;

const std::string kDeb = V3_DEB_FILE;
const std::string kAppId = V3_APP_ID;
const std::string kVersion = V3_VERSION;

// Runs a command to its end; its exit status (-1 after two minutes).
int RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
             const std::string& stdoutFile = "", const std::string& stderrFile = "") {
    return e2e::WaitForExit(e2e::Spawn(argv, env, "", stdoutFile, stderrFile), 120000);
}

// As root every folder is writable and readable; the cases that need a
// folder the player cannot use run the launcher as "nobody" then.
std::vector<std::string> AsPlayer(std::vector<std::string> argv) {
    if (geteuid() != 0) return argv;
    std::vector<std::string> wrapped = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// The text of the first <tag>...</tag> in xml; empty when absent.
std::string Element(const std::string& xml, const std::string& tag) {
    const size_t open = xml.find("<" + tag + ">");
    if (open == std::string::npos) return "";
    const size_t from = open + tag.size() + 2;
    const size_t close = xml.find("</" + tag + ">", from);
    return close == std::string::npos ? "" : xml.substr(from, close - from);
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kDeb)) << kDeb << " is missing: cmake --build <build> --target package";
        tmp = e2e::MakeTempDir("vantora3-package-");
        ASSERT_FALSE(tmp.empty());
        // Readable by "nobody", for the cases run under that user.
        ::chmod(tmp.c_str(), 0755);
        root = tmp + "/unpacked";
        home = tmp + "/home";
        fs::create_directories(home);
        ASSERT_EQ(RunToEnd({"dpkg-deb", "-x", kDeb, root}), 0);
        launcher = root + "/usr/games/vantora3";
        art = root + "/usr/share/vantora3/GFX";
        runDir = home + "/.local/share/vantora3";
    }
    void TearDown() override {
        // Give back what a case took away, so the tree can be removed.
        std::error_code ignored;
        fs::permissions(home, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::permissions(art, fs::perms::owner_all, fs::perm_options::add, ignored);
        e2e::RemoveTree(tmp);
    }

    // The launcher with the temporary HOME; its stdout and stderr in files.
    int Launch(const std::vector<std::string>& args, bool asPlayer = false) {
        std::vector<std::string> argv = {launcher};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunToEnd(asPlayer ? AsPlayer(argv) : argv, {"HOME=" + home, "-XDG_DATA_HOME"}, Out(), Err());
    }
    // Starts argv (the launcher, or a wrapper that ends in it) on its own
    // Xvfb, waits for the game's window, presses Escape until the game has
    // taken it, and returns the exit status (-1 when it did not end).
    int PlayAndQuit(const std::vector<std::string>& argv) {
        e2e::Xvfb xvfb;
        if (!xvfb.Ok()) return -1;
        pid_t pid = e2e::Spawn(
            argv,
            {"HOME=" + home, "-XDG_DATA_HOME", "DISPLAY=" + xvfb.Display(), "-WAYLAND_DISPLAY", "-SDL_VIDEODRIVER"},
            tmp, "", Err());
        if (pid <= 0) return -1;
        // Without a log the open window shows that the game runs.
        const bool window = e2e::WaitUntil(
            [&] {
                return e2e::XdoTool(xvfb.Display(), {"search", "--name", "^Vantora3$"});
            },
            30000);
        EXPECT_TRUE(window) << e2e::ReadFile(Err());
        // The first frame may still be on its way when the window appears.
        int status = -1;
        e2e::WaitUntil(
            [&] {
                int raw = 0;
                if (waitpid(pid, &raw, WNOHANG) == pid) {
                    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
                    return true;
                }
                e2e::XdoTool(xvfb.Display(), {"key", "Escape"});
                return false;
            },
            20000);
        if (status == -1) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        return status;
    }
    // The launcher's one line when the run directory cannot be written.
    std::string CannotWriteLine() const {
        return "vantora3: cannot write to " + runDir + "; playing without a log and screenshots\n";
    }
    std::string Out() const { return tmp + "/stdout.txt"; }
    std::string Err() const { return tmp + "/stderr.txt"; }

    std::string tmp, root, home, launcher, art, runDir;
};

TEST_F(PackageTest, LintianReportsNoErrorAndNoWarning) {
    const int status = RunToEnd({"lintian", "--fail-on", "error,warning", kDeb}, {}, Out(), Err());
    EXPECT_EQ(status, 0) << e2e::ReadFile(Out()) << e2e::ReadFile(Err());
}

TEST_F(PackageTest, HoldsEverythingAPlayerNeeds) {
    for (const std::string& file : std::vector<std::string>{
             "usr/games/vantora3", "usr/libexec/vantora3/vantora3", "usr/share/vantora3/GFX/UNIVERSE1.png",
             "usr/share/vantora3/GFX/ENEMY/30.png", "usr/share/applications/" + kAppId + ".desktop",
             "usr/share/metainfo/" + kAppId + ".metainfo.xml", "usr/share/icons/hicolor/48x48/apps/vantora3.png",
             "usr/share/icons/hicolor/128x128/apps/vantora3.png", "usr/share/man/man6/vantora3.6.gz",
             "usr/share/doc/vantora3/copyright", "usr/share/doc/vantora3/changelog.gz"}) {
        EXPECT_TRUE(fs::is_regular_file(root + "/" + file)) << file;
    }
    EXPECT_FALSE(fs::exists(root + "/usr/share/vantora3/GFX/.generated"));
    // Debian keeps a game's command in /usr/games only.
    EXPECT_FALSE(fs::exists(root + "/usr/bin"));
}

TEST_F(PackageTest, ControlFieldsAgreeWithTheAppStreamEntry) {
    ASSERT_EQ(RunToEnd({"dpkg-deb", "-f", kDeb, "Version"}, {}, Out()), 0);
    EXPECT_EQ(e2e::ReadFile(Out()), kVersion + "\n");
    ASSERT_EQ(RunToEnd({"dpkg-deb", "-f", kDeb, "Section"}, {}, Out()), 0);
    EXPECT_EQ(e2e::ReadFile(Out()), "games\n");
    ASSERT_EQ(RunToEnd({"dpkg-deb", "-f", kDeb, "Maintainer"}, {}, Out()), 0);
    EXPECT_NE(e2e::ReadFile(Out()).find('@'), std::string::npos) << e2e::ReadFile(Out());
    ASSERT_EQ(RunToEnd({"dpkg-deb", "-f", kDeb, "Depends"}, {}, Out()), 0);
    const std::string depends = e2e::ReadFile(Out());
    for (const char* package :
         {"fonts-liberation2", "libsdl2-2.0-0", "libpng16-16", "libfreetype6", "libfontconfig1"}) {
        EXPECT_NE(depends.find(package), std::string::npos) << package << " not in " << depends;
    }

    const std::string metainfo = e2e::ReadFile(root + "/usr/share/metainfo/" + kAppId + ".metainfo.xml");
    EXPECT_EQ(Element(metainfo, "id"), kAppId);
    EXPECT_NE(metainfo.find("<release version=\"" + kVersion + "\" date=\""), std::string::npos);
    ASSERT_EQ(RunToEnd({"dpkg-deb", "-f", kDeb, "Description"}, {}, Out()), 0);
    const std::string summary = Element(metainfo, "summary");
    ASSERT_FALSE(summary.empty());
    EXPECT_EQ(FirstLine(e2e::ReadFile(Out())), summary);
}

TEST_F(PackageTest, AppStreamEntryAndDesktopEntryValidate) {
    const std::string metainfo = root + "/usr/share/metainfo/" + kAppId + ".metainfo.xml";
    EXPECT_EQ(RunToEnd({"appstreamcli", "validate", "--no-net", "--pedantic", metainfo}, {}, Out()), 0)
        << e2e::ReadFile(Out());
    // The tree check also finds the desktop entry named by the entry's id.
    EXPECT_EQ(RunToEnd({"appstreamcli", "validate-tree", "--no-net", root}, {}, Out()), 0) << e2e::ReadFile(Out());
    EXPECT_EQ(RunToEnd({"desktop-file-validate", root + "/usr/share/applications/" + kAppId + ".desktop"}, {}, Out()),
              0)
        << e2e::ReadFile(Out());

    // Both keyboard and gamepad keys are described.
    const std::string text = e2e::ReadFile(metainfo);
    for (const char* key : {"Space", "F1", "Escape", "Alt+Enter", "D-pad", "left stick", "right shoulder"}) {
        EXPECT_NE(text.find(key), std::string::npos) << key;
    }
}

TEST_F(PackageTest, UnpackedFilesRunTheGameForAPlayerWithATemporaryHome) {
    e2e::Xvfb xvfb;
    ASSERT_TRUE(xvfb.Ok());
    pid_t pid = e2e::Spawn(
        {launcher},
        {"HOME=" + home, "-XDG_DATA_HOME", "DISPLAY=" + xvfb.Display(), "-WAYLAND_DISPLAY", "-SDL_VIDEODRIVER"}, tmp,
        "", Err());
    ASSERT_GT(pid, 0);
    const std::string log = runDir + "/log/log.txt";
    const bool running =
        e2e::WaitUntil([&] { return e2e::ReadFile(log).find("Scene ended") != std::string::npos; }, 30000);
    EXPECT_TRUE(running) << e2e::ReadFile(Err());
    EXPECT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "Escape"}));
    EXPECT_EQ(e2e::WaitForExit(pid, 15000), 0) << e2e::ReadFile(Err());

    EXPECT_EQ(e2e::ReadFile(log).rfind("Init Direct3D: TRUE\n", 0), 0u);
    EXPECT_EQ(fs::read_symlink(runDir + "/GFX"), fs::path(art));
    EXPECT_EQ(e2e::ReadFile(Err()), "");
}

TEST_F(PackageTest, LauncherAnswersVersionAndHelpAndRefusesOtherArguments) {
    ASSERT_EQ(Launch({"--version"}), 0);
    EXPECT_EQ(e2e::ReadFile(Out()), "vantora3 " + kVersion + "\n");

    ASSERT_EQ(Launch({"--help"}), 0) << e2e::ReadFile(Err());
    const std::string help = e2e::ReadFile(Out());
    for (const std::string& text :
         {std::string("space shooter"), std::string("Space"), std::string("Up, Down"), std::string("Left, Right"),
          std::string("F1"), std::string("Escape"), std::string("Alt+Enter, F11"), std::string("A, Start"),
          std::string("left stick"), std::string("right shoulder"), runDir + "/log/log.txt",
          runDir + "/SCREENSHOTS/screenN.bmp"}) {
        EXPECT_NE(help.find(text), std::string::npos) << text << " not in\n" << help;
    }

    const struct {
        std::vector<std::string> args;
        std::string message;
    } refused[] = {
        {{"--fullscreen"}, "unknown argument: --fullscreen"},
        {{"-h"}, "unknown argument: -h"},
        {{"--help", "--version"}, "unknown argument: --help"},
        {{""}, "unknown argument: "},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(Launch(c.args), 2) << c.message;
        EXPECT_EQ(FirstLine(e2e::ReadFile(Err())).rfind("vantora3: " + c.message, 0), 0u) << e2e::ReadFile(Err());
        EXPECT_EQ(e2e::ReadFile(Out()), "");
    }
    // None of these started the game or prepared a run directory.
    EXPECT_FALSE(fs::exists(home + "/.local"));
}

TEST_F(PackageTest, MissingOrUnreadableArtStopsTheLauncherNamingTheFolder) {
    const struct {
        const char* name;
        std::function<void()> breakArt;
        const char* message;
    } cases[] = {
        {"art folder removed", [&] { fs::remove_all(art); }, "images are missing: "},
        {"background image removed", [&] { fs::remove(art + "/UNIVERSE1.png"); }, "images are missing: "},
        {"art folder unreadable", [&] { ::chmod(art.c_str(), 0); }, "images cannot be read: "},
        {"background image unreadable", [&] { ::chmod((art + "/UNIVERSE1.png").c_str(), 0); },
         "images cannot be read: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        ASSERT_EQ(RunToEnd({"dpkg-deb", "-x", kDeb, root}), 0);
        c.breakArt();
        EXPECT_EQ(Launch({}, true), 1);
        EXPECT_EQ(e2e::ReadFile(Err()).find(std::string("vantora3: the game's ") + c.message + art), 0u)
            << e2e::ReadFile(Err());
        ::chmod(art.c_str(), 0755);
    }
}

TEST_F(PackageTest, ReadOnlyHomeStillStartsTheGameAndWritesNothing) {
    const struct {
        const char* name;
        bool earlierRun;  // a run directory left from a run while the home was writable
    } cases[] = {{"fresh home", false}, {"home with an earlier run directory", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(home);
        if (c.earlierRun) {
            for (const char* dir : {"/bin", "/log", "/SCREENSHOTS"}) fs::create_directories(runDir + dir);
            fs::create_directory_symlink(art, runDir + "/GFX");
            for (const std::string& dir : {runDir + "/log", runDir + "/SCREENSHOTS"}) ::chmod(dir.c_str(), 0555);
        } else {
            fs::create_directories(home);
        }
        ::chmod(home.c_str(), 0555);

        EXPECT_EQ(PlayAndQuit(AsPlayer({launcher})), 0) << e2e::ReadFile(Err());
        EXPECT_EQ(e2e::ReadFile(Err()), CannotWriteLine());
        EXPECT_FALSE(fs::exists(runDir + "/log/log.txt"));
        EXPECT_TRUE(!fs::exists(runDir + "/SCREENSHOTS") || fs::is_empty(runDir + "/SCREENSHOTS"));
        EXPECT_FALSE(fs::exists(root + "/usr/share/vantora3/log"));
        ::chmod(home.c_str(), 0755);
    }
}

TEST_F(PackageTest, FullHomeStillStartsTheGame) {
    // A home of its own: a 16 KiB tmpfs, filled up, in a private mount
    // namespace (gone, with everything in it, when the launcher ends).
    if (RunToEnd({"unshare", "--map-root-user", "--mount", "true"}) != 0) {
        GTEST_SKIP() << "no user and mount namespaces here to mount a small file system in";
    }
    const std::string fillAndStart =
        "mount -t tmpfs -o size=16k,mode=0755 tmpfs \"$1\" || exit 99; "
        "head -c 1M /dev/zero >\"$1/filler\" 2>/dev/null; exec \"$2\"";
    EXPECT_EQ(PlayAndQuit({"unshare", "--map-root-user", "--mount", "sh", "-c", fillAndStart, "sh", home, launcher}), 0)
        << e2e::ReadFile(Err());
    EXPECT_EQ(e2e::ReadFile(Err()), CannotWriteLine());
}

}  // namespace
