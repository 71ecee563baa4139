// The native side of the Win32 / Direct3D 9 subset. A Backend opens the one
// window, turns native input into events, keeps the key state, shows frames
// through a Presenter, shows message boxes and supplies the clocks. The game
// installs the SDL2 backend; tests install the headless one.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/api/win32.h"

namespace platform {

// One native event, turned into a window message by PeekMessageA.
struct NativeEvent {
    enum class Type {
        KeyDown,  // a key went down (or auto-repeated): WM_KEYDOWN with virtualKey
        Close,    // the window manager asks the window to close: WM_CLOSE
    };
    Type type = Type::KeyDown;
    int virtualKey = 0;
    bool repeat = false;  // an auto-repeated key-down
};

// Shows the frames of one device. Owned by the device; destroyed with it.
class Presenter {
public:
    virtual ~Presenter() = default;
    // Shows one frame of width x height A8R8G8B8 pixels whose rows lie
    // pitchPixels apart; the pixels are borrowed for the call only. Paces the
    // caller where the backend does; a no-op once the window is gone.
    virtual void Present(const uint32_t* pixels, int width, int height, int pitchPixels) = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Opens the one native window; false when it cannot (no display, already open).
    virtual bool OpenWindow(const char* title, int width, int height, bool visible) = 0;
    // Closes the native window (and whatever presents into it); harmless when closed.
    virtual void CloseWindow() = 0;
    // True between a successful OpenWindow and CloseWindow.
    virtual bool IsWindowOpen() const = 0;
    // Appends the native events gathered since the last call to events.
    virtual void PumpEvents(std::vector<NativeEvent>* events) = 0;
    // GetAsyncKeyState for a virtual key: 0x8000 when held, bit 0 when pressed
    // since the previous query of that key; the query clears that bit.
    virtual SHORT QueryKeyState(int virtualKey) = 0;
    // Shows (true) or hides the mouse cursor over the window, now or once it opens.
    virtual void SetCursorVisible(bool visible) = 0;
    // Makes the presenter for a device on the open window (full screen unless
    // windowed); null when it cannot. The caller owns the result.
    virtual std::unique_ptr<Presenter> CreatePresenter(bool windowed, int width, int height) = 0;
    // Shows a message box where possible; MessageBoxA has already written the
    // text to stderr, so this must never block without a display.
    virtual void ShowMessageBox(const char* caption, const char* text) = 0;
    // QueryPerformanceCounter in nanoseconds; the real monotonic clock by default.
    virtual int64_t CounterNanoseconds();
    // timeGetTime: milliseconds since boot by default.
    virtual DWORD Milliseconds();
};

// Installs the backend for the process (replacing the previous one) and starts
// a fresh window session: window classes, queued messages and a pending quit
// are forgotten. Windows and devices made earlier keep their own backend.
void InstallBackend(std::shared_ptr<Backend> backend);
// The installed backend, or null.
std::shared_ptr<Backend> InstalledBackend();

// The real monotonic clock in nanoseconds (CLOCK_MONOTONIC).
int64_t MonotonicNanoseconds();
// Milliseconds since the system booted (CLOCK_BOOTTIME), wrapping at 2^32.
DWORD BootMilliseconds();

}  // namespace platform
