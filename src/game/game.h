// The game world: six lists of owned world Sprites, health, score, level, a
// view of the difficulty setting and the start/game-over flag.
#pragma once

#include <list>

#include "graphics/d3dx9.h"
#include "sprite/sprite.h"

class Graphics;
class ResManager;

class Game {
public:
    // Empty lists, health 100, score 0, level 1, no collaborators.
    Game();
    // Runs Release, then frees whatever the lists still hold (enemies and
    // enemy shots included).
    virtual ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Binds the world to its borrowed collaborators; difficulty is read
    // through the pointer at every use. Call once, before Update or a factory.
    void Init(IDirect3DDevice9* device, ResManager* resManager, Graphics* graphics, const int* difficulty);
    // Starts a new game: health 100, score 0, level 1, the player placed at
    // (462, 334); frees shots, asteroids and explosions (enemies, enemy shots
    // and items stay).
    void Reset(Sprite& player);
    int GetHealth() const;
    int GetScore() const;
    int GetLevel() const;
    // The flag as stored: non-zero while the start/game-over screen shows.
    int IsGameOver() const;
    // Stores the flag unchanged.
    void SetGameOver(int flag);

    // Advances the world by one frame against the borrowed player Sprite;
    // call once per frame after ResManager::Tick and before Draw.
    void Update(Sprite& player);
    // Draws every world object: shots, asteroids, enemies, enemy shots,
    // items, explosions, in that order. Call inside the scene.
    void Draw();
    // Frees the shots, asteroids, explosions and items; enemies and enemy
    // shots stay listed. Safe to call more than once.
    void Release();

    // Factories: each builds one world Sprite (four for small asteroids)
    // from cached textures, appends it to its list (the Game owns it) and logs.
    void CreateShot(float x, float y);
    void CreateEnemyShot(float x, float y);
    void CreateEnemy(int kind);
    void CreateAsteroid();
    void CreateSmallAsteroid(float x, float y);
    void CreateExplosion(float x, float y, float scale);
    void CreateItem(int kind);

    // Read access to the lists; the Sprites stay owned by the Game.
    const std::list<Sprite*>& GetEnemies() const { return enemies; }
    const std::list<Sprite*>& GetEnemyShots() const { return enemyShots; }
    const std::list<Sprite*>& GetExplosions() const { return explosions; }
    const std::list<Sprite*>& GetAsteroids() const { return asteroids; }
    const std::list<Sprite*>& GetShots() const { return shots; }
    const std::list<Sprite*>& GetItems() const { return items; }

    // Test-only setters: put the world into a chosen state. The game itself
    // never calls them.
    void SetHealth(int value) { health = value; }
    void SetScore(int value) { score = value; }
    void SetLevel(int value) { level = value; }

private:
    int Framerate() const;
    int Difficulty() const;
    // Starts a new Sprite with the device, the frame clock and the animation
    // speed; the caller adds frames and fills it in.
    Sprite* NewSprite(float animationSpeed) const;
    // Appends the textures cached under pattern formatted with first..last.
    void AddFrames(Sprite& sprite, const char* pattern, int first, int last) const;
    static void FreeAll(std::list<Sprite*>& list);
    void ShotsAgainstAsteroids();
    void ShotsAgainstEnemies();
    void EnemyPass(Sprite& player);
    void Spawn();

    IDirect3DDevice9* device = nullptr;
    Graphics* graphics = nullptr;
    ResManager* resManager = nullptr;
    std::list<Sprite*> enemies;
    std::list<Sprite*> enemyShots;
    std::list<Sprite*> explosions;
    std::list<Sprite*> asteroids;
    std::list<Sprite*> shots;
    std::list<Sprite*> items;
    int health = 100;
    int score = 0;
    int level = 1;
    const int* difficulty = nullptr;
    int gameOver = 0;
};
