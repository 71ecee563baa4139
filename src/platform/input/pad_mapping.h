// Gamepads as keys: the virtual key each button and each direction of the
// left stick acts as, the stick's dead zone, and the button order of the
// browser's standard gamepad layout. Free of SDL, so every backend shares
// the one table.
#pragma once

namespace platform {

// A gamepad's buttons, laid out as the common console pad: A is the bottom
// face button, B the right, X the left, Y the top.
enum class PadButton {
    A,
    B,
    X,
    Y,
    Back,
    Guide,
    Start,
    LeftStick,
    RightStick,
    LeftShoulder,
    RightShoulder,
    LeftTrigger,
    RightTrigger,
    DpadUp,
    DpadDown,
    DpadLeft,
    DpadRight,
    Count,  // not a button: the number of them
};

// The four directions the left stick can lean in.
enum class StickDirection { Left, Right, Up, Down, Count };

// How far (of the full travel, 0..1) the stick must lean along an axis
// before it counts as a direction: a worn stick resting off centre stays quiet.
inline constexpr float kStickDeadZone = 0.3f;

// The virtual key a button acts as; 0 when it acts as none.
int VirtualKeyForButton(PadButton button);
// The virtual key a stick direction acts as.
int VirtualKeyForStick(StickDirection direction);
// Whether a key held on a pad auto-repeats its key-down (the directions do).
bool PadKeyRepeats(int virtualKey);
// Whether the stick at x, y (each -1..1, x to the right, y downwards) leans in direction.
bool StickLeans(StickDirection direction, float x, float y);
// The button at an index of the browser's standard gamepad layout; Count for
// an index that layout does not name.
PadButton PadButtonForStandardIndex(int index);

}  // namespace platform
