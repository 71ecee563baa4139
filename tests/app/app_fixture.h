// A private run directory for tests of the application shell: GFX linked to
// the build's art, empty log/ and SCREENSHOTS/, and the working directory in
// bin/, so the game's "..//" paths resolve as they do for a player. The
// headless backend stands in for the display, with a driven clock.
//
// The shell's objects are process globals, so each test runs in a process of
// its own (ctest runs every test case separately).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/headless/headless_backend.h"

class AppFixture : public ::testing::Test {
protected:
    static constexpr int64_t kFrameNs = 1000000000 / 60;

    void SetUp() override {
        namespace fs = std::filesystem;
        char pattern[] = "/tmp/vantora3-app-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        fs::create_directories(root + "/bin");
        fs::create_directories(root + "/log");
        fs::create_directories(root + "/SCREENSHOTS");
        fs::create_directory_symlink(std::string(V3_RUN_DIR) + "/GFX", root + "/GFX");
        previousDirectory = fs::current_path().string();
        fs::current_path(root + "/bin");
        backend = platform::InstallHeadlessBackend();
        backend->SetCounter(0);
        backend->SetMilliseconds(4242);
    }

    void TearDown() override {
        std::filesystem::current_path(previousDirectory);
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    // Runs a driven 60 Hz clock and calls script(frame) after every present
    // (frame counts from 1); the script queues keys to steer the game.
    void DriveFrames(std::function<void(uint64_t)> script) {
        backend->SetFrameHook([script](platform::HeadlessBackend& b, uint64_t presentIndex) {
            b.AdvanceCounter(kFrameNs);
            script(presentIndex + 1);
        });
    }

    std::string ReadText(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::istringstream in(ReadText(root + "/log/log.txt"));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::string Screenshot(int score) const { return root + "/SCREENSHOTS/screen" + std::to_string(score) + ".bmp"; }

    std::string root;
    std::string previousDirectory;
    std::shared_ptr<platform::HeadlessBackend> backend;
};
