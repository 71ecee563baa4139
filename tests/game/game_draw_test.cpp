#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <functional>

#include "game/game.h"
#include "game/game_world.h"

namespace {

// Every family drawn in one plain colour, 32 x 32, so overlaps can be told
// apart in the back buffer.
class GameSolidWorld : public gameworld::GameWorld {
protected:
    std::string RunDirectory() const override { return root; }

    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "v3_solid_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        for (const char* dir : {"/bin", "/GFX", "/GFX/PHOTON", "/GFX/ASTEROID", "/GFX/ASTEROIDSMALL", "/GFX/EXPLOSION",
                                "/GFX/ENEMY", "/GFX/ITEMS"}) {
            ASSERT_EQ(mkdir((root + dir).c_str(), 0755), 0) << dir;
        }
        for (const gameworld::Family& family : gameworld::WorldFamilies()) {
            const std::string prefix = "..//";
            for (int n = family.first; n <= family.last; ++n) {
                std::string relative = gameworld::Format(family.pattern, n).substr(prefix.size());
                ASSERT_TRUE(testworld::WriteSolidPng(root + "/" + relative, 32, 32, ColourOf(family.pattern)));
            }
        }
        GameWorld::SetUp();
    }

    static uint32_t ColourOf(const std::string& pattern) {
        if (pattern.find("PHOTON") != std::string::npos) return 0xFFFF0000;
        if (pattern.find("ASTEROID") != std::string::npos) return 0xFF00FF00;
        if (pattern.find("SHOT") != std::string::npos) return 0xFFFFFF00;
        if (pattern.find("FIGHTER") != std::string::npos) return 0xFF0000FF;
        if (pattern.find("ENEMY") != std::string::npos) return 0xFF0000FF;
        if (pattern.find("health") != std::string::npos) return 0xFFFF00FF;
        return 0xFF00FFFF;  // explosions
    }

    std::string root;
};

struct Layer {
    const char* name;
    std::function<void(Game&)> create;
    std::function<Sprite*(const Game&)> latest;
    uint32_t drawnColour;  // the family colour darkened by 0xBB / 0xFF
};

// The six lists, lowest first.
const std::array<Layer, 6>& Layers() {
    static const std::array<Layer, 6> layers = {{
        {"shot", [](Game& g) { g.CreateShot(0, 0); }, [](const Game& g) { return g.GetShots().back(); }, 0xFFBB0000},
        {"asteroid", [](Game& g) { g.CreateAsteroid(); }, [](const Game& g) { return g.GetAsteroids().back(); },
         0xFF00BB00},
        {"enemy", [](Game& g) { g.CreateEnemy(4); }, [](const Game& g) { return g.GetEnemies().back(); }, 0xFF0000BB},
        {"enemy shot", [](Game& g) { g.CreateEnemyShot(0, 0); }, [](const Game& g) { return g.GetEnemyShots().back(); },
         0xFFBBBB00},
        {"item", [](Game& g) { g.CreateItem(750); }, [](const Game& g) { return g.GetItems().back(); }, 0xFFBB00BB},
        {"explosion", [](Game& g) { g.CreateExplosion(0, 0, 1.0f); },
         [](const Game& g) { return g.GetExplosions().back(); }, 0xFF00BBBB},
    }};
    return layers;
}

TEST_F(GameSolidWorld, LaterListsAreDrawnOverEarlierOnes) {
    for (std::size_t lower = 0; lower < Layers().size(); ++lower) {
        for (std::size_t upper = lower + 1; upper < Layers().size(); ++upper) {
            SCOPED_TRACE(std::string(Layers()[upper].name) + " over " + Layers()[lower].name);
            Game pair;
            pair.Init(world.Device(), &res, &world.graphics, &difficulty);
            // Created in the opposite order, so creation order cannot decide.
            for (std::size_t layer : {upper, lower}) {
                Layers()[layer].create(pair);
                Layers()[layer].latest(pair)->SetPosition(200.0f, 200.0f);
            }
            world.graphics.SetClearColor(0xFF000000);
            world.graphics.BeginScene();
            pair.Draw();
            EXPECT_EQ(world.Pixel(204, 204), Layers()[upper].drawnColour);
        }
    }
}

TEST_F(GameSolidWorld, AfterReleaseEnemiesAndEnemyShotsAreStillDrawn) {
    game.CreateEnemy(3);
    Last(game.GetEnemies())->SetPosition(100, 100);
    game.CreateEnemyShot(0, 0);
    Last(game.GetEnemyShots())->SetPosition(300, 100);
    game.CreateShot(0, 0);
    Last(game.GetShots())->SetPosition(500, 100);
    game.Release();
    world.graphics.SetClearColor(0xFF000000);
    world.graphics.BeginScene();
    game.Draw();
    EXPECT_EQ(world.Pixel(104, 104), 0xFF0000BBu);
    EXPECT_EQ(world.Pixel(304, 104), 0xFFBBBB00u);
    EXPECT_EQ(world.Pixel(504, 104), 0xFF000000u);
}

}  // namespace
