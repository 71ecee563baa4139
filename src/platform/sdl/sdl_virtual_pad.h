// For tests: a gamepad that exists only in SDL (its virtual joystick),
// plugged into the running SDL backend as a real one would be. Its
// buttons and stick are set from the test; SDL delivers them through the
// same game-controller events as a pad's. Needs the backend's window open.
#pragma once

#include "platform/input/pad_mapping.h"

namespace platform {

class TEST_VirtualPad {
public:
    TEST_VirtualPad() = default;
    ~TEST_VirtualPad() { Unplug(); }
    TEST_VirtualPad(const TEST_VirtualPad&) = delete;
    TEST_VirtualPad& operator=(const TEST_VirtualPad&) = delete;

    // Plugs the pad in: a game controller SDL maps by itself, or (mappable
    // false) a joystick of two axes and four buttons that SDL cannot map.
    bool PlugIn(const char* name, bool mappable = true);
    // Pulls the pad out.
    void Unplug();
    bool PluggedIn() const { return joystick_ != nullptr; }
    // Sets a button down or up.
    void SetButton(PadButton button, bool down);
    // Sets the left stick (each -1..1, x to the right, y downwards).
    void SetStick(float x, float y);

private:
    void* joystick_ = nullptr;  // SDL_Joystick
    int deviceIndex_ = -1;
};

}  // namespace platform
