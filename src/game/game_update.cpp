#include <cstdlib>

#include "base/log.h"
#include "game/game.h"
#include "platform/api/win32.h"

namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

using SpriteList = std::list<Sprite*>;

// Deletes the current object and yields the one that followed it.
SpriteList::iterator Remove(SpriteList& list, SpriteList::iterator it) {
    delete *it;
    return list.erase(it);
}

// True when a one-in-n chance comes: one draw, remainder 1. With n = 1 it
// never comes.
bool Chance(int n) { return crt::rand() % n == 1; }

// Health a health item gives: easy heals most, medium less, the two hard
// settings least.
int HealAmount(int d) {
    if (d == 0) return 25;
    if (d == 2) return 20;
    return 15;
}

// Health at or below which health items start to come.
int ItemThreshold(int d) {
    if (d == 0) return 75;
    if (d == 2) return 60;
    return 50;
}

// A hit in floating point, truncated toward zero: 100 - (10 + 7.5) is 82.
int HitInFloat(int health, int damage, int d) { return static_cast<int>(health - (damage + 7.5 * d)); }

// Whether a Sprite positioned at (x, y) touches the bottom or a side edge.
bool AtBottom(const Sprite& s, float y) { return y >= kScreenHeight - s.GetHeight(); }
bool AtSide(const Sprite& s, float x) { return x + s.GetWidth() >= kScreenWidth || x <= 0; }

}  // namespace

void Game::Update(Sprite& player) {
    // 1. Items drift. One that lies wholly below the screen can never be
    //    seen or picked up again; it leaves the world instead of drifting on.
    for (auto it = items.begin(); it != items.end();) {
        if (*it == nullptr) {
            it = items.erase(it);
            continue;
        }
        if ((*it)->GetPosition().y >= kScreenHeight) {
            it = Remove(items, it);
            continue;
        }
        (*it)->Advance();
        ++it;
    }
    Log("A");

    // 2. Asteroids: leave at the edges, fall, hit the player.
    for (auto it = asteroids.begin(); it != asteroids.end();) {
        Sprite* asteroid = *it;
        if (asteroid == nullptr) {
            it = asteroids.erase(it);
            continue;
        }
        const D3DXVECTOR2 start = asteroid->GetPosition();
        if (AtBottom(*asteroid, start.y) || AtSide(*asteroid, start.x)) {
            it = Remove(asteroids, it);
            continue;
        }
        if (asteroid->GetKind() == 1) {
            asteroid->Move(3);
        } else {
            asteroid->Advance();
        }
        asteroid->Animate();
        if (player.CollidesWith(*asteroid)) {
            const int d = Difficulty();
            const D3DXVECTOR2 at = asteroid->GetPosition();
            if (asteroid->GetKind() == 1) {
                health -= 25 + 5 * d;
                CreateExplosion(at.x, at.y, 1.0f);
            } else {
                health -= 10 + 5 * d;
                CreateExplosion(at.x, at.y, 0.5f);
            }
            it = Remove(asteroids, it);
            continue;
        }
        ++it;
    }
    Log("B");

    // 3. Shots fly up and test the asteroids.
    ShotsAgainstAsteroids();
    Log("C");

    // 4. The same shots test the enemies.
    ShotsAgainstEnemies();
    Log("D");

    // 5. Enemies: leave at the edges, steer or fire, move, ram the player.
    EnemyPass(player);
    Log("E");

    // 6. Enemy shots fall and hit the player.
    for (auto it = enemyShots.begin(); it != enemyShots.end();) {
        Sprite* shot = *it;
        if (shot == nullptr) {
            it = enemyShots.erase(it);
            continue;
        }
        if (shot->GetPosition().y >= kScreenHeight) {
            it = Remove(enemyShots, it);
            continue;
        }
        shot->Advance();
        shot->Animate();
        if (player.CollidesWith(*shot)) {
            health = HitInFloat(health, shot->GetDamage(), Difficulty());
            it = Remove(enemyShots, it);
            continue;
        }
        ++it;
    }
    Log("F");

    // 7. The player picks up items.
    for (auto it = items.begin(); it != items.end();) {
        Sprite* item = *it;
        if (item == nullptr) {
            it = items.erase(it);
            continue;
        }
        if (player.CollidesWith(*item)) {
            if (item->GetKind() == 750) {
                health += HealAmount(Difficulty());
                if (health >= 100) health = 100;
            }
            it = Remove(items, it);
            continue;
        }
        ++it;
    }
    Log("G");

    // 8. Explosions play once and retire.
    for (auto it = explosions.begin(); it != explosions.end();) {
        Sprite* explosion = *it;
        if (explosion == nullptr) {
            it = explosions.erase(it);
            continue;
        }
        explosion->Animate();
        if (explosion->IsAnimationDone()) {
            it = Remove(explosions, it);
            continue;
        }
        ++it;
    }

    // 9. Spawning by level.
    Spawn();
    Log("H");

    // 10. Health items while health is low.
    if (health <= ItemThreshold(Difficulty()) && Chance(5 * Framerate())) CreateItem(750);
    Log("I");

    // 11. Game over: mark the screen, blow up the player, park it off screen.
    if (health <= 0) {
        SetGameOver(1);
        const D3DXVECTOR2 at = player.GetPosition();
        CreateExplosion(at.x, at.y, 1.0f);
        player.SetPosition(1024.0f, 768.0f);
    }

    // 12. At most one level per frame.
    if (score >= 1500 * level) level = level + 1;
    Log("Spielupdate abgeschlossen");
}

void Game::ShotsAgainstAsteroids() {
    for (auto it = shots.begin(); it != shots.end();) {
        Sprite* shot = *it;
        if (shot == nullptr) {
            it = shots.erase(it);
            continue;
        }
        shot->Move(2);
        shot->Animate();
        if (shot->GetPosition().y <= 0) {
            it = Remove(shots, it);
            continue;
        }
        bool hit = false;
        for (auto target = asteroids.begin(); target != asteroids.end(); ++target) {
            Sprite* asteroid = *target;
            if (asteroid == nullptr || !shot->CollidesWith(*asteroid)) continue;
            const D3DXVECTOR2 at = asteroid->GetPosition();
            // The pieces of a split join the list at its end; the iterator
            // held here stays valid for the removal below.
            if (asteroid->GetKind() == 1) {
                CreateSmallAsteroid(at.x, at.y);
                score += 100;
            } else {
                CreateExplosion(at.x, at.y, 0.5f);
                score += 250;
            }
            Remove(asteroids, target);
            hit = true;
            break;
        }
        it = hit ? Remove(shots, it) : std::next(it);
    }
}

void Game::ShotsAgainstEnemies() {
    for (auto it = shots.begin(); it != shots.end();) {
        Sprite* shot = *it;
        if (shot == nullptr) {
            it = shots.erase(it);
            continue;
        }
        bool hit = false;
        for (auto target = enemies.begin(); target != enemies.end(); ++target) {
            Sprite* enemy = *target;
            if (enemy == nullptr || !shot->CollidesWith(*enemy)) continue;
            if (enemy->GetHitPoints() - shot->GetDamage() <= 0) {
                const D3DXVECTOR2 at = enemy->GetPosition();
                CreateExplosion(at.x, at.y, 1.0f);
                if (enemy->GetKind() == 3) {
                    score += 150;
                } else if (enemy->GetKind() == 4) {
                    score += 250;
                }
            }
            // Every hit takes both out, destroyed or not.
            Remove(enemies, target);
            hit = true;
            break;
        }
        it = hit ? Remove(shots, it) : std::next(it);
    }
}

void Game::EnemyPass(Sprite& player) {
    for (auto it = enemies.begin(); it != enemies.end();) {
        Sprite* enemy = *it;
        if (enemy == nullptr) {
            it = enemies.erase(it);
            continue;
        }
        const D3DXVECTOR2 start = enemy->GetPosition();
        if (AtBottom(*enemy, start.y) || AtSide(*enemy, start.x)) {
            it = Remove(enemies, it);
            continue;
        }
        if (enemy->GetKind() == 4) {
            // Steer so as to meet the player's x by the time the ship has
            // come down to the player's height, at most 200 px/s sideways.
            const D3DXVECTOR2 target = player.GetPosition();
            const float dx = target.x - start.x;
            const float dy = target.y - start.y;
            const float direction = dx > 0 ? 1.0f : -1.0f;
            const int across = std::abs(static_cast<int>(dx));
            const int down = std::abs(static_cast<int>(dy));
            const float time = down / enemy->GetSpeedY();
            // Already on the player's spot (0 by 0): no sideways speed rather
            // than a NaN that would carry into the position.
            float vx = across == 0 ? 0.0f : across / time;
            if (!(vx < 200.0f)) vx = 200.0f;
            enemy->SetSpeed(direction * vx, 300.0f);
        } else {
            // Fire timer: count down, fire at 0, reload for 2 / fireRate seconds.
            int n = static_cast<int>(enemy->GetFireDelay());
            if (n > 0) n = n - 1;
            if (n <= 0) {
                CreateEnemyShot(start.x, start.y);
                n = static_cast<int>(2.0f * Framerate() / enemy->GetFireRate());
            }
            enemy->SetFireDelay(static_cast<float>(n));
        }
        enemy->Advance();
        enemy->Animate();
        if (player.CollidesWith(*enemy)) {
            health = HitInFloat(health, enemy->GetDamage(), Difficulty());
            const D3DXVECTOR2 at = enemy->GetPosition();
            CreateExplosion(at.x, at.y, 1.0f);
            it = Remove(enemies, it);
            continue;
        }
        ++it;
    }
}

void Game::Spawn() {
    // Each draw is made only when the count condition before it holds.
    if (static_cast<int>(asteroids.size()) < 2 * level && Chance(Framerate())) CreateAsteroid();
    int fighters = 0;
    int ships = 0;
    for (const Sprite* enemy : enemies) {
        if (enemy == nullptr) continue;
        if (enemy->GetKind() == 3) ++fighters;
        if (enemy->GetKind() == 4) ++ships;
    }
    if (fighters < 2 * level && Chance(Framerate())) CreateEnemy(3);
    if (level >= 10 && ships < level - 9 && Chance(Framerate())) CreateEnemy(4);
}
