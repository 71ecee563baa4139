// The window layer: classes, the one main window, the message queue and the
// calls that reach the backend (keys, cursor, message boxes, clocks).
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/api/backend.h"
#include "platform/api/win32.h"
#include "platform/api/win32_internal.h"

struct Win32Window {
    WNDPROC procedure = nullptr;
    std::shared_ptr<platform::Backend> backend;
    bool alive = false;
    bool destroying = false;
};

// Opaque tokens for icons, cursors and brushes: only their identity matters.
struct Win32Gdi {
    uintptr_t id = 0;
};

namespace {

struct WindowSession {
    std::map<std::string, WNDPROC> classes;
    ATOM nextAtom = 0xC000;  // where Windows starts numbering registered classes
    std::deque<MSG> queue;
    bool quitPending = false;
    int quitCode = 0;
    // Every window ever made stays allocated, so a stale handle can still be
    // recognised as dead instead of pointing at freed memory.
    std::vector<std::unique_ptr<Win32Window>> windows;
    HWND mainWindow = nullptr;
    int cursorCount = 0;
};

// Never destroyed, for the same reason as the backend slot: the globals'
// destructors at exit may still hold window handles and make calls.
WindowSession& Session() {
    static auto* session = new WindowSession();
    return *session;
}

bool Owns(const WindowSession& session, HWND window) {
    if (window == nullptr) return false;
    for (const auto& owned : session.windows) {
        if (owned.get() == window) return true;
    }
    return false;
}

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    return msg;
}

// Moves the backend's native events into the queue as messages for the main window.
void PumpNativeEvents(WindowSession& session) {
    HWND target = session.mainWindow;
    std::shared_ptr<platform::Backend> backend =
        (target != nullptr && target->alive) ? target->backend : platform::InstalledBackend();
    if (!backend) return;
    std::vector<platform::NativeEvent> events;
    backend->PumpEvents(&events);
    if (target == nullptr || !target->alive || target->backend != backend) return;
    bool closeQueued = false;
    for (const platform::NativeEvent& event : events) {
        switch (event.type) {
            case platform::NativeEvent::Type::KeyDown: {
                // Repeat count 1; bit 30 says the key was already down (auto-repeat).
                LPARAM lParam = 1;
                if (event.repeat) lParam |= LPARAM{1} << 30;
                session.queue.push_back(MakeMessage(target, WM_KEYDOWN, static_cast<WPARAM>(event.virtualKey), lParam));
                break;
            }
            case platform::NativeEvent::Type::Close:
                // A window-manager close and the quit request SDL raises with it
                // (or for a signal) arrive together: one WM_CLOSE is enough.
                if (!closeQueued) session.queue.push_back(MakeMessage(target, WM_CLOSE, 0, 0));
                closeQueued = true;
                break;
        }
    }
}

bool Matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    if (window != nullptr && msg.hwnd != window) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

Win32Gdi* Token(uintptr_t kind, uintptr_t id) {
    // One token per (kind, id); they live for the whole process.
    static auto* tokens = new std::map<std::pair<uintptr_t, uintptr_t>, std::unique_ptr<Win32Gdi>>();
    auto& slot = (*tokens)[{kind, id}];
    if (!slot) {
        slot = std::make_unique<Win32Gdi>();
        slot->id = id;
    }
    return slot.get();
}

}  // namespace

namespace platform {

bool IsWindowAlive(HWND window) { return Owns(Session(), window) && window->alive; }

std::shared_ptr<Backend> WindowBackend(HWND window) {
    if (!Owns(Session(), window)) return nullptr;
    return window->backend;
}

void ResetWindowSession() {
    WindowSession& session = Session();
    session.classes.clear();
    session.queue.clear();
    session.quitPending = false;
    session.quitCode = 0;
    session.mainWindow = nullptr;
    session.cursorCount = 0;
}

}  // namespace platform

ATOM RegisterClassExA(const WNDCLASSEXA* wndClass) {
    if (wndClass == nullptr || wndClass->lpfnWndProc == nullptr || wndClass->lpszClassName == nullptr ||
        wndClass->lpszClassName[0] == '\0') {
        return 0;
    }
    WindowSession& session = Session();
    // As on Windows, a class name can be registered once.
    auto [it, inserted] = session.classes.emplace(wndClass->lpszClassName, wndClass->lpfnWndProc);
    if (!inserted) return 0;
    return session.nextAtom++;
}

HWND CreateWindowExA(DWORD /*exStyle*/, LPCSTR className, LPCSTR windowName, DWORD style, int /*x*/, int /*y*/,
                     int width, int height, HWND /*parent*/, HMENU /*menu*/, HINSTANCE /*instance*/, void* /*param*/) {
    std::shared_ptr<platform::Backend> backend = platform::InstalledBackend();
    if (!backend || className == nullptr) return nullptr;
    WindowSession& session = Session();
    auto found = session.classes.find(className);
    if (found == session.classes.end()) return nullptr;
    if (width <= 0 || height <= 0) return nullptr;
    const bool visible = (style & WS_VISIBLE) != 0;
    if (!backend->OpenWindow(windowName != nullptr ? windowName : "", width, height, visible)) {
        return nullptr;
    }

    auto window = std::make_unique<Win32Window>();
    window->procedure = found->second;
    window->backend = backend;
    window->alive = true;
    HWND handle = window.get();
    session.windows.push_back(std::move(window));
    session.mainWindow = handle;

    // The procedure sees WM_CREATE before CreateWindowExA returns; -1 refuses the window.
    if (handle->procedure(handle, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    return handle;
}

BOOL DestroyWindow(HWND window) {
    WindowSession& session = Session();
    if (!Owns(session, window) || !window->alive || window->destroying) return FALSE;
    window->destroying = true;
    // Messages still waiting for the window die with it.
    std::erase_if(session.queue, [window](const MSG& msg) { return msg.hwnd == window; });
    // WM_DESTROY is sent, not posted: the procedure runs before DestroyWindow returns.
    window->procedure(window, WM_DESTROY, 0, 0);
    std::erase_if(session.queue, [window](const MSG& msg) { return msg.hwnd == window; });
    window->backend->CloseWindow();
    // A dead window no longer needs its backend; the handle itself stays valid.
    window->backend.reset();
    window->alive = false;
    window->destroying = false;
    if (session.mainWindow == window) session.mainWindow = nullptr;
    return TRUE;
}

int ShowCursor(BOOL show) {
    WindowSession& session = Session();
    session.cursorCount += show ? 1 : -1;
    // As on Windows the cursor shows while the display count is not negative.
    if (auto backend = platform::InstalledBackend()) backend->SetCursorVisible(session.cursorCount >= 0);
    return session.cursorCount;
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (msg == nullptr) return FALSE;
    WindowSession& session = Session();
    PumpNativeEvents(session);
    const bool remove = (removeFlags & PM_REMOVE) != 0;
    for (auto it = session.queue.begin(); it != session.queue.end(); ++it) {
        if (!Matches(*it, window, filterMin, filterMax)) continue;
        *msg = *it;
        if (remove) session.queue.erase(it);
        return TRUE;
    }
    // WM_QUIT comes only once nothing else is waiting, as on Windows.
    if (session.quitPending && window == nullptr &&
        ((filterMin == 0 && filterMax == 0) || (WM_QUIT >= filterMin && WM_QUIT <= filterMax))) {
        *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(session.quitCode), 0);
        if (remove) session.quitPending = false;
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG* /*msg*/) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) return 0;
    if (!platform::IsWindowAlive(msg->hwnd)) return 0;
    return msg->hwnd->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

void PostQuitMessage(int exitCode) {
    WindowSession& session = Session();
    session.quitPending = true;
    session.quitCode = exitCode;
}

int MessageBoxA(HWND /*owner*/, LPCSTR text, LPCSTR caption, UINT /*type*/) {
    const char* shownText = text != nullptr ? text : "";
    const char* shownCaption = caption != nullptr ? caption : "";
    // stderr first: a box may wait for a click that never comes (no one at
    // the display), and the message must not be lost with it.
    std::fprintf(stderr, "%s: %s\n", shownCaption, shownText);
    std::fflush(stderr);
    if (auto backend = platform::InstalledBackend()) backend->ShowMessageBox(shownCaption, shownText);
    return IDOK;
}

SHORT GetAsyncKeyState(int virtualKey) {
    auto backend = platform::InstalledBackend();
    return backend ? backend->QueryKeyState(virtualKey) : 0;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* counter) {
    if (counter == nullptr) return FALSE;
    auto backend = platform::InstalledBackend();
    counter->QuadPart = backend ? backend->CounterNanoseconds() : platform::MonotonicNanoseconds();
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (frequency == nullptr) return FALSE;
    frequency->QuadPart = 1000000000;
    return TRUE;
}

DWORD timeGetTime() {
    auto backend = platform::InstalledBackend();
    return backend ? backend->Milliseconds() : platform::BootMilliseconds();
}

HICON LoadIconA(HINSTANCE /*instance*/, LPCSTR name) { return Token(1, reinterpret_cast<uintptr_t>(name)); }

HCURSOR LoadCursorA(HINSTANCE /*instance*/, LPCSTR name) { return Token(2, reinterpret_cast<uintptr_t>(name)); }

HGDIOBJ GetStockObject(int object) { return Token(3, static_cast<uintptr_t>(object)); }
