#include <cstdio>

#include "base/log.h"
#include "game/game.h"
#include "platform/api/win32.h"
#include "sprite/res_manager.h"

Sprite* Game::NewSprite(float animationSpeed) const {
    Sprite* sprite = new Sprite();
    // Init also sets scale 1 and speed (10, 10); the factory overrides them.
    sprite->Init(device, resManager, animationSpeed);
    return sprite;
}

void Game::AddFrames(Sprite& sprite, const char* pattern, int first, int last) const {
    char path[128];
    for (int n = first; n <= last; ++n) {
        // The formatted path, doubled separators and all, is the cache key
        // under which start-up loaded the image.
        std::snprintf(path, sizeof path, pattern, n);
        // A texture missing from the cache is skipped by AddFrame; the
        // object then simply has fewer frames (or none, and draws nothing).
        sprite.AddFrame(resManager != nullptr ? resManager->Find(path) : nullptr);
    }
}

void Game::CreateShot(float x, float y) {
    Sprite* shot = NewSprite(12.0f);
    AddFrames(*shot, "..//GFX//PHOTON//PHOTON%d.png", 1, 10);
    // Just above the ship, 48 pixels right of its left edge.
    shot->SetPosition(x + 48.0f, y - shot->GetHeight());
    shot->SetSpeed(0.0f, 300.0f);
    shot->SetScale(1.0f);
    shot->SetDamage(20);
    shots.push_back(shot);
    Log("Schuss erstellt");
}

void Game::CreateEnemyShot(float x, float y) {
    Sprite* shot = NewSprite(5.0f);
    AddFrames(*shot, "..//GFX//FIGHTERSHOT.png", 0, 0);
    shot->SetPosition(x + 48.0f, y + 128.0f);
    shot->SetSpeed(0.0f, 500.0f);
    shot->SetScale(1.0f);
    shot->SetDamage(10);
    enemyShots.push_back(shot);
    Log("Gegnerschuss erstellen");
}

void Game::CreateEnemy(int kind) {
    Sprite* enemy = NewSprite(5.0f);
    if (kind == 4) {
        enemy->SetAnimationSpeed(35.0f);
        AddFrames(*enemy, "..//GFX//ENEMY//%d.png", 1, 30);
        enemy->SetSpeed(0.0f, 400.0f);
        enemy->SetKind(4);
        enemy->SetHitPoints(10);
        enemy->SetDamage(30);
    } else {
        AddFrames(*enemy, "..//GFX//FIGHTER%d.png", 1, 3);
        enemy->SetSpeed(0.0f, 300.0f);
        enemy->SetKind(3);
        enemy->SetHitPoints(10);
        enemy->SetDamage(10);
        enemy->SetFireRate(1.0f);
    }
    // The position needs the size, so it comes last: just above the top
    // edge, the left edge anywhere from -width to 1023 - width.
    const int x = crt::rand() % 1024 - enemy->GetWidth();
    enemy->SetPosition(static_cast<float>(x), static_cast<float>(-enemy->GetHeight()));
    enemy->SetScale(1.0f);
    enemies.push_back(enemy);
    Log("Gegner erstellt");
}

void Game::CreateAsteroid() {
    Sprite* asteroid = NewSprite(11.0f);
    AddFrames(*asteroid, "..//GFX//ASTEROID//ASTEROID%d.png", 1, 9);
    // Wholly within the screen's width. An image as wide as the screen would
    // leave no room; it then starts at the left edge, after the same draw.
    const int room = 1024 - asteroid->GetWidth();
    const int draw = crt::rand();
    const int x = room > 0 ? draw % room : 0;
    asteroid->SetPosition(static_cast<float>(x), static_cast<float>(-asteroid->GetHeight()));
    asteroid->SetSpeed(0.0f, static_cast<float>(150 + crt::rand() % 150));
    asteroid->SetScale(1.0f);
    asteroid->SetKind(1);
    asteroids.push_back(asteroid);
    // One line as one text: the split ends each \x escape.
    // clang-format off
    Log("Gro\xDF" "en Asteroiden erstellt");
    // clang-format on
}

void Game::CreateSmallAsteroid(float x, float y) {
    for (int piece = 0; piece < 4; ++piece) {
        Sprite* asteroid = NewSprite(11.0f);
        AddFrames(*asteroid, "..//GFX//ASTEROIDSMALL//ASTEROID_SMALL_%d.png", 0, 9);
        asteroid->SetPosition(x, y);
        // Three draws per piece: horizontal magnitude, side, vertical speed.
        const int magnitude = 100 + crt::rand() % 100;
        const int sign = (crt::rand() % 2 == 1) ? -1 : 1;
        const int down = 100 + crt::rand() % 100;
        asteroid->SetSpeed(static_cast<float>(sign * magnitude), static_cast<float>(down));
        asteroid->SetScale(1.0f);
        asteroid->SetKind(2);
        asteroids.push_back(asteroid);
        Log("Kleine Asteroiden erstellt");
    }
}

void Game::CreateExplosion(float x, float y, float scale) {
    Sprite* explosion = NewSprite(10.0f);
    AddFrames(*explosion, "..//GFX//EXPLOSION//EXPL%d.png", 1, 8);
    explosion->SetPosition(x, y);
    explosion->SetScale(scale);
    explosions.push_back(explosion);
    Log("Explosion erstellt");
}

void Game::CreateItem(int kind) {
    Sprite* item = NewSprite(1.0f);
    AddFrames(*item, "..//GFX//ITEMS//health.png", 0, 0);
    // At the top edge itself; the unscaled width enters the range.
    const int x = crt::rand() % 1024 - item->GetWidth();
    item->SetPosition(static_cast<float>(x), 0.0f);
    item->SetSpeed(0.0f, 250.0f);
    item->SetScale(0.5f);
    item->SetKind(kind);
    items.push_back(item);
    Log("Item erstellt");
}
