// The window's mode: full screen over its whole display (the start state),
// or an ordinary resizable window of the size the game asked for; Alt+Enter
// and F11 switch between them. The presentation picks up each new size at
// its next frame.
#include "platform/sdl/sdl_backend_impl.h"

#include <SDL_syswm.h>

namespace platform {
namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
bool xErrorSeen = false;

int NoteXError(Display* /*display*/, XErrorEvent* /*error*/) {
    xErrorSeen = true;
    return 0;
}

// One 32-bit-format property of an X window as longs; empty when absent.
std::vector<unsigned long> XProperty(Display* display, Window window, Atom property, Atom type, long maxItems) {
    std::vector<unsigned long> values;
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, maxItems, False, type, &actualType, &format, &count, &after,
                           &data) == Success &&
        actualType == type && format == 32 && data != nullptr) {
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        values.assign(items, items + count);
    }
    if (data != nullptr) XFree(data);
    return values;
}

// Whether a window manager runs on the X display that honours full-screen
// requests: the root's _NET_SUPPORTING_WM_CHECK names a live window that
// names itself the same way, and _NET_SUPPORTED lists the full-screen state.
bool XWindowManagerDoesFullScreen(Display* display) {
    const Window root = DefaultRootWindow(display);
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
    const Atom fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    // A window manager that died leaves its check window's id behind: asking
    // about that window is an X error, which must not end the game.
    XSync(display, False);
    xErrorSeen = false;
    auto* previous = XSetErrorHandler(NoteXError);
    bool honours = false;
    const std::vector<unsigned long> wm = XProperty(display, root, check, XA_WINDOW, 1);
    if (!wm.empty()) {
        const std::vector<unsigned long> self = XProperty(display, wm[0], check, XA_WINDOW, 1);
        if (!self.empty() && self[0] == wm[0]) {
            for (unsigned long atom : XProperty(display, root, supported, XA_ATOM, 4096)) {
                honours = honours || atom == fullScreen;
            }
        }
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    return honours && !xErrorSeen;
}
#endif

// Whether asking for full screen gets it. On Wayland the compositor always
// does; on X11 only a window manager can, and a bare X server (a kiosk, a
// plain startx session) has none.
bool WindowManagerDoesFullScreen(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE) return true;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (info.subsystem == SDL_SYSWM_X11) return XWindowManagerDoesFullScreen(info.info.x11.display);
#endif
    return true;
}

}  // namespace

void SdlBackend::EnterFullScreen() {
    if (window_ == nullptr) return;
    fullScreen_ = true;
    coverDisplay_ = false;
    if (WindowManagerDoesFullScreen(window_)) {
        // Full screen on the desktop's own mode: no mode switch; the frame is
        // scaled into it.
        SDL_SetWindowBordered(window_, SDL_TRUE);
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    // Nobody to ask: the window itself takes the display's place. SDL's own
    // full-screen flag stays off, or it would believe the window covers the
    // display while the X server keeps it where it was.
    coverDisplay_ = true;
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_FALSE);
    KeepCoveringDisplay();
    SDL_RaiseWindow(window_);
}

void SdlBackend::KeepCoveringDisplay() {
    if (window_ == nullptr || !coverDisplay_) return;
    // SDL may make the window anew (a renderer that needs another kind of
    // window), back at its old place: put it where it belongs again. SDL's
    // own idea of the place is kept, so the checks cost nothing.
    SDL_Rect bounds{};
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display < 0 || SDL_GetDisplayBounds(display, &bounds) != 0) return;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    if (x != bounds.x || y != bounds.y) SDL_SetWindowPosition(window_, bounds.x, bounds.y);
    if (w != bounds.w || h != bounds.h) SDL_SetWindowSize(window_, bounds.w, bounds.h);
}

void SdlBackend::EnterWindowed() {
    if (window_ == nullptr) return;
    const bool wasCovering = coverDisplay_;
    fullScreen_ = false;
    coverDisplay_ = false;
    const int display = SDL_GetWindowDisplayIndex(window_);
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_TRUE);
    SDL_SetWindowResizable(window_, SDL_TRUE);
    SDL_SetWindowSize(window_, windowWidth_, windowHeight_);
    // A window manager puts a window that leaves full screen back where it
    // was; a move asked of it here would hold the game up some 100 ms while
    // SDL waits to see it done. Without one, the window left the display's
    // corner only by our own move: centre it again.
    if (wasCovering) {
        const int centred = SDL_WINDOWPOS_CENTERED_DISPLAY(display < 0 ? 0 : display);
        SDL_SetWindowPosition(window_, centred, centred);
    }
}

void SdlBackend::ToggleFullScreen() {
    if (fullScreen_) {
        EnterWindowed();
    } else {
        EnterFullScreen();
    }
}

}  // namespace platform
