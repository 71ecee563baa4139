// The browser backend of the web build: the page's canvas shows the frames,
// keyboard and Gamepad API events become key messages, presenting waits for
// the next animation frame, and performance.now() is the clock.
#pragma once

#include <memory>

#include "platform/api/backend.h"

namespace platform {

// Creates the backend for the page; install it with InstallBackend.
std::shared_ptr<Backend> CreateWebBackend();

}  // namespace platform
