// Asynchronous key state as GetAsyncKeyState reports it: whether a key is
// held now, and whether it went down since the previous query of that key.
#pragma once

#include <array>
#include <cstdint>

#include "platform/win32.h"

namespace platform {

class KeyTracker {
public:
    // Sets whether the key is held; going down also marks it pressed.
    void SetHeld(int virtualKey, bool held);
    // Marks the key as pressed once (a tap) without holding it.
    void MarkPressed(int virtualKey);
    // 0x8000 when held, | 1 when pressed since the previous query; clears the pressed mark.
    SHORT Query(int virtualKey);
    // True while the key is held.
    bool IsHeld(int virtualKey) const;
    // Forgets every key (for example when the window loses the keyboard).
    void ReleaseAll();

private:
    static bool Valid(int virtualKey) { return virtualKey >= 0 && virtualKey < 256; }

    std::array<bool, 256> held_{};
    std::array<bool, 256> pressed_{};
};

}  // namespace platform
