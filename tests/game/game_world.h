// A world to test the Game in: a headless device, a driven frame clock, a
// ResManager holding every texture the factories look up, a Game bound to
// them and a player Sprite of a known size.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/game.h"
#include "sprite/res_manager.h"
#include "sprite/sprite.h"
#include "sprite/test_world.h"

namespace gameworld {

// The frame families the world objects are built from: pattern, first, last.
struct Family {
    const char* pattern;
    int first;
    int last;
};

inline const std::vector<Family>& WorldFamilies() {
    static const std::vector<Family> families = {
        {"..//GFX//PHOTON//PHOTON%d.png", 1, 10},
        {"..//GFX//ASTEROID//ASTEROID%d.png", 1, 9},
        {"..//GFX//ASTEROIDSMALL//ASTEROID_SMALL_%d.png", 0, 9},
        {"..//GFX//EXPLOSION//EXPL%d.png", 1, 8},
        {"..//GFX//FIGHTER%d.png", 1, 3},
        {"..//GFX//ENEMY//%d.png", 1, 30},
        {"..//GFX//FIGHTERSHOT.png", 0, 0},
        {"..//GFX//ITEMS//health.png", 0, 0},
    };
    return families;
}

inline std::string Format(const char* pattern, int n) {
    char path[128];
    std::snprintf(path, sizeof path, pattern, n);
    return path;
}

class GameWorld : public ::testing::Test {
protected:
    // The directory whose bin/ the world runs in; "..//GFX//" lies beside it.
    virtual std::string RunDirectory() const { return V3_RUN_DIR; }

    void SetUp() override {
        logPath = ::testing::TempDir() + "v3_game_log_" + std::to_string(getpid()) + ".txt";
        SetLogPath(logPath);
        ASSERT_EQ(chdir((RunDirectory() + "/bin").c_str()), 0) << RunDirectory();
        ASSERT_TRUE(world.Open());
        world.backend->SetCounter(now);
        res.Init(world.Device());
        for (const Family& family : WorldFamilies()) {
            for (int n = family.first; n <= family.last; ++n) {
                const std::string path = Format(family.pattern, n);
                res.Load(path.c_str());
                ASSERT_NE(res.Find(path.c_str()), nullptr) << path << " did not load (is the art generated?)";
            }
        }
        game.Init(world.Device(), &res, &world.graphics, &difficulty);
        player.Init(world.Device(), &res, 22.0f);
        player.AddFrame(playerFrame.texture);
        player.SetPosition(-5000.0f, -5000.0f);  // far from everything
    }

    // Makes the latched frame rate fps.
    void SetFramerate(int fps) { testworld::LatchFramerate(*world.backend, res, now, fps); }

    std::vector<std::string> LogLines() const { return testworld::ReadLines(logPath); }

    // The latest object of a list (the one a factory just appended).
    static Sprite* Last(const std::list<Sprite*>& list) { return list.empty() ? nullptr : list.back(); }

    std::string logPath;
    int64_t now = 0;
    int difficulty = 0;
    testworld::HeadlessDevice world;
    ResManager res;
    testworld::TextureHolder playerFrame{testworld::SolidTexture(64, 64, 0xFFFFFFFF)};
    Game game;
    Sprite player;
};

}  // namespace gameworld
