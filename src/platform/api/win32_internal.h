// What the window layer shares with the rest of the platform library (the
// device needs to know whether a window lives and which backend opened it).
#pragma once

#include <memory>

#include "platform/api/backend.h"
#include "platform/api/win32.h"

namespace platform {

// True for a window made by CreateWindowExA that DestroyWindow has not ended.
bool IsWindowAlive(HWND window);
// The backend that opened the window; null for an unknown handle.
std::shared_ptr<Backend> WindowBackend(HWND window);
// Forgets window classes, queued messages and a pending quit (a new backend).
void ResetWindowSession();

}  // namespace platform
