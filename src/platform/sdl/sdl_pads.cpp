// Gamepads through SDL's game-controller interface: its mapping database
// (and SDL_GAMECONTROLLERCONFIG for pads it does not know) gives every pad
// the same buttons; pad_keys.cpp turns them into keys. Pads come and go while
// the game runs; each one holds its keys as a source of its own.
#include <cstdio>

#include "platform/sdl/sdl_backend_impl.h"

namespace platform {
namespace {

// SDL's buttons as ours; Count for the ones without a counterpart.
PadButton ButtonFor(Uint8 sdlButton) {
    switch (sdlButton) {
        case SDL_CONTROLLER_BUTTON_A: return PadButton::A;
        case SDL_CONTROLLER_BUTTON_B: return PadButton::B;
        case SDL_CONTROLLER_BUTTON_X: return PadButton::X;
        case SDL_CONTROLLER_BUTTON_Y: return PadButton::Y;
        case SDL_CONTROLLER_BUTTON_BACK: return PadButton::Back;
        case SDL_CONTROLLER_BUTTON_GUIDE: return PadButton::Guide;
        case SDL_CONTROLLER_BUTTON_START: return PadButton::Start;
        case SDL_CONTROLLER_BUTTON_LEFTSTICK: return PadButton::LeftStick;
        case SDL_CONTROLLER_BUTTON_RIGHTSTICK: return PadButton::RightStick;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return PadButton::LeftShoulder;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return PadButton::RightShoulder;
        case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadButton::DpadUp;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadButton::DpadDown;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadButton::DpadLeft;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadButton::DpadRight;
        default: return PadButton::Count;
    }
}

// An axis value of SDL's (-32768..32767) as -1..1.
float Unit(Sint16 value) { return value < 0 ? value / 32768.0f : value / 32767.0f; }

}  // namespace

void SdlBackend::StartPads() {
    if (padsReady_) return;
    // Without pads the game runs on: the keyboard is enough.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return;
    padsReady_ = true;
    // Pads plugged in already arrive as device-added events, as new ones do.
}

void SdlBackend::StopPads() {
    if (!padsReady_) return;
    for (Pad& pad : pads_) SDL_GameControllerClose(pad.controller);
    pads_.clear();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    padsReady_ = false;
}

SdlBackend::Pad* SdlBackend::FindPad(SDL_JoystickID id) {
    for (Pad& pad : pads_) {
        if (pad.id == id) return &pad;
    }
    return nullptr;
}

void SdlBackend::OpenPad(int deviceIndex) {
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0 || FindPad(id) != nullptr) return;
    // Each pad holds its keys as its own source; the keyboard is source 0.
    int source = 1;
    while (source < KeyTracker::kSourceCount) {
        bool taken = false;
        for (const Pad& pad : pads_) taken = taken || pad.source == source;
        if (!taken) break;
        ++source;
    }
    if (source >= KeyTracker::kSourceCount) return;
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (controller == nullptr) {
        std::fprintf(stderr, "Vantora3: gamepad \"%s\" could not be opened: %s\n",
                     SDL_GameControllerNameForIndex(deviceIndex), SDL_GetError());
        return;
    }
    Pad pad;
    pad.controller = controller;
    pad.id = id;
    pad.source = source;
    pads_.push_back(std::move(pad));
}

void SdlBackend::ClosePad(SDL_JoystickID id, std::vector<NativeEvent>* events) {
    Pad* pad = FindPad(id);
    if (pad == nullptr) return;
    // What the pad held is let go: a ship stops when its pad is pulled out.
    std::vector<PadKeyEvent> changes;
    pad->keys.ReleaseAll(&changes);
    ApplyPadKeys(*pad, changes, events);
    keys_.ReleaseSource(pad->source);
    SDL_GameControllerClose(pad->controller);
    std::erase_if(pads_, [id](const Pad& p) { return p.id == id; });
}

void SdlBackend::ApplyPadKeys(const Pad& pad, const std::vector<PadKeyEvent>& changes,
                              std::vector<NativeEvent>* events) {
    for (const PadKeyEvent& change : changes) {
        if (!change.repeat) keys_.SetHeldBy(pad.source, change.virtualKey, change.down);
        if (!change.down || events == nullptr) continue;
        // A press reaches the window as a typed key does.
        NativeEvent keyDown;
        keyDown.type = NativeEvent::Type::KeyDown;
        keyDown.virtualKey = change.virtualKey;
        keyDown.repeat = change.repeat;
        events->push_back(keyDown);
    }
}

bool SdlBackend::PadEvent(const SDL_Event& event, std::vector<NativeEvent>* events) {
    std::vector<PadKeyEvent> changes;
    switch (event.type) {
        case SDL_JOYDEVICEADDED:
            // A mappable pad also arrives as a controller below; this one is not.
            if (!SDL_IsGameController(event.jdevice.which)) {
                char guid[33] = {};
                SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(event.jdevice.which), guid, sizeof(guid));
                const char* name = SDL_JoystickNameForIndex(event.jdevice.which);
                std::fprintf(stderr,
                             "Vantora3: gamepad \"%s\" (%s) ignored: SDL has no mapping for it "
                             "(SDL_GAMECONTROLLERCONFIG can give one)\n",
                             name != nullptr ? name : "?", guid);
            }
            return true;
        case SDL_JOYDEVICEREMOVED: return true;
        case SDL_CONTROLLERDEVICEADDED: OpenPad(event.cdevice.which); return true;
        case SDL_CONTROLLERDEVICEREMOVED: ClosePad(event.cdevice.which, events); return true;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            Pad* pad = FindPad(event.cbutton.which);
            if (pad == nullptr) return true;
            pad->keys.SetButton(ButtonFor(event.cbutton.button), event.type == SDL_CONTROLLERBUTTONDOWN,
                                MonotonicNanoseconds(), &changes);
            ApplyPadKeys(*pad, changes, events);
            return true;
        }
        case SDL_CONTROLLERAXISMOTION: {
            Pad* pad = FindPad(event.caxis.which);
            if (pad == nullptr) return true;
            if (event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTX && event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY) {
                return true;
            }
            // Both axes at once: a diagonal's two keys change together.
            const float x = Unit(SDL_GameControllerGetAxis(pad->controller, SDL_CONTROLLER_AXIS_LEFTX));
            const float y = Unit(SDL_GameControllerGetAxis(pad->controller, SDL_CONTROLLER_AXIS_LEFTY));
            pad->keys.SetStick(x, y, MonotonicNanoseconds(), &changes);
            ApplyPadKeys(*pad, changes, events);
            return true;
        }
        default: return false;
    }
}

void SdlBackend::RepeatPadKeys(std::vector<NativeEvent>* events) {
    const int64_t now = MonotonicNanoseconds();
    for (Pad& pad : pads_) {
        std::vector<PadKeyEvent> changes;
        pad.keys.Repeat(now, &changes);
        ApplyPadKeys(pad, changes, events);
    }
}

}  // namespace platform
