#include "platform/sdl_backend.h"

#include <SDL.h>
#include <time.h>

#include <cerrno>

#include <utility>

#include "platform/key_tracker.h"

namespace platform {
namespace {

constexpr int kDefaultRefreshHz = 60;

// SDL key codes to the Win32 virtual keys the game (and GetAsyncKeyState) use; 0 for others.
int VirtualKeyFor(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<int>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<int>(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + static_cast<int>(key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return 0x61 + static_cast<int>(key - SDLK_KP_1);
    switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 0x0D;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return 0x11;
    case SDLK_LALT:
    case SDLK_RALT: return 0x12;
    case SDLK_PAUSE: return 0x13;
    case SDLK_CAPSLOCK: return 0x14;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_KP_0: return 0x60;
    default: return 0;
    }
}

class SdlBackend : public Backend, public std::enable_shared_from_this<SdlBackend> {
public:
    SdlBackend() = default;
    ~SdlBackend() override {
        CloseWindow();
        if (videoReady_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
    }

    bool OpenWindow(const char* title, int width, int height, bool visible) override {
        if (window_ != nullptr || !StartVideo()) return false;
        Uint32 flags = visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
        window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
        if (window_ == nullptr) return false;
        SDL_ShowCursor(cursorVisible_ ? SDL_ENABLE : SDL_DISABLE);
        return true;
    }

    void CloseWindow() override {
        // The renderer and its texture belong to the window: they go first.
        DestroyRenderer();
        if (window_ != nullptr) SDL_DestroyWindow(window_);
        window_ = nullptr;
        keys_.ReleaseAll();
    }

    bool IsWindowOpen() const override { return window_ != nullptr; }

    void PumpEvents(std::vector<NativeEvent>* events) override {
        if (!videoReady_) return;
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            switch (event.type) {
            case SDL_KEYDOWN: {
                const int vk = VirtualKeyFor(event.key.keysym.sym);
                if (vk == 0) break;
                keys_.SetHeld(vk, true);
                NativeEvent keyDown;
                keyDown.type = NativeEvent::Type::KeyDown;
                keyDown.virtualKey = vk;
                keyDown.repeat = event.key.repeat != 0;
                if (events != nullptr) events->push_back(keyDown);
                break;
            }
            case SDL_KEYUP: {
                const int vk = VirtualKeyFor(event.key.keysym.sym);
                if (vk != 0) keys_.SetHeld(vk, false);
                break;
            }
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE && events != nullptr) {
                    events->push_back(CloseEvent());
                }
                break;
            case SDL_QUIT:
                // SDL raises this for SIGTERM and SIGINT as well: the window closes the usual way.
                if (events != nullptr) events->push_back(CloseEvent());
                break;
            default:
                break;
            }
        }
    }

    SHORT QueryKeyState(int virtualKey) override { return keys_.Query(virtualKey); }

    void SetCursorVisible(bool visible) override {
        cursorVisible_ = visible;
        // Before SDL runs, the wish is applied when the window opens.
        if (videoReady_) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    }

    std::unique_ptr<Presenter> CreatePresenter(bool windowed, int width, int height) override;

    void ShowMessageBox(const char* caption, const char* text) override {
        // Only with a real display: without one a box cannot be seen and a
        // wait for its click would never end. The text is on stderr already.
        if (!videoReady_ || SDL_GetCurrentVideoDriver() == nullptr) return;
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, window_);
    }

    // Shows one frame; paces to the refresh rate where vsync does not wait.
    void PresentFrame(const uint32_t* pixels, int width, int height, int pitchPixels) {
        if (window_ == nullptr || renderer_ == nullptr || texture_ == nullptr) return;
        if (width != textureWidth_ || height != textureHeight_) return;
        SDL_UpdateTexture(texture_, nullptr, pixels, pitchPixels * static_cast<int>(sizeof(uint32_t)));
        // The letterbox bars around the scaled frame stay black.
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
        Pace();
    }

    void DestroyRenderer() {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
        texture_ = nullptr;
        renderer_ = nullptr;
        lastPresentNs_ = 0;
    }

private:
    static NativeEvent CloseEvent() {
        NativeEvent close;
        close.type = NativeEvent::Type::Close;
        return close;
    }

    bool StartVideo() {
        if (videoReady_) return true;
        // Only a real display will do: without this SDL falls back to its
        // offscreen driver and the game would run unseen. SDL_VIDEODRIVER in
        // the environment still takes precedence over this hint.
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
        if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
        videoReady_ = true;
        return true;
    }

    // Where presenting does not wait for the display (a virtual server, a
    // hidden or minimised window, no vsync), sleep out the rest of the
    // refresh interval so the frame loop runs at the display's rate. When the
    // present (with the frame's work) already took most of an interval, vsync
    // is doing the pacing: sleeping then could miss the next retrace.
    void Pace() {
        const int64_t now = MonotonicNanoseconds();
        if (lastPresentNs_ == 0 || now - lastPresentNs_ >= refreshIntervalNs_ * 9 / 10) {
            lastPresentNs_ = now;
            return;
        }
        const int64_t target = lastPresentNs_ + refreshIntervalNs_;
        timespec until{};
        until.tv_sec = static_cast<time_t>(target / 1000000000);
        until.tv_nsec = static_cast<long>(target % 1000000000);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
        // Count the next interval from the planned wake-up, so the sleep's
        // small overshoot does not add up to a lower rate; after a long stall
        // start afresh instead of hurrying to catch up.
        const int64_t woke = MonotonicNanoseconds();
        lastPresentNs_ = (woke - target < refreshIntervalNs_ / 4) ? target : woke;
    }

    int64_t RefreshIntervalNs() const {
        SDL_DisplayMode mode{};
        int hz = kDefaultRefreshHz;
        const int display = SDL_GetWindowDisplayIndex(window_);
        if (display >= 0 && SDL_GetDesktopDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) {
            hz = mode.refresh_rate;
        }
        return 1000000000 / hz;
    }

    bool videoReady_ = false;
    bool cursorVisible_ = true;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    int64_t refreshIntervalNs_ = 1000000000 / kDefaultRefreshHz;
    int64_t lastPresentNs_ = 0;
    KeyTracker keys_;

    friend class SdlPresenter;
    bool MakeRenderer(bool windowed, int width, int height);
};

class SdlPresenter : public Presenter {
public:
    explicit SdlPresenter(std::shared_ptr<SdlBackend> backend) : backend_(std::move(backend)) {}
    // The device is gone: so are its renderer and texture.
    ~SdlPresenter() override { backend_->DestroyRenderer(); }

    void Present(const uint32_t* pixels, int width, int height, int pitchPixels) override {
        backend_->PresentFrame(pixels, width, height, pitchPixels);
    }

private:
    std::shared_ptr<SdlBackend> backend_;
};

namespace {

// Whether an OpenGL-based renderer runs on a software rasteriser (Mesa's
// llvmpipe, softpipe or swrast). Its context is current right after
// creation, so the driver's GL_RENDERER string can be read.
bool RendersOnTheCpu(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr) return false;
    if (SDL_strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    constexpr unsigned int kGlRenderer = 0x1F01;
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (getString == nullptr) return false;
    const char* name = reinterpret_cast<const char*>(getString(kGlRenderer));
    if (name == nullptr) return false;
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"}) {
        if (SDL_strstr(name, soft) != nullptr) return true;
    }
    return false;
}

}  // namespace

bool SdlBackend::MakeRenderer(bool windowed, int width, int height) {
    if (!windowed) {
        // Full screen on the desktop's own mode: no mode switch; the frame is
        // scaled into it below. Should the window manager refuse, the game
        // still runs in its window.
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer_ != nullptr && RendersOnTheCpu(renderer_)) {
        // An "accelerated" renderer on a software OpenGL (a virtual X server,
        // no GPU driver) rasterises the frame's quad on the CPU: some 45% of a
        // core at 60 Hz against about 10% for a plain copy into the window's
        // shared-memory image. Take the plain copy; SDL's framebuffer must
        // then not go through OpenGL either.
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) return false;
    // Centred, letterboxed and scaled to whatever size the window has.
    SDL_RenderSetLogicalSize(renderer_, width, height);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (texture_ == nullptr) {
        DestroyRenderer();
        return false;
    }
    // The frame replaces the screen: its alpha must not blend.
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    textureWidth_ = width;
    textureHeight_ = height;
    refreshIntervalNs_ = RefreshIntervalNs();
    lastPresentNs_ = 0;
    return true;
}

std::unique_ptr<Presenter> SdlBackend::CreatePresenter(bool windowed, int width, int height) {
    // One device at a time draws into the window.
    if (window_ == nullptr || renderer_ != nullptr) return nullptr;
    if (!MakeRenderer(windowed, width, height)) return nullptr;
    return std::make_unique<SdlPresenter>(shared_from_this());
}

}  // namespace

std::shared_ptr<Backend> CreateSdlBackend() { return std::make_shared<SdlBackend>(); }

}  // namespace platform
