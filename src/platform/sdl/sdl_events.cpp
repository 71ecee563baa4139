#include "platform/sdl/sdl_backend_impl.h"

namespace platform {
namespace {

NativeEvent CloseEvent() {
    NativeEvent close;
    close.type = NativeEvent::Type::Close;
    return close;
}

}  // namespace

bool SdlBackend::TakeWindowKey(const SDL_KeyboardEvent& key) {
    // Alt+Enter and F11 switch between full screen and a window. They belong
    // to the platform, not the game: neither their key-downs nor their held
    // state reach it (Enter with Alt is a system key where the game comes
    // from, and F11 meant nothing there).
    const SDL_Keycode sym = key.keysym.sym;
    const bool altEnter = (sym == SDLK_RETURN || sym == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT) != 0;
    if (!altEnter && sym != SDLK_F11) return false;
    if (key.type == SDL_KEYDOWN && key.repeat == 0) ToggleFullScreen();
    return true;
}

void SdlBackend::KeyboardEvent(const SDL_KeyboardEvent& key, std::vector<NativeEvent>* events) {
    const int vk = VirtualKeyFor(key.keysym.sym);
    if (vk == 0) return;
    if (key.type == SDL_KEYUP) {
        // Also for a window key: an Enter held before Alt went down is let go.
        keys_.SetHeld(vk, false);
        return;
    }
    if (TakeWindowKey(key)) return;
    keys_.SetHeld(vk, true);
    NativeEvent keyDown;
    keyDown.type = NativeEvent::Type::KeyDown;
    keyDown.virtualKey = vk;
    keyDown.repeat = key.repeat != 0;
    if (events != nullptr) events->push_back(keyDown);
}

void SdlBackend::ReleaseAllInput() {
    keys_.ReleaseAll();
    for (Pad& pad : pads_) {
        std::vector<PadKeyEvent> released;
        pad.keys.ReleaseAll(&released);
    }
}

void SdlBackend::PumpEvents(std::vector<NativeEvent>* events) {
    if (!videoReady_) return;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (PadEvent(event, events)) continue;
        switch (event.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP: KeyboardEvent(event.key, events); break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE && events != nullptr) {
                    events->push_back(CloseEvent());
                } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                    // Whatever was held when another window took the keyboard
                    // would never see its release: no ship drifts on after Alt+Tab.
                    ReleaseAllInput();
                }
                break;
            case SDL_QUIT:
                // SDL raises this for SIGTERM and SIGINT as well: the window closes the usual way.
                if (events != nullptr) events->push_back(CloseEvent());
                break;
            default: break;
        }
    }
    RepeatPadKeys(events);
    KeepCoveringDisplay();
}

}  // namespace platform
