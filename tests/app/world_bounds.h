// The world's list sizes over a long run, and the bounds they must keep by
// the spawn rules at the highest level reached. Shared by the key-mash test
// and the soak run.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>

#include "app/globals.h"

// Every world object listed now.
inline size_t WorldObjects() {
    return game.GetEnemies().size() + game.GetEnemyShots().size() + game.GetExplosions().size() +
           game.GetAsteroids().size() + game.GetShots().size() + game.GetItems().size();
}

struct ListMaxima {
    size_t enemies = 0, enemyShots = 0, explosions = 0, asteroids = 0, shots = 0, items = 0;

    // Takes in the lists' sizes of this frame.
    void Record() {
        enemies = std::max(enemies, game.GetEnemies().size());
        enemyShots = std::max(enemyShots, game.GetEnemyShots().size());
        explosions = std::max(explosions, game.GetExplosions().size());
        asteroids = std::max(asteroids, game.GetAsteroids().size());
        shots = std::max(shots, game.GetShots().size());
        items = std::max(items, game.GetItems().size());
    }
};

// Bounds from the world's rules. Asteroids: a large one spawns only while
// fewer than 2*level are listed, and a split turns one into four, so at
// most 4*2*level. Enemies: fewer than 2*level fighters and level-9 ships
// before a spawn, at the highest level reached. Player shots: one per fps/3
// frames, gone at the top within about a second. Enemy shots: each fighter
// fires once per 2*fps frames and its shot crosses the screen in a few
// seconds. An explosion plays eight frames at ten a second, 48 frames at
// 60 Hz, and the game-over screen adds one every frame: some 48 at once,
// plus a few from hits. Items spawn one in 5*fps frames and retire below
// the screen.
inline void ExpectWithinWorldBounds(const ListMaxima& most, int highestLevel) {
    const size_t level = static_cast<size_t>(highestLevel);
    EXPECT_LE(most.asteroids, 8 * level);
    EXPECT_LE(most.enemies, 2 * level + (level > 9 ? level - 9 : 0) + 1);
    EXPECT_LE(most.shots, 10u);
    EXPECT_LE(most.enemyShots, 10 * (2 * level + 1));
    EXPECT_LE(most.explosions, 60u);
    EXPECT_LE(most.items, 20u);
}
