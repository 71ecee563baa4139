// The browser backend. The game's message loop runs unchanged inside the
// page: the build is made with ASYNCIFY, so Present can wait for the next
// requestAnimationFrame callback and hand the thread back to the browser in
// between (which then runs its key handlers, layout and painting).
//
// The page side lives in the functions below: listeners queue key events
// in Module.v3Input, and PumpEvents drains that queue once per frame, then
// reads the gamepads, which act as keys through the desktop's own mapping
// (pad_mapping.h, pad_keys.h). The page's touch controls are read the same
// way, as one more pad. The page (index.html) may set Module.canvas (where
// frames show), Module.v3ShowMessage (message boxes), Module.v3ReadTouch
// (the touch controls) and, in tests only, Module.TEST_drivenClock and
// Module.TEST_captureFrame.
#include "platform/browser/web_backend.h"

#include <emscripten.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/input/key_tracker.h"
#include "platform/input/pad_keys.h"
#include "platform/input/pad_mapping.h"

namespace platform {
namespace {

enum WebEventType { kWebKeyDown = 1, kWebKeyUp = 2, kWebReleaseAll = 3 };

// clang-format off

// Installs the page's keyboard and focus listeners, once. DOM key codes map
// to the virtual keys the desktop's keyboard gives; the game's own keys do
// not also scroll the page, open the browser's help (F1) or press a focused
// button (Space).
EM_JS(void, WebStartInput, (), {
    if (Module.v3Input) return;
    const vkByCode = {
        Escape: 0x1B, Space: 0x20, ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28,
        Backspace: 0x08, Tab: 0x09, Enter: 0x0D, NumpadEnter: 0x0D, ShiftLeft: 0x10, ShiftRight: 0x10,
        ControlLeft: 0x11, ControlRight: 0x11, AltLeft: 0x12, AltRight: 0x12, Pause: 0x13, CapsLock: 0x14,
        PageUp: 0x21, PageDown: 0x22, End: 0x23, Home: 0x24, Insert: 0x2D, Delete: 0x2E
    };
    for (let i = 0; i < 26; ++i) vkByCode["Key" + String.fromCharCode(65 + i)] = 65 + i;
    for (let i = 0; i < 10; ++i) { vkByCode["Digit" + i] = 0x30 + i; vkByCode["Numpad" + i] = 0x60 + i; }
    for (let i = 1; i <= 12; ++i) vkByCode["F" + i] = 0x6F + i;
    const gameKeys = new Set([0x1B, 0x20, 0x25, 0x26, 0x27, 0x28, 0x70]);
    const input = {events: []};
    Module.v3Input = input;
    const onKey = (down) => (e) => {
        const vk = vkByCode[e.code] || 0;
        if (vk === 0) return;
        if (gameKeys.has(vk)) e.preventDefault();
        input.events.push(down ? [1, vk, e.repeat ? 1 : 0] : [2, vk, 0]);
    };
    window.addEventListener("keydown", onKey(true));
    window.addEventListener("keyup", onKey(false));
    // A key released while the page has no focus never reports its release.
    const releaseAll = () => input.events.push([3, 0, 0]);
    window.addEventListener("blur", releaseAll);
    document.addEventListener("visibilitychange", () => { if (document.hidden) releaseAll(); });
});

// Reads pad index of the Gamepad API, or with touch set the page's touch
// controls (Module.v3ReadTouch gives them in a Gamepad's shape): the pressed
// state of the first buttons (in the standard layout's order, 0 past the
// pad's own) and the left stick's two axes. 0 when no pad is connected there.
EM_JS(int, WebReadGamepad, (int index, int touch, int* buttons, int buttonCount, float* axes), {
    let pad = null;
    if (touch) {
        if (typeof Module.v3ReadTouch === "function") pad = Module.v3ReadTouch();
    } else if (typeof navigator.getGamepads === "function") {
        pad = navigator.getGamepads()[index];
    }
    if (!pad || !pad.connected) return 0;
    for (let i = 0; i < buttonCount; ++i)
        HEAP32[(buttons >> 2) + i] = i < pad.buttons.length && pad.buttons[i].pressed ? 1 : 0;
    HEAPF32[axes >> 2] = pad.axes.length > 0 ? pad.axes[0] : 0;
    HEAPF32[(axes >> 2) + 1] = pad.axes.length > 1 ? pad.axes[1] : 0;
    return 1;
});

// The next queued event into out[0..2] (type, virtual key, repeat); 0 when none is left.
EM_JS(int, WebNextEvent, (int* out), {
    const input = Module.v3Input;
    if (!input || input.events.length === 0) return 0;
    const e = input.events.shift();
    HEAP32[out >> 2] = e[0];
    HEAP32[(out >> 2) + 1] = e[1];
    HEAP32[(out >> 2) + 2] = e[2];
    return 1;
});

// Shows one frame of R G B A bytes (rgba, width x height, tightly packed, in
// the heap): they go into a canvas of the frame's own size
// (Module.v3FrameCanvas) through an ImageData that views the heap, which is
// then drawn, linearly filtered, over the page's canvas at that canvas's
// full size. The page sizes that canvas to the letterboxed area in device
// pixels, so this one scaling step is the only filtering the picture gets.
EM_JS(void, WebPresent, (const uint8_t* rgba, int width, int height), {
    let frame = Module.v3Frame;
    if (!frame || frame.width !== width || frame.height !== height) {
        const canvas = document.createElement("canvas");
        canvas.width = width;
        canvas.height = height;
        frame = {width: width, height: height, canvas: canvas, context: canvas.getContext("2d", {alpha: false})};
        Module.v3Frame = frame;
        Module.v3FrameCanvas = canvas;
    }
    // A growing heap replaces its buffer, and with it the view.
    if (!frame.image || frame.buffer !== HEAPU8.buffer || frame.address !== rgba) {
        frame.buffer = HEAPU8.buffer;
        frame.address = rgba;
        frame.image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
    }
    frame.context.putImageData(frame.image, 0, 0);
    const screen = Module.canvas;
    if (screen) {
        if (!Module.v3ScreenContext || Module.v3ScreenContext.canvas !== screen)
            Module.v3ScreenContext = screen.getContext("2d", {alpha: false});
        const context = Module.v3ScreenContext;
        context.imageSmoothingEnabled = true;
        context.imageSmoothingQuality = "low";
        context.drawImage(frame.canvas, 0, 0, screen.width, screen.height);
    }
    Module.v3PresentCount = (Module.v3PresentCount || 0) + 1;
    // Test pages ask for one presented frame's exact pixels.
    if (Module.TEST_captureFrame === Module.v3PresentCount) Module.TEST_capturedFrame = frame.image.data.slice();
});

// Gives the thread back to the browser until its next animation frame.
EM_ASYNC_JS(void, WebWaitForAnimationFrame, (), {
    await new Promise((resolve) => requestAnimationFrame(resolve));
});

// A message box: in the page (Module.v3ShowMessage) and on the console. The
// texts are Windows-1252 bytes.
EM_JS(void, WebShowMessageBox, (const char* caption, const char* text), {
    const decode = (p) => {
        let end = p;
        while (HEAPU8[end] !== 0) ++end;
        return new TextDecoder("windows-1252").decode(HEAPU8.slice(p, end));
    };
    const c = decode(caption);
    const t = decode(text);
    console.log("vantora3 message box: " + c + ": " + t);
    if (typeof Module.v3ShowMessage === "function") Module.v3ShowMessage(c, t);
});

EM_JS(void, WebSetCursorVisible, (int visible), {
    if (Module.canvas) Module.canvas.style.cursor = visible ? "" : "none";
});

// Test pages fix the clocks: the counter then advances one 60 Hz frame per
// present from 0, and timeGetTime stays at TEST_milliseconds.
EM_JS(int, WebTestDrivenClock, (), { return Module.TEST_drivenClock ? 1 : 0; });
EM_JS(double, WebTestMilliseconds, (), { return Module.TEST_milliseconds || 0; });

// clang-format on

constexpr int64_t kTestFrameNs = 1000000000 / 60;

class WebBackend : public Backend, public std::enable_shared_from_this<WebBackend> {
public:
    WebBackend() : TEST_drivenClock_(WebTestDrivenClock() != 0) {}

    bool OpenWindow(const char* /*title*/, int /*width*/, int /*height*/, bool /*visible*/) override {
        // The page is the one window; its title is the page's own.
        if (windowOpen_) return false;
        WebStartInput();
        windowOpen_ = true;
        WebSetCursorVisible(cursorVisible_ ? 1 : 0);
        return true;
    }

    void CloseWindow() override {
        windowOpen_ = false;
        presenting_ = false;
        keys_.ReleaseAll();
    }

    bool IsWindowOpen() const override { return windowOpen_; }

    void PumpEvents(std::vector<NativeEvent>* events) override {
        if (!windowOpen_) return;
        int e[3] = {};
        while (WebNextEvent(e) != 0) {
            const int vk = e[1];
            if (e[0] == kWebReleaseAll) {
                ReleaseEverything();
            } else if (e[0] == kWebKeyUp && vk > 0 && vk < 256) {
                keyboardHeld_[vk] = false;
                Release(vk);
            } else if (e[0] == kWebKeyDown && vk > 0 && vk < 256) {
                keyboardHeld_[vk] = true;
                Press(vk, e[2] != 0, events);
            }
        }
        PollPads(events);
    }

    SHORT QueryKeyState(int virtualKey) override { return keys_.Query(virtualKey); }

    void SetCursorVisible(bool visible) override {
        cursorVisible_ = visible;
        if (windowOpen_) WebSetCursorVisible(visible ? 1 : 0);
    }

    std::unique_ptr<Presenter> CreatePresenter(bool windowed, int width, int height) override;

    void ShowMessageBox(const char* caption, const char* text) override { WebShowMessageBox(caption, text); }

    int64_t CounterNanoseconds() override {
        if (TEST_drivenClock_) return static_cast<int64_t>(presents_) * kTestFrameNs;
        // performance.now(): milliseconds with a fraction, since the page opened.
        return static_cast<int64_t>(emscripten_get_now() * 1000000.0);
    }

    DWORD Milliseconds() override {
        if (TEST_drivenClock_) return static_cast<DWORD>(WebTestMilliseconds());
        return static_cast<DWORD>(static_cast<uint64_t>(emscripten_get_now()));
    }

    // Shows one frame, then waits for the browser's next animation frame.
    void PresentFrame(const uint32_t* pixels, int width, int height, int pitchPixels) {
        if (!windowOpen_ || !presenting_) return;
        // A R G B values (B G R A bytes) to the R G B A bytes of a canvas,
        // opaque as the desktop shows them; a loop the compiler vectorises.
        const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
        if (rgba_.size() != count) rgba_.assign(count, 0);
        for (int y = 0; y < height; ++y) {
            const uint32_t* src = pixels + static_cast<ptrdiff_t>(y) * pitchPixels;
            uint32_t* dst = rgba_.data() + static_cast<ptrdiff_t>(y) * width;
            for (int x = 0; x < width; ++x) {
                const uint32_t p = src[x];
                dst[x] = 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
            }
        }
        WebPresent(reinterpret_cast<const uint8_t*>(rgba_.data()), width, height);
        ++presents_;
        WebWaitForAnimationFrame();
    }

    void EndPresenting() { presenting_ = false; }
    bool StartPresenting() {
        if (!windowOpen_ || presenting_) return false;
        presenting_ = true;
        return true;
    }

private:
    static constexpr int kMaxPads = 4;
    static constexpr int kTouchPad = kMaxPads;  // the page's touch controls, after the real pads
    static constexpr int kStandardButtons = 17;

    // A key went down (or repeated): held, and a key message.
    void Press(int vk, bool repeat, std::vector<NativeEvent>* events) {
        keys_.SetHeld(vk, true);
        NativeEvent keyDown;
        keyDown.type = NativeEvent::Type::KeyDown;
        keyDown.virtualKey = vk;
        keyDown.repeat = repeat;
        if (events != nullptr) events->push_back(keyDown);
    }

    // One source let go of the key: it stays held while another holds it.
    void Release(int vk) {
        if (keyboardHeld_[vk]) return;
        for (const PadKeys& pad : pads_)
            if (pad.Holds(vk)) return;
        keys_.SetHeld(vk, false);
    }

    // Focus lost: keyboard, pads and touch alike let go of every key.
    void ReleaseEverything() {
        std::vector<PadKeyEvent> ignored;
        for (PadKeys& pad : pads_) pad.ReleaseAll(&ignored);
        keyboardHeld_.fill(false);
        keys_.ReleaseAll();
    }

    // The pads' buttons and sticks, and the touch controls, read once a
    // frame, as keys with the desktop pads' mapping; a pad gone releases
    // what it held.
    void PollPads(std::vector<NativeEvent>* events) {
        // Real time even under a test's driven clock: repeats follow the player.
        const auto now = static_cast<int64_t>(emscripten_get_now() * 1000000.0);
        std::vector<PadKeyEvent> changes;
        for (int i = 0; i <= kTouchPad; ++i) {
            int buttons[kStandardButtons] = {};
            float axes[2] = {};
            PadKeys& pad = pads_[static_cast<size_t>(i)];
            if (WebReadGamepad(i, i == kTouchPad ? 1 : 0, buttons, kStandardButtons, axes) == 0) {
                pad.ReleaseAll(&changes);
                continue;
            }
            for (int b = 0; b < kStandardButtons; ++b) {
                const PadButton button = PadButtonForStandardIndex(b);
                if (button != PadButton::Count) pad.SetButton(button, buttons[b] != 0, now, &changes);
            }
            pad.SetStick(axes[0], axes[1], now, &changes);
            pad.Repeat(now, &changes);
        }
        for (const PadKeyEvent& change : changes) {
            if (change.down)
                Press(change.virtualKey, change.repeat, events);
            else
                Release(change.virtualKey);
        }
    }

    KeyTracker keys_;
    std::array<bool, 256> keyboardHeld_{};
    std::array<PadKeys, kMaxPads + 1> pads_;  // the last one is the touch controls
    bool windowOpen_ = false;
    bool cursorVisible_ = true;
    bool presenting_ = false;
    uint64_t presents_ = 0;
    std::vector<uint32_t> rgba_;  // the last frame as the canvas takes it
    const bool TEST_drivenClock_;
};

class WebPresenter : public Presenter {
public:
    explicit WebPresenter(std::shared_ptr<WebBackend> backend) : backend_(std::move(backend)) {}
    ~WebPresenter() override { backend_->EndPresenting(); }

    void Present(const uint32_t* pixels, int width, int height, int pitchPixels) override {
        backend_->PresentFrame(pixels, width, height, pitchPixels);
    }

private:
    std::shared_ptr<WebBackend> backend_;
};

std::unique_ptr<Presenter> WebBackend::CreatePresenter(bool /*windowed*/, int /*width*/, int /*height*/) {
    // One device at a time draws into the page; full screen is the page's
    // button (the Fullscreen API needs a click), so windowed is all the same.
    if (!StartPresenting()) return nullptr;
    return std::make_unique<WebPresenter>(shared_from_this());
}

}  // namespace

std::shared_ptr<Backend> CreateWebBackend() { return std::make_shared<WebBackend>(); }

}  // namespace platform
