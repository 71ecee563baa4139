#include "platform/sdl/sdl_backend.h"

#include "platform/sdl/sdl_backend_impl.h"

namespace platform {

SdlBackend::~SdlBackend() {
    CloseWindow();
    StopPads();
    if (videoReady_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

bool SdlBackend::OpenWindow(const char* title, int width, int height, bool visible) {
    if (window_ != nullptr || !StartVideo()) return false;
    // Resizable for the windowed mode (Alt+Enter, F11); the device makes it
    // full screen.
    Uint32 flags = (visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN) | SDL_WINDOW_RESIZABLE;
    window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (window_ == nullptr) return false;
    windowWidth_ = width;
    windowHeight_ = height;
    fullScreen_ = false;
    coverDisplay_ = false;
    SDL_ShowCursor(cursorVisible_ ? SDL_ENABLE : SDL_DISABLE);
    return true;
}

void SdlBackend::CloseWindow() {
    // The renderer and its texture belong to the window: they go first.
    DestroyRenderer();
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    window_ = nullptr;
    keys_.ReleaseAll();
}

void SdlBackend::SetCursorVisible(bool visible) {
    cursorVisible_ = visible;
    // Before SDL runs, the wish is applied when the window opens.
    if (videoReady_) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void SdlBackend::ShowMessageBox(const char* caption, const char* text) {
    // Only with a real display: without one a box cannot be seen and a wait
    // for its click would never end. The text is on stderr already.
    if (!videoReady_ || SDL_GetCurrentVideoDriver() == nullptr) return;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, window_);
}

bool SdlBackend::StartVideo() {
    if (videoReady_) return true;
    // Only a real display will do: without this SDL falls back to its
    // offscreen driver and the game would run unseen. SDL_VIDEODRIVER in the
    // environment still takes precedence over this hint.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    videoReady_ = true;
    // SDL keeps the screensaver off by default; say so, whatever its hints.
    SDL_DisableScreenSaver();
    StartPads();
    return true;
}

std::shared_ptr<Backend> CreateSdlBackend() { return std::make_shared<SdlBackend>(); }

}  // namespace platform
