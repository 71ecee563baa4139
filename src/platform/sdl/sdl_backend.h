// The backend the game runs on: SDL2 video (X11 or Wayland), keyboard,
// a streaming texture for the frames, message boxes.
#pragma once

#include <memory>

#include "platform/api/backend.h"

namespace platform {

// A new SDL2 backend; SDL itself starts when the window is opened, so making
// one needs no display. Install it with InstallBackend.
std::shared_ptr<Backend> CreateSdlBackend();

}  // namespace platform
