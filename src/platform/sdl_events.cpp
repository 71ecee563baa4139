#include "platform/sdl_backend_impl.h"

namespace platform {
namespace {

NativeEvent CloseEvent() {
    NativeEvent close;
    close.type = NativeEvent::Type::Close;
    return close;
}

}  // namespace

void SdlBackend::PumpEvents(std::vector<NativeEvent>* events) {
    if (!videoReady_) return;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        switch (event.type) {
        case SDL_KEYDOWN: {
            const int vk = VirtualKeyFor(event.key.keysym.sym);
            if (vk == 0) break;
            keys_.SetHeld(vk, true);
            NativeEvent keyDown;
            keyDown.type = NativeEvent::Type::KeyDown;
            keyDown.virtualKey = vk;
            keyDown.repeat = event.key.repeat != 0;
            if (events != nullptr) events->push_back(keyDown);
            break;
        }
        case SDL_KEYUP: {
            const int vk = VirtualKeyFor(event.key.keysym.sym);
            if (vk != 0) keys_.SetHeld(vk, false);
            break;
        }
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE && events != nullptr) {
                events->push_back(CloseEvent());
            }
            break;
        case SDL_QUIT:
            // SDL raises this for SIGTERM and SIGINT as well: the window closes the usual way.
            if (events != nullptr) events->push_back(CloseEvent());
            break;
        default:
            break;
        }
    }
}

}  // namespace platform
