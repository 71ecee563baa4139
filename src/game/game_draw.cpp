#include "base/log.h"
#include "game/game.h"

namespace {

// World objects are drawn slightly darker than their images.
constexpr D3DCOLOR kWorldColour = 0xFFBBBBBB;

void DrawAll(const std::list<Sprite*>& list) {
    for (Sprite* sprite : list) {
        if (sprite != nullptr) sprite->Draw(kWorldColour);
    }
}

}  // namespace

void Game::Draw() {
    // Later lists cover earlier ones: the player's shots lie lowest and the
    // explosions on top of everything.
    DrawAll(shots);
    DrawAll(asteroids);
    DrawAll(enemies);
    DrawAll(enemyShots);
    DrawAll(items);
    DrawAll(explosions);
    Log("Gezeichnet");
}

void Game::Release() {
    FreeAll(shots);
    FreeAll(asteroids);
    FreeAll(explosions);
    FreeAll(items);
    Log(" Objekt(e) Freigegeben");
}
