// The window's mode: full screen over the whole display.
#include "platform/sdl_backend_impl.h"

namespace platform {

void SdlBackend::EnterFullScreen() {
    // Full screen on the desktop's own mode: no mode switch; the frame is
    // scaled into it. Should the window manager refuse, the game still runs
    // in its window.
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

}  // namespace platform
