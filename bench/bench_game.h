// Shared set-up of the game benchmarks: a private run directory under /tmp
// (GFX linked to the build's art, empty log/ and SCREENSHOTS/), the working
// directory in its bin/, the headless backend with a driven clock, and the
// main window. The directory is removed at process exit.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "app/globals.h"
#include "app/init_game.h"
#include "app/win_main.h"
#include "platform/headless/headless_backend.h"

namespace bench {

constexpr int64_t kFrameNs = 1000000000 / 60;

inline std::string& RunRoot() {
    static std::string root;
    return root;
}

inline std::shared_ptr<platform::HeadlessBackend>& Backend() {
    static std::shared_ptr<platform::HeadlessBackend> backend;
    return backend;
}

inline void RemoveRunDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(RunRoot(), ignored);
}

// Prepares the run directory, the backend and the window once per process;
// false when any of it fails.
inline bool PrepareOnce() {
    static int prepared = -1;
    if (prepared >= 0) return prepared == 1;
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/vantora3-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return (prepared = 0) == 1;
    RunRoot() = pattern;
    fs::create_directories(RunRoot() + "/bin");
    fs::create_directories(RunRoot() + "/log");
    fs::create_directories(RunRoot() + "/SCREENSHOTS");
    fs::create_directory_symlink(std::string(V3_RUN_DIR) + "/GFX", RunRoot() + "/GFX");
    fs::current_path(RunRoot() + "/bin");
    std::atexit(RemoveRunDirectory);
    Backend() = platform::InstallHeadlessBackend();
    Backend()->SetCounter(0);
    // The game's frame is measured, not the test backend's copy of each
    // presented picture.
    Backend()->SetKeepFrames(false);
    mainWindow = CreateMainWindow(nullptr);
    prepared = mainWindow != nullptr ? 1 : 0;
    return prepared == 1;
}

// Moves the driven clock on by one 60 Hz frame.
inline void NextFrameTime() { Backend()->AdvanceCounter(kFrameNs); }

// PrepareOnce, then the game's start-up, once per process. The frame clock
// reports 1 frame per second until its first second is over, and every step
// is divided by it; the clock is ticked through that second at a driven
// 60 Hz so that motion is the size of a real frame's.
inline bool StartGameOnce() {
    static int started = -1;
    if (started >= 0) return started == 1;
    started = (PrepareOnce() && InitGame() == 1) ? 1 : 0;
    for (int i = 0; i < 70 && started == 1; ++i) {
        NextFrameTime();
        resManager.Tick();
    }
    return started == 1;
}

}  // namespace bench
