// The process entry: installs the SDL2 platform backend and runs the game.
#include "app/win_main.h"
#include "platform/sdl/sdl_backend.h"

int main() {
    // The game takes no command line and no options.
    platform::InstallBackend(platform::CreateSdlBackend());
    return WinMain(nullptr, nullptr, nullptr, 0);
}
