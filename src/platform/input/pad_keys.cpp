#include "platform/input/pad_keys.h"

#include <cstddef>

namespace platform {
namespace {

bool ValidKey(int virtualKey) { return virtualKey > 0 && virtualKey < 256; }

}  // namespace

void PadKeys::SetButton(PadButton button, bool down, int64_t nowNs, std::vector<PadKeyEvent>* events) {
    const auto index = static_cast<std::size_t>(button);
    if (index >= buttons_.size()) return;
    const KeySet before = HeldKeys();
    buttons_[index] = down;
    Changes(before, nowNs, events);
}

void PadKeys::SetStick(float x, float y, int64_t nowNs, std::vector<PadKeyEvent>* events) {
    const KeySet before = HeldKeys();
    for (std::size_t d = 0; d < stick_.size(); ++d) stick_[d] = StickLeans(static_cast<StickDirection>(d), x, y);
    Changes(before, nowNs, events);
}

void PadKeys::Repeat(int64_t nowNs, std::vector<PadKeyEvent>* events) {
    std::vector<int> due;
    repeat_.Due(nowNs, &due);
    for (int vk : due) events->push_back({vk, true, true});
}

void PadKeys::ReleaseAll(std::vector<PadKeyEvent>* events) {
    const KeySet before = HeldKeys();
    buttons_.fill(false);
    stick_.fill(false);
    Changes(before, 0, events);
}

bool PadKeys::Holds(int virtualKey) const { return ValidKey(virtualKey) && HeldKeys()[virtualKey]; }

PadKeys::KeySet PadKeys::HeldKeys() const {
    KeySet held{};
    for (std::size_t b = 0; b < buttons_.size(); ++b) {
        const int vk = VirtualKeyForButton(static_cast<PadButton>(b));
        if (buttons_[b] && ValidKey(vk)) held[vk] = true;
    }
    for (std::size_t d = 0; d < stick_.size(); ++d) {
        const int vk = VirtualKeyForStick(static_cast<StickDirection>(d));
        if (stick_[d] && ValidKey(vk)) held[vk] = true;
    }
    return held;
}

void PadKeys::Changes(const KeySet& before, int64_t nowNs, std::vector<PadKeyEvent>* events) {
    const KeySet after = HeldKeys();
    for (int vk = 1; vk < 256; ++vk) {
        if (before[vk] == after[vk]) continue;
        events->push_back({vk, after[vk], false});
        if (!after[vk]) {
            repeat_.Release(vk);
        } else if (PadKeyRepeats(vk)) {
            repeat_.Press(vk, nowNs);
        }
    }
}

}  // namespace platform
