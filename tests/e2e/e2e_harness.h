// Helpers for the end-to-end tests: an Xvfb of our own on a free display,
// the real game started in a private run directory, xdotool key presses,
// and reading the screenshots it writes. Only processes started here are
// ever signalled, by their PIDs.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// Runs a program (argv[0] searched in PATH) with extra environment entries;
// returns its PID, or -1.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& workingDirectory = "", const std::string& stdoutFile = "",
            const std::string& stderrFile = "");

// Waits up to timeoutMs for the process to end; returns its exit status
// (signals as 128 + n), or -1 on time-out (the process is then killed).
int WaitForExit(pid_t pid, int timeoutMs);

// Reads a whole file; empty when missing.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Sleeps in small steps until condition() holds or the time runs out.
template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs);
// A new empty directory under the system's temporary directory.
std::string MakeTempDir(const std::string& prefix);
void RemoveTree(const std::string& path);

// An Xvfb server on a display it picks itself, width x height x 24 (the
// game's own 1024x768 unless told), key repeat after 200 ms every 20 ms;
// stopped (SIGKILL of its own PID) on destruction.
class Xvfb {
public:
    explicit Xvfb(int width = 1024, int height = 768);
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    bool Ok() const { return pid_ > 0 && !display_.empty(); }
    const std::string& Display() const { return display_; }  // e.g. ":17"

private:
    pid_t pid_ = -1;
    std::string display_;
};

// A window manager (openbox) on a display, as a desktop has one; ready once
// it has announced itself on the root window and managed a window of
// another client (xlogo, closed again). Stopped on destruction.
class WindowManager {
public:
    explicit WindowManager(const std::string& display);
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;
    bool Ok() const { return ready_; }

private:
    pid_t pid_ = -1;
    bool ready_ = false;
    std::string home_;
};

// Another program's small window (xlogo) in the display's top-left corner,
// as a desktop has beside the game; closed on destruction.
class OtherWindow {
public:
    explicit OtherWindow(const std::string& display);
    ~OtherWindow();
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;
    bool Ok() const { return !id_.empty(); }
    // Gives it the keyboard focus, taking it from the game.
    bool TakeFocus();

private:
    std::string display_;
    pid_t pid_ = -1;
    std::string id_;  // its X window id
};

// Runs a program on the display and returns what it printed on stdout
// (empty on failure or time-out).
std::string CaptureOutput(const std::string& display, const std::vector<std::string>& argv);

// Presses keys on the display: "key F1", or "keydown Right" ... "keyup Right".
bool XdoTool(const std::string& display, const std::vector<std::string>& args);

// A private run directory: GFX (linked to the build's art), log,
// SCREENSHOTS and bin with the game; removed on destruction.
class RunDirectory {
public:
    RunDirectory();
    ~RunDirectory();
    const std::string& Root() const { return root_; }
    std::string Bin() const { return root_ + "/bin"; }
    std::string LogFile() const { return root_ + "/log/log.txt"; }
    std::string Screenshot(int score) const;

private:
    std::string root_;
};

// The game running in a run directory on a display.
class Game {
public:
    Game(const RunDirectory& dir, const std::string& display);
    ~Game();
    bool Started() const { return pid_ > 0; }
    // Waits until the log shows `count` finished frames ("Scene ended").
    bool WaitForFrames(int count, int timeoutMs) const;
    int CountLogLines(const std::string& line) const;
    // Exit status after the game ended by itself; -1 on time-out.
    int WaitForExit(int timeoutMs);
    std::string Stderr() const;

private:
    const RunDirectory& dir_;
    pid_t pid_ = -1;
    std::string stderrFile_;
};

// A 32-bit bottom-up BMP as written by the game.
struct Bitmap {
    bool ok = false;
    std::string error;
    size_t fileSize = 0;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // top-down, 0xAARRGGBB
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Bitmap ReadBitmap(const std::string& path);

// The whole screen of a display as xwd (from x11-apps) dumps its root
// window: true-colour pixels of 24 or 32 bits, as Xvfb's depth 24 gives.
struct ScreenCapture {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // top-down, 0x00RRGGBB
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
ScreenCapture CaptureScreen(const std::string& display);
// Reads an xwd dump (the X Window Dump format: a big-endian header, then
// the colour map, then the image rows).
ScreenCapture ParseXwd(const std::string& data);

}  // namespace e2e

#include "e2e_harness_inl.h"
