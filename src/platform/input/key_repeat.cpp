#include "platform/input/key_repeat.h"

#include <algorithm>

namespace platform {

void KeyRepeat::Press(int virtualKey, int64_t nowNs) {
    Release(virtualKey);
    held_.push_back({virtualKey, nowNs + kDelayNs});
}

void KeyRepeat::Release(int virtualKey) {
    std::erase_if(held_, [virtualKey](const Held& h) { return h.virtualKey == virtualKey; });
}

void KeyRepeat::ReleaseAll() { held_.clear(); }

void KeyRepeat::Due(int64_t nowNs, std::vector<int>* keys) {
    for (Held& h : held_) {
        if (nowNs < h.nextNs) continue;
        keys->push_back(h.virtualKey);
        // After a stall (a slow frame, a dragged window) the repeats go on
        // at the steady rate from now instead of arriving in a burst.
        h.nextNs += kIntervalNs;
        if (h.nextNs <= nowNs) h.nextNs = nowNs + kIntervalNs;
    }
}

bool KeyRepeat::IsHeld(int virtualKey) const {
    return std::any_of(held_.begin(), held_.end(), [virtualKey](const Held& h) { return h.virtualKey == virtualKey; });
}

}  // namespace platform
