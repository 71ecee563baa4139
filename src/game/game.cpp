#include "game/game.h"

#include "base/log.h"
#include "sprite/res_manager.h"

Game::Game() = default;

Game::~Game() {
    Release();
    // Release leaves the fighters, enemy ships and enemy shots listed; at
    // the end of the world they are freed here so nothing outlives it.
    FreeAll(enemies);
    FreeAll(enemyShots);
}

void Game::Init(IDirect3DDevice9* device_, ResManager* resManager_, Graphics* graphics_, const int* difficulty_) {
    device = device_;
    resManager = resManager_;
    graphics = graphics_;
    difficulty = difficulty_;
}

void Game::Reset(Sprite& player) {
    health = 100;
    score = 0;
    level = 1;
    player.SetPosition(462.0f, 334.0f);
    // Enemies, enemy shots and items stay: they take part in the new game.
    FreeAll(shots);
    FreeAll(asteroids);
    FreeAll(explosions);
    // One line as one text: the split ends each \x escape.
    // clang-format off
    Log("Spiel zur\xFC" "ckgesetzt");
    // clang-format on
}

int Game::GetHealth() const { return health; }
int Game::GetScore() const { return score; }
int Game::GetLevel() const { return level; }
int Game::IsGameOver() const { return gameOver; }
void Game::SetGameOver(int flag) { gameOver = flag; }

int Game::Framerate() const { return resManager != nullptr ? resManager->GetFramerate() : 1; }

int Game::Difficulty() const { return difficulty != nullptr ? *difficulty : 0; }

void Game::FreeAll(std::list<Sprite*>& list) {
    for (Sprite* sprite : list) delete sprite;
    list.clear();
}
