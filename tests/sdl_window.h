// The SDL backend as the game installs it, on one X display or on none;
// the game's window on it comes from plain_window.h.
#pragma once

#include <cstdlib>

#include "plain_window.h"
#include "platform/api/backend.h"
#include "platform/sdl/sdl_backend.h"

namespace testsdl {

// Points SDL at the X server `display` alone: no Wayland, and no video
// driver forced from outside. nullptr: no display to talk to at all.
inline void UseDisplay(const char* display) {
    if (display != nullptr) {
        setenv("DISPLAY", display, 1);
    } else {
        unsetenv("DISPLAY");
    }
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
}

// UseDisplay, then a fresh SDL backend installed (which starts a fresh
// window session: no classes registered yet).
inline void InstallSdlBackend(const char* display) {
    UseDisplay(display);
    platform::InstallBackend(platform::CreateSdlBackend());
}

}  // namespace testsdl
