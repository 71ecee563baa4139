#include "platform/key_tracker.h"

namespace platform {

void KeyTracker::SetHeld(int virtualKey, bool held) {
    if (!Valid(virtualKey)) return;
    // A key that goes down counts as pressed even if it is up again before
    // anyone asks: a short tap between two polls is not lost.
    if (held && !held_[virtualKey]) pressed_[virtualKey] = true;
    held_[virtualKey] = held;
}

void KeyTracker::MarkPressed(int virtualKey) {
    if (!Valid(virtualKey)) return;
    pressed_[virtualKey] = true;
}

SHORT KeyTracker::Query(int virtualKey) {
    if (!Valid(virtualKey)) return 0;
    uint16_t state = 0;
    if (held_[virtualKey]) state |= 0x8000u;
    if (pressed_[virtualKey]) state |= 0x0001u;
    pressed_[virtualKey] = false;
    return static_cast<SHORT>(state);
}

bool KeyTracker::IsHeld(int virtualKey) const { return Valid(virtualKey) && held_[virtualKey]; }

void KeyTracker::ReleaseAll() {
    held_.fill(false);
    pressed_.fill(false);
}

}  // namespace platform
