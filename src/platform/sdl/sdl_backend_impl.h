// The SDL2 backend's own declarations, shared by its files, each of which
// does one job: sdl_backend.cpp the window and its lifetime, sdl_window.cpp
// the window's mode (full screen or windowed), sdl_keys.cpp the key table,
// sdl_events.cpp the event pump, sdl_pads.cpp the gamepads,
// sdl_presenter.cpp presentation, sdl_pacing.cpp the frame pacing. Nothing outside the backend includes this.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/api/backend.h"
#include "platform/input/key_tracker.h"
#include "platform/input/pad_keys.h"
#include "platform/present/frame_scaler.h"
#include "platform/present/picture_updater.h"
#include "platform/sdl/sdl_pacing.h"

namespace platform {

// SDL key codes to the Win32 virtual keys the game (and GetAsyncKeyState) use; 0 for others.
int VirtualKeyFor(SDL_Keycode key);

class SdlBackend : public Backend, public std::enable_shared_from_this<SdlBackend> {
public:
    SdlBackend() = default;
    ~SdlBackend() override;

    bool OpenWindow(const char* title, int width, int height, bool visible) override;
    void CloseWindow() override;
    bool IsWindowOpen() const override { return window_ != nullptr; }
    void PumpEvents(std::vector<NativeEvent>* events) override;
    SHORT QueryKeyState(int virtualKey) override { return keys_.Query(virtualKey); }
    void SetCursorVisible(bool visible) override;
    std::unique_ptr<Presenter> CreatePresenter(bool windowed, int width, int height) override;
    void ShowMessageBox(const char* caption, const char* text) override;

    // Shows one frame; paces to the refresh rate where vsync does not wait.
    void PresentFrame(const uint32_t* pixels, int width, int height, int pitchPixels);
    // Drops the renderer and its texture (the device presenting is gone).
    void DestroyRenderer();

private:
    bool StartVideo();
    bool MakeRenderer(bool windowed, int width, int height);

    // sdl_window.cpp: makes the window cover its whole display from its
    // top-left corner, through the window manager where one honours full
    // screen, else as a borderless window of the display's size.
    void EnterFullScreen();
    // Makes the window an ordinary resizable one of the size it was opened with.
    void EnterWindowed();
    // Full screen to windowed and back (Alt+Enter, F11).
    void ToggleFullScreen();
    // Where no window manager makes the window full screen: moves it back
    // over the display should it have left that place. Once per event pump.
    void KeepCoveringDisplay();

    // sdl_events.cpp: one keyboard event; true when the platform took it for itself.
    bool TakeWindowKey(const SDL_KeyboardEvent& key);
    void KeyboardEvent(const SDL_KeyboardEvent& key, std::vector<NativeEvent>* events);
    // Every key and button let go (the window lost the focus).
    void ReleaseAllInput();

    // sdl_pads.cpp: the game-controller subsystem, started with the video.
    void StartPads();
    void StopPads();
    // One joystick or controller event; false when it is none.
    bool PadEvent(const SDL_Event& event, std::vector<NativeEvent>* events);
    // The auto-repeats of held pad directions that are due.
    void RepeatPadKeys(std::vector<NativeEvent>* events);

    struct Pad {
        SDL_GameController* controller = nullptr;
        SDL_JoystickID id = -1;
        int source = 0;  // its KeyTracker source
        PadKeys keys;
    };
    void OpenPad(int deviceIndex);
    void ClosePad(SDL_JoystickID id, std::vector<NativeEvent>* events);
    Pad* FindPad(SDL_JoystickID id);
    // Applies a pad's key changes to the key state and posts its key-downs.
    void ApplyPadKeys(const Pad& pad, const std::vector<PadKeyEvent>& changes, std::vector<NativeEvent>* events);
    // Presenting on the CPU: straight into the window's own surface, no renderer.
    bool StartSurfacePresentation(int width, int height);
    void PresentIntoSurface(const uint32_t* pixels, int width, int height, int pitchPixels);
    // Marks the surface's layout stale on window events that change or
    // invalidate it (an SDL event watch).
    static int WatchWindow(void* backend, SDL_Event* event);
    // The display's refresh interval for the window, 60 Hz when unknown.
    int64_t RefreshIntervalNs() const;

    bool videoReady_ = false;
    bool padsReady_ = false;
    bool fullScreen_ = false;
    bool coverDisplay_ = false;  // full screen as a borderless window of the display's size
    int windowWidth_ = 0;        // the size the window was opened with, its windowed size
    int windowHeight_ = 0;
    std::vector<Pad> pads_;
    bool cursorVisible_ = true;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    FramePacer pacer_;
    KeyTracker keys_;

    // The window-surface presentation: active instead of a renderer; the
    // surface (and its size and pixels) the layout was made for, which a
    // window event makes stale; where the picture goes and what keeps it up
    // to date; the window rectangles each frame updates; a staging buffer
    // only for a surface that is not 32-bit RGB.
    struct SurfacePresentation {
        bool active = false;
        bool stale = true;
        SDL_Surface* surface = nullptr;
        int width = 0;
        int height = 0;
        void* pixels = nullptr;
        bool direct = true;
        PixelRect picture;
        PictureUpdater updater;
        std::vector<SDL_Rect> updates;
        std::vector<uint32_t> staging;
    } surface_;
};

// Presents one device's frames through the backend's renderer.
class SdlPresenter : public Presenter {
public:
    explicit SdlPresenter(std::shared_ptr<SdlBackend> backend);
    // The device is gone: so are its renderer and texture.
    ~SdlPresenter() override;
    void Present(const uint32_t* pixels, int width, int height, int pitchPixels) override;

private:
    std::shared_ptr<SdlBackend> backend_;
};

}  // namespace platform
