// Asynchronous key state as GetAsyncKeyState reports it: whether a key is
// held now, and whether it went down since the previous query of that key.
// Several sources may hold a key at once (the keyboard, each gamepad): it is
// held while any of them holds it.
#pragma once

#include <array>
#include <cstdint>

#include "platform/api/win32.h"

namespace platform {

class KeyTracker {
public:
    static constexpr int kKeyboard = 0;      // the source SetHeld speaks for
    static constexpr int kSourceCount = 32;  // sources 0..31

    // Sets whether the keyboard holds the key; going down also marks it pressed.
    void SetHeld(int virtualKey, bool held) { SetHeldBy(kKeyboard, virtualKey, held); }
    // Sets whether one source holds the key; the key going down (held by no
    // source before) also marks it pressed.
    void SetHeldBy(int source, int virtualKey, bool held);
    // Lets go of every key the source holds (a gamepad pulled out).
    void ReleaseSource(int source);
    // Marks the key as pressed once (a tap) without holding it.
    void MarkPressed(int virtualKey);
    // 0x8000 when held, | 1 when pressed since the previous query; clears the pressed mark.
    SHORT Query(int virtualKey);
    // True while any source holds the key.
    bool IsHeld(int virtualKey) const;
    // True while the source holds the key.
    bool IsHeldBy(int source, int virtualKey) const;
    // Forgets every key of every source (for example when the window loses the keyboard).
    void ReleaseAll();

private:
    static bool Valid(int virtualKey) { return virtualKey >= 0 && virtualKey < 256; }
    static bool ValidSource(int source) { return source >= 0 && source < kSourceCount; }

    std::array<uint32_t, 256> heldBy_{};  // one bit per source
    std::array<bool, 256> pressed_{};
};

}  // namespace platform
