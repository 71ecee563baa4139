#include "platform/sdl/sdl_virtual_pad.h"

#include <SDL.h>

namespace platform {
namespace {

// Our buttons as SDL's; SDL_CONTROLLER_BUTTON_INVALID for the triggers (axes in SDL).
SDL_GameControllerButton SdlButtonFor(PadButton button) {
    switch (button) {
        case PadButton::A: return SDL_CONTROLLER_BUTTON_A;
        case PadButton::B: return SDL_CONTROLLER_BUTTON_B;
        case PadButton::X: return SDL_CONTROLLER_BUTTON_X;
        case PadButton::Y: return SDL_CONTROLLER_BUTTON_Y;
        case PadButton::Back: return SDL_CONTROLLER_BUTTON_BACK;
        case PadButton::Guide: return SDL_CONTROLLER_BUTTON_GUIDE;
        case PadButton::Start: return SDL_CONTROLLER_BUTTON_START;
        case PadButton::LeftStick: return SDL_CONTROLLER_BUTTON_LEFTSTICK;
        case PadButton::RightStick: return SDL_CONTROLLER_BUTTON_RIGHTSTICK;
        case PadButton::LeftShoulder: return SDL_CONTROLLER_BUTTON_LEFTSHOULDER;
        case PadButton::RightShoulder: return SDL_CONTROLLER_BUTTON_RIGHTSHOULDER;
        case PadButton::DpadUp: return SDL_CONTROLLER_BUTTON_DPAD_UP;
        case PadButton::DpadDown: return SDL_CONTROLLER_BUTTON_DPAD_DOWN;
        case PadButton::DpadLeft: return SDL_CONTROLLER_BUTTON_DPAD_LEFT;
        case PadButton::DpadRight: return SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
        default: return SDL_CONTROLLER_BUTTON_INVALID;
    }
}

Sint16 AxisValue(float v) {
    if (v <= -1.0f) return -32768;
    if (v >= 1.0f) return 32767;
    return static_cast<Sint16>(v * 32767.0f);
}

}  // namespace

bool TEST_VirtualPad::PlugIn(const char* name, bool mappable) {
    if (joystick_ != nullptr) return false;
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    // A game controller's layout, which SDL maps by itself; or a generic
    // stick with too little on it to be one.
    desc.type = mappable ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = mappable ? SDL_CONTROLLER_AXIS_MAX : 2;
    desc.nbuttons = mappable ? SDL_CONTROLLER_BUTTON_MAX : 4;
    desc.name = name;
    deviceIndex_ = SDL_JoystickAttachVirtualEx(&desc);
    if (deviceIndex_ < 0) return false;
    joystick_ = SDL_JoystickOpen(deviceIndex_);
    if (joystick_ == nullptr) {
        SDL_JoystickDetachVirtual(deviceIndex_);
        return false;
    }
    return true;
}

void TEST_VirtualPad::Unplug() {
    if (joystick_ == nullptr) return;
    auto* joystick = static_cast<SDL_Joystick*>(joystick_);
    // The device index may have moved as other pads came and went.
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
    SDL_JoystickClose(joystick);
    joystick_ = nullptr;
}

void TEST_VirtualPad::SetButton(PadButton button, bool down) {
    const SDL_GameControllerButton sdl = SdlButtonFor(button);
    if (joystick_ == nullptr || sdl == SDL_CONTROLLER_BUTTON_INVALID) return;
    // SDL's automatic mapping of a virtual controller numbers its buttons in SDL's own order.
    SDL_JoystickSetVirtualButton(static_cast<SDL_Joystick*>(joystick_), sdl, down ? 1 : 0);
}

void TEST_VirtualPad::SetStick(float x, float y) {
    if (joystick_ == nullptr) return;
    auto* joystick = static_cast<SDL_Joystick*>(joystick_);
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, AxisValue(x));
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, AxisValue(y));
}

}  // namespace platform
