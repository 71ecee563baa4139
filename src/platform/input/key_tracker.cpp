#include "platform/input/key_tracker.h"

namespace platform {

void KeyTracker::SetHeldBy(int source, int virtualKey, bool held) {
    if (!Valid(virtualKey) || !ValidSource(source)) return;
    const uint32_t bit = 1u << source;
    // A key that goes down counts as pressed even if it is up again before
    // anyone asks: a short tap between two polls is not lost. A second source
    // joining a held key is no new press.
    if (held && heldBy_[virtualKey] == 0) pressed_[virtualKey] = true;
    if (held) {
        heldBy_[virtualKey] |= bit;
    } else {
        heldBy_[virtualKey] &= ~bit;
    }
}

void KeyTracker::ReleaseSource(int source) {
    if (!ValidSource(source)) return;
    for (uint32_t& by : heldBy_) by &= ~(1u << source);
}

void KeyTracker::MarkPressed(int virtualKey) {
    if (!Valid(virtualKey)) return;
    pressed_[virtualKey] = true;
}

SHORT KeyTracker::Query(int virtualKey) {
    if (!Valid(virtualKey)) return 0;
    uint16_t state = 0;
    if (heldBy_[virtualKey] != 0) state |= 0x8000u;
    if (pressed_[virtualKey]) state |= 0x0001u;
    pressed_[virtualKey] = false;
    return static_cast<SHORT>(state);
}

bool KeyTracker::IsHeld(int virtualKey) const { return Valid(virtualKey) && heldBy_[virtualKey] != 0; }

bool KeyTracker::IsHeldBy(int source, int virtualKey) const {
    return Valid(virtualKey) && ValidSource(source) && (heldBy_[virtualKey] & (1u << source)) != 0;
}

void KeyTracker::ReleaseAll() {
    heldBy_.fill(0);
    pressed_.fill(false);
}

}  // namespace platform
