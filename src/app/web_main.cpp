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
#include "platform/web_backend.h"

// For the browser tests: where the ship is, to see a held arrow move it.
extern "C" EMSCRIPTEN_KEEPALIVE float TEST_PlayerX() { return player.GetPosition().x; }

int main() {
    for (const char* dir : {"/vantora3", "/vantora3/bin", "/vantora3/log", "/vantora3/SCREENSHOTS"})
        mkdir(dir, 0755);
    if (chdir("/vantora3/bin") != 0) std::perror("vantora3: /vantora3/bin");
    platform::InstallBackend(platform::CreateWebBackend());
    const int code = WinMain(nullptr, nullptr, nullptr, 0);
    // An explicit exit: the runtime runs the static destructors as a
    // process end does on the desktop, then tells the page (Module.onExit).
    std::exit(code);
}
