// The process entry of the web build: the page's file system holds the
// desktop's run directory under /vantora3 (the art in GFX, packed into the
// page's data; log and SCREENSHOTS made here), the game runs in its bin/,
// on the browser backend.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <emscripten.h>

#include "app/globals.h"
#include "app/win_main.h"
#include "graphics/d3dx9.h"
#include "platform/browser/web_backend.h"

// For the page: whether a game is being played (not the start or game-over
// screen), so that it keeps the screen awake only then. Its answer holds
// from the first presented frame on: start-up runs before that.
extern "C" EMSCRIPTEN_KEEPALIVE int v3_IsPlaying() { return game.IsGameOver() ? 0 : 1; }

// For the browser tests: the difficulty chosen on the start screen.
extern "C" EMSCRIPTEN_KEEPALIVE int TEST_Difficulty() { return difficulty; }

// For the browser tests: where the ship is, to see a held arrow move it.
extern "C" EMSCRIPTEN_KEEPALIVE float TEST_PlayerX() { return player.GetPosition().x; }

// For the browser tests, on a page that does not start the game: decodes
// the PNG file at path through the image service and copies up to maxCount
// of its A8R8G8B8 texels to out. Returns the texel count, or the failure's
// HRESULT (negative).
extern "C" EMSCRIPTEN_KEEPALIVE int TEST_DecodeImage(const char* path, uint32_t* out, int maxCount) {
    D3DXIMAGE_INFO info{};
    HRESULT result = D3DXGetImageInfoFromFileA(path, &info);
    if (FAILED(result)) return result;
    IDirect3DTexture9* texture = nullptr;
    result =
        D3DXCreateTextureFromFileExA(nullptr, path, info.Width, info.Height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                     D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, &texture);
    if (FAILED(result)) return result;
    D3DLOCKED_RECT locked{};
    int count = 0;
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
        for (UINT y = 0; y < info.Height; ++y)
            for (UINT x = 0; x < info.Width && count < maxCount; ++x)
                out[count++] = static_cast<const uint32_t*>(locked.pBits)[y * (locked.Pitch / 4) + x];
        texture->UnlockRect(0);
    }
    texture->Release();
    return count;
}

int main() {
    for (const char* dir : {"/vantora3", "/vantora3/bin", "/vantora3/log", "/vantora3/SCREENSHOTS"}) mkdir(dir, 0755);
    if (chdir("/vantora3/bin") != 0) std::perror("vantora3: /vantora3/bin");
    platform::InstallBackend(platform::CreateWebBackend());
    const int code = WinMain(nullptr, nullptr, nullptr, 0);
    // An explicit exit: the runtime runs the static destructors as a
    // process end does on the desktop, then tells the page (Module.onExit).
    std::exit(code);
}
