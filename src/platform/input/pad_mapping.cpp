#include "platform/input/pad_mapping.h"

#include "platform/api/win32.h"

namespace platform {

int VirtualKeyForButton(PadButton button) {
    switch (button) {
        case PadButton::A:
        case PadButton::Start: return VK_SPACE;
        case PadButton::Back: return VK_ESCAPE;
        case PadButton::RightShoulder: return VK_F1;
        case PadButton::DpadUp: return VK_UP;
        case PadButton::DpadDown: return VK_DOWN;
        case PadButton::DpadLeft: return VK_LEFT;
        case PadButton::DpadRight: return VK_RIGHT;
        default: return 0;
    }
}

int VirtualKeyForStick(StickDirection direction) {
    switch (direction) {
        case StickDirection::Left: return VK_LEFT;
        case StickDirection::Right: return VK_RIGHT;
        case StickDirection::Up: return VK_UP;
        case StickDirection::Down: return VK_DOWN;
        default: return 0;
    }
}

bool PadKeyRepeats(int virtualKey) {
    return virtualKey == VK_LEFT || virtualKey == VK_RIGHT || virtualKey == VK_UP || virtualKey == VK_DOWN;
}

bool StickLeans(StickDirection direction, float x, float y) {
    // Each axis on its own: a diagonal beyond the dead zone holds two keys,
    // as two arrow keys pressed together do.
    switch (direction) {
        case StickDirection::Left: return x < -kStickDeadZone;
        case StickDirection::Right: return x > kStickDeadZone;
        case StickDirection::Up: return y < -kStickDeadZone;
        case StickDirection::Down: return y > kStickDeadZone;
        default: return false;
    }
}

PadButton PadButtonForStandardIndex(int index) {
    // The order of the "standard" mapping of the W3C Gamepad API.
    static constexpr PadButton kStandard[] = {
        PadButton::A,
        PadButton::B,
        PadButton::X,
        PadButton::Y,
        PadButton::LeftShoulder,
        PadButton::RightShoulder,
        PadButton::LeftTrigger,
        PadButton::RightTrigger,
        PadButton::Back,
        PadButton::Start,
        PadButton::LeftStick,
        PadButton::RightStick,
        PadButton::DpadUp,
        PadButton::DpadDown,
        PadButton::DpadLeft,
        PadButton::DpadRight,
        PadButton::Guide,
    };
    if (index < 0 || index >= static_cast<int>(sizeof(kStandard) / sizeof(kStandard[0]))) return PadButton::Count;
    return kStandard[index];
}

}  // namespace platform
