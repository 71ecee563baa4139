// A backend without a display, for tests: the window is a flag, key presses
// and window closes are scripted, the clocks can be driven, every presented
// frame is kept, and message boxes are recorded instead of shown.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/api/backend.h"
#include "platform/input/key_tracker.h"

namespace platform {

class HeadlessBackend : public Backend, public std::enable_shared_from_this<HeadlessBackend> {
public:
    HeadlessBackend();

    // WM_KEYDOWN to the main window on the next pump, and the key counts as
    // pressed once for GetAsyncKeyState.
    void QueueKeyDown(int vk);
    // Polled state only (GetAsyncKeyState), no message.
    void SetKeyHeld(int vk, bool held);
    // As the window manager closing the window: WM_CLOSE on the next pump.
    void RequestClose();
    // Switches QueryPerformanceCounter to a driven clock, now at ns.
    void SetCounter(int64_t ns);
    // Moves the driven clock on (starting it at the real time if not driven yet).
    void AdvanceCounter(int64_t ns);
    // Drives timeGetTime from now on.
    void SetMilliseconds(DWORD ms);
    // Makes CreateWindowExA fail.
    void SetFailWindow(bool fail);
    // Makes IDirect3D9::CreateDevice fail.
    void SetFailDevice(bool fail);
    // Runs after every Present with the index of that present, counted from
    // 0 (so PresentCount() - 1); a test scripts keys and the clock per frame here.
    void SetFrameHook(std::function<void(HeadlessBackend&, uint64_t presentIndex)> hook);
    // Whether each present keeps a copy of its frame for LastFrame (the
    // default). A benchmark turns it off so that it measures the game's
    // frame, not this backend's recording of it; presents are still counted
    // and the frame hook still runs.
    void SetKeepFrames(bool keep);
    // Presents made so far by every device of this backend.
    uint64_t PresentCount() const;
    // The 1024*768 pixels of the last present (empty before the first).
    const std::vector<uint32_t>& LastFrame() const;
    // The texts of the message boxes shown, in order.
    const std::vector<std::string>& MessageBoxes() const;
    // True while the window is open.
    bool WindowOpen() const;
    // Whether the last presenter was made for a windowed device.
    bool PresentedWindowed() const;
    // Whether the cursor was last asked to show.
    bool CursorVisible() const;
    // The title the window was opened with.
    const std::string& WindowTitle() const;

    // Backend.
    bool OpenWindow(const char* title, int width, int height, bool visible) override;
    void CloseWindow() override;
    bool IsWindowOpen() const override;
    void PumpEvents(std::vector<NativeEvent>* events) override;
    SHORT QueryKeyState(int virtualKey) override;
    void SetCursorVisible(bool visible) override;
    std::unique_ptr<Presenter> CreatePresenter(bool windowed, int width, int height) override;
    void ShowMessageBox(const char* caption, const char* text) override;
    int64_t CounterNanoseconds() override;
    DWORD Milliseconds() override;

    // Called by the headless presenter: keeps the frame, counts it, runs the hook.
    void TakeFrame(const uint32_t* pixels, int width, int height, int pitchPixels);

private:
    KeyTracker keys_;
    std::vector<NativeEvent> pending_;
    bool windowOpen_ = false;
    bool failWindow_ = false;
    bool failDevice_ = false;
    bool windowed_ = false;
    bool cursorVisible_ = true;
    std::string title_;
    bool counterDriven_ = false;
    int64_t counter_ = 0;
    bool millisecondsDriven_ = false;
    DWORD milliseconds_ = 0;
    std::function<void(HeadlessBackend&, uint64_t)> frameHook_;
    uint64_t presentCount_ = 0;
    bool keepFrames_ = true;
    std::vector<uint32_t> lastFrame_;
    std::vector<std::string> messageBoxes_;
};

// Creates and installs a headless backend for the process; returns it.
std::shared_ptr<HeadlessBackend> InstallHeadlessBackend();

}  // namespace platform
