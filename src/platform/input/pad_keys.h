// One gamepad as a source of keys: its buttons and its left stick turned
// into key-downs, key-ups and auto-repeats of the virtual keys they act as
// (see pad_mapping.h). A key stays down while any of the pad's inputs that
// act as it is held: the D-pad's left and the stick's left are one key.
// Free of SDL; each backend feeds it from its own gamepad interface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/input/key_repeat.h"
#include "platform/input/pad_mapping.h"

namespace platform {

// A change of one virtual key caused by a pad.
struct PadKeyEvent {
    int virtualKey = 0;
    bool down = false;    // went down (or repeated), else went up
    bool repeat = false;  // an auto-repeated key-down
    bool operator==(const PadKeyEvent&) const = default;
};

class PadKeys {
public:
    // A button went down or up at nowNs; appends the key changes it causes.
    void SetButton(PadButton button, bool down, int64_t nowNs, std::vector<PadKeyEvent>* events);
    // The left stick is now at x, y (each -1..1, x to the right, y downwards).
    void SetStick(float x, float y, int64_t nowNs, std::vector<PadKeyEvent>* events);
    // Appends the auto-repeated key-downs due by nowNs.
    void Repeat(int64_t nowNs, std::vector<PadKeyEvent>* events);
    // Lets go of every button and centres the stick (the pad is gone, or the
    // window lost focus); appends the key-ups.
    void ReleaseAll(std::vector<PadKeyEvent>* events);
    // True while the pad holds the key.
    bool Holds(int virtualKey) const;

private:
    using KeySet = std::array<bool, 256>;
    KeySet HeldKeys() const;
    // Appends the changes from before to the keys held now.
    void Changes(const KeySet& before, int64_t nowNs, std::vector<PadKeyEvent>* events);

    std::array<bool, static_cast<std::size_t>(PadButton::Count)> buttons_{};
    std::array<bool, static_cast<std::size_t>(StickDirection::Count)> stick_{};
    KeyRepeat repeat_;
};

}  // namespace platform
