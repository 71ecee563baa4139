#include "app/init_game.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/globals.h"
#include "base/log.h"
#include "platform/api/win32.h"

namespace {

// Every image the game draws, in preload order. Each path is formatted the
// same way wherever it is looked up, doubled separators included, since the
// formatted string is the texture cache key.
std::vector<std::string> BuildAssetPaths() {
    std::vector<std::string> paths;
    char buffer[128];
    auto add = [&](const char* pattern, int n) {
        std::snprintf(buffer, sizeof(buffer), pattern, n);
        paths.emplace_back(buffer);
    };
    for (int n = 1; n <= 20; ++n) add("..//GFX//PLAYER//PLAYER%d.png", n);
    for (int n = 1; n <= 4; ++n) {
        add("..//GFX//PLAYER//kipping//1l%d.png", n);
        add("..//GFX//PLAYER//kipping//1r%d.png", n);
        add("..//GFX//PLAYER//kipping//2l%d.png", n);
        add("..//GFX//PLAYER//kipping//2r%d.png", n);
    }
    for (int n = 1; n <= 10; ++n) {
        add("..//GFX//PLAYER//shipleft//%d.png", n);
        add("..//GFX//PLAYER//shipright//%d.png", n);
    }
    for (int n = 1; n <= 10; ++n) add("..//GFX//PHOTON//PHOTON%d.png", n);
    for (int n = 1; n <= 9; ++n) add("..//GFX//ASTEROID//ASTEROID%d.png", n);
    for (int n = 0; n <= 9; ++n) add("..//GFX//ASTEROIDSMALL//ASTEROID_SMALL_%d.png", n);
    for (int n = 1; n <= 8; ++n) add("..//GFX//EXPLOSION//EXPL%d.png", n);
    for (int n = 1; n <= 3; ++n) add("..//GFX//FIGHTER%d.png", n);
    for (int n = 1; n <= 30; ++n) add("..//GFX//ENEMY//%d.png", n);
    paths.emplace_back("..//GFX//FIGHTERSHOT.png");
    paths.emplace_back("..//GFX//ITEMS//health.png");
    add("..//GFX//UNIVERSE%d.png", 1);
    return paths;
}

const std::vector<std::string>& AssetPaths() {
    static const std::vector<std::string> paths = BuildAssetPaths();
    return paths;
}

// Formats pattern with n into pathBuffer and looks the texture up.
IDirect3DTexture9* FindFormatted(const char* pattern, int n) {
    std::snprintf(pathBuffer, sizeof(pathBuffer), pattern, n);
    return resManager.Find(pathBuffer);
}

// Every later Sprite only looks its textures up, so a file that did not
// load would leave objects without images; refuse to start instead, and
// say what is missing and where the game expects it.
bool ReportMissingAsset() {
    for (const std::string& path : AssetPaths()) {
        if (resManager.Find(path.c_str()) != nullptr) continue;
        char message[512];
        std::snprintf(message, sizeof(message),
                      "Image file missing or unreadable: %s (the working directory must lie one "
                      "level below the directory that holds GFX)",
                      path.c_str());
        std::fprintf(stderr, "vantora3: %s\n", message);
        Log(message);
        return true;
    }
    return false;
}

}  // namespace

int AssetPathCount() { return static_cast<int>(AssetPaths().size()); }

const char* AssetPath(int index) {
    if (index < 0 || index >= AssetPathCount()) return nullptr;
    return AssetPaths()[static_cast<size_t>(index)].c_str();
}

int InitGame() {
    if (!graphics.Init(mainWindow, false)) {
        MessageBoxA(nullptr, "Error", "Error", MB_OK);
        return 0;
    }
    Log("D3D Initialisiert");

    resManager.Init(graphics.GetDevice());
    Log("ResManager Initialisiert");

    for (const std::string& path : AssetPaths()) resManager.Load(path.c_str());
    if (ReportMissingAsset()) return 0;
    Log("Alle Sprites geladen");

    InitPlayer();
    Log("Spieler Initialisiert");
    InitBackground();
    Log("Hintergrund initialisiert");

    game.Init(graphics.GetDevice(), &resManager, &graphics, &difficulty);
    // The game opens on the start screen, which is the game-over screen.
    game.SetGameOver(1);
    Log("Spiel Initialisiert");

    crt::srand(timeGetTime());
    graphics.SetClearColor(0xFF000000);
    graphics.CreateFont("Arial");
    return 1;
}

void InitPlayer() {
    player.Init(graphics.GetDevice(), &resManager, 22.0f);
    for (int n = 1; n <= 20; ++n) player.AddFrame(FindFormatted("..//GFX//PLAYER//PLAYER%d.png", n));
    // Animation indices: 0 into the left bank, 1 out of it, 2 into the right
    // bank, 3 out of it, 4 and 5 the banked loops.
    for (int n = 1; n <= 4; ++n) {
        player.AddAnimationFrame(FindFormatted("..//GFX//PLAYER//kipping//1l%d.png", n), 0);
        player.AddAnimationFrame(FindFormatted("..//GFX//PLAYER//kipping//1r%d.png", n), 2);
        player.AddAnimationFrame(FindFormatted("..//GFX//PLAYER//kipping//2l%d.png", n), 1);
        player.AddAnimationFrame(FindFormatted("..//GFX//PLAYER//kipping//2r%d.png", n), 3);
    }
    for (int n = 1; n <= 10; ++n) {
        player.AddAnimationFrame(FindFormatted("..//GFX//PLAYER//shipleft//%d.png", n), 4);
        player.AddAnimationFrame(FindFormatted("..//GFX//PLAYER//shipright//%d.png", n), 5);
    }
    Log("Spielersprites geladen");
    player.SetSpeed(400.0f, 400.0f);
}

void InitBackground() {
    background.Init(graphics.GetDevice(), &resManager, 1.0f);
    background.AddFrame(FindFormatted("..//GFX//UNIVERSE%d.png", 1));
}
