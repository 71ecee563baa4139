// The SDL backend's presentation into the window's own surface, under Xvfb
// (with and without a window manager), checked on what the X server shows:
// after each frame the screen is exactly the frame's picture, though only
// what changed is sent; a window laid over the picture and taken away
// again leaves nothing behind, and a window surface that comes back from
// the window system holding old pixels gets its bars painted black again.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "e2e_harness.h"
#include "pixel_hash.h"
#include "platform/present/frame_scaler.h"
#include "sdl_window.h"

#include <SDL.h>

// Last: Xlib's macros (None, Status, ...) would clash with our names.
#include <X11/Xlib.h>

namespace {

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

struct Frame {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(static_cast<size_t>(kFrameWidth) * kFrameHeight);
    void Fill(int x, int y, int width, int height, uint32_t colour) {
        for (int row = y; row < y + height; ++row) {
            for (int column = x; column < x + width; ++column) {
                pixels[static_cast<size_t>(row) * kFrameWidth + column] = colour;
            }
        }
    }
};

Frame NoiseFrame() {
    Frame frame;
    for (size_t i = 0; i < frame.pixels.size(); ++i)
        frame.pixels[i] = 0xFF000000u | PixelHash(static_cast<uint32_t>(i));
    return frame;
}

// How far the screen is from the frame's picture: picture pixels unlike
// the scaler's own (exactly), bar pixels not black.
struct ScreenCheck {
    int wrongPicture = 0;
    int wrongBars = 0;
};

ScreenCheck CheckScreen(const std::string& display, const Frame& frame) {
    ScreenCheck check;
    const PixelRect p = platform::FitPicture(kFrameWidth, kFrameHeight, kScreenWidth, kScreenHeight);
    platform::FrameScaler scaler;
    scaler.Configure(kFrameWidth, kFrameHeight, p.width, p.height);
    std::vector<uint32_t> picture(static_cast<size_t>(p.width) * p.height);
    scaler.Scale(frame.pixels.data(), kFrameWidth, picture.data(), p.width);
    const e2e::ScreenCapture screen = e2e::CaptureScreen(display);
    EXPECT_TRUE(screen.ok) << screen.error;
    if (!screen.ok || screen.width != kScreenWidth || screen.height != kScreenHeight) {
        check.wrongPicture = -1;
        return check;
    }
    for (int y = 0; y < kScreenHeight; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
            const uint32_t shown = screen.At(x, y);
            if (x < p.x || x >= p.x + p.width || y < p.y || y >= p.y + p.height) {
                check.wrongBars += shown != 0;
            } else {
                check.wrongPicture +=
                    shown != (picture[static_cast<size_t>(y - p.y) * p.width + (x - p.x)] & 0xFFFFFFu);
            }
        }
    }
    return check;
}

// Lays a window of one colour (past any window manager) over the screen at
// x, y, width x height, checks the screen while it shows, and takes the
// window away again: what lay beneath it is exposed.
ScreenCheck CheckWithWindowLaidOver(const std::string& display, const Frame& frame, int x, int y, int width, int height,
                                    unsigned long pixel) {
    Display* xDisplay = XOpenDisplay(display.c_str());
    EXPECT_NE(xDisplay, nullptr);
    if (xDisplay == nullptr) return ScreenCheck{-1, -1};
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = pixel;
    const Window cover = XCreateWindow(xDisplay, DefaultRootWindow(xDisplay), x, y, static_cast<unsigned>(width),
                                       static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                       CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(xDisplay, cover);
    XSync(xDisplay, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const ScreenCheck check = CheckScreen(display, frame);
    XUnmapWindow(xDisplay, cover);
    XDestroyWindow(xDisplay, cover);
    XSync(xDisplay, False);
    XCloseDisplay(xDisplay);
    return check;
}

class SurfacePresentation : public ::testing::TestWithParam<bool> {
protected:
    // One X server and one backend for every test of the process. The
    // backend is installed, as the game's is, so it lives as long as the
    // process: SDL then keeps D-Bus loaded until the leak check at exit can
    // name D-Bus's lasting buffer (SDL_Quit would unload it first), and it
    // never talks to a server that is gone.
    static void SetUpTestSuite() {
        xvfb = new e2e::Xvfb(kScreenWidth, kScreenHeight);
        if (!xvfb->Ok()) return;
        testsdl::InstallSdlBackend(xvfb->Display().c_str());
    }
    static void TearDownTestSuite() {
        delete xvfb;
        xvfb = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(xvfb->Ok());
        if (GetParam()) {
            wm = std::make_unique<e2e::WindowManager>(xvfb->Display());
            ASSERT_TRUE(wm->Ok()) << "openbox did not start";
        }
        backend = platform::InstalledBackend();
        ASSERT_NE(backend, nullptr);
        ASSERT_TRUE(backend->OpenWindow("SurfacePresentation", kFrameWidth, kFrameHeight, true));
        presenter = backend->CreatePresenter(false, kFrameWidth, kFrameHeight);
        ASSERT_NE(presenter, nullptr);
    }
    void TearDown() override {
        presenter.reset();
        if (backend != nullptr) backend->CloseWindow();
    }

    // Presents the frame `times` times, taking the window's events before each.
    void Show(const Frame& frame, int times) {
        for (int i = 0; i < times; ++i) {
            std::vector<platform::NativeEvent> events;
            backend->PumpEvents(&events);
            presenter->Present(frame.pixels.data(), kFrameWidth, kFrameHeight, kFrameWidth);
        }
    }
    const std::string& DisplayName() const { return xvfb->Display(); }

    static e2e::Xvfb* xvfb;
    std::unique_ptr<e2e::WindowManager> wm;
    std::shared_ptr<platform::Backend> backend;
    std::unique_ptr<platform::Presenter> presenter;
};

e2e::Xvfb* SurfacePresentation::xvfb = nullptr;

TEST_P(SurfacePresentation, TheScreenIsExactlyEachFramesPicture) {
    Frame frame = NoiseFrame();
    // A second of frames: the window goes full screen meanwhile.
    Show(frame, 60);
    ScreenCheck check = CheckScreen(DisplayName(), frame);
    EXPECT_EQ(check.wrongPicture, 0) << "first frame";
    EXPECT_EQ(check.wrongBars, 0);

    // Sprites that move from frame to frame, one on the corners of tiles,
    // and the same frame again.
    for (int step = 1; step <= 3; ++step) {
        SCOPED_TRACE(testing::Message() << "step " << step);
        frame.Fill(100 + 37 * step, 50 + 23 * step, 48, 48, 0xFFFFFFFFu);
        frame.Fill(127, 255, 2, 2, 0xFF000000u | PixelHash(step));
        frame.Fill(kFrameWidth - 1, kFrameHeight - 1 - step, 1, 1, 0xFF00FF00u);
        Show(frame, 1);
        check = CheckScreen(DisplayName(), frame);
        EXPECT_EQ(check.wrongPicture, 0);
        EXPECT_EQ(check.wrongBars, 0);
        Show(frame, 1);
        EXPECT_EQ(CheckScreen(DisplayName(), frame).wrongPicture, 0) << "the same frame again";
    }
}

TEST_P(SurfacePresentation, AWindowLaidOverThePictureLeavesNothingBehind) {
    const Frame frame = NoiseFrame();
    Show(frame, 60);
    ASSERT_EQ(CheckScreen(DisplayName(), frame).wrongPicture, 0);

    // A plain white window over part of the picture and the bars, past the
    // window manager, then taken away.
    EXPECT_GT(CheckWithWindowLaidOver(DisplayName(), frame, 100, 200, 700, 400, 0xFFFFFFu).wrongPicture, 300 * 300)
        << "the window did not cover the picture";

    // The frame itself has not changed; the picture must come back whole.
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            Show(frame, 2);
            return CheckScreen(DisplayName(), frame).wrongPicture == 0;
        },
        3000));
    const ScreenCheck check = CheckScreen(DisplayName(), frame);
    EXPECT_EQ(check.wrongPicture, 0);
    EXPECT_EQ(check.wrongBars, 0);
}

// The backend's SDL window: SDL numbers its windows from 1, and the process
// has this one open only.
SDL_Window* TheSdlWindow() {
    for (Uint32 id = 1; id < 1000; ++id) {
        if (SDL_Window* window = SDL_GetWindowFromID(id)) return window;
    }
    return nullptr;
}

// Fills the whole window surface in the process's own memory, as a window
// system may hand a surface back holding anything (Xvfb's new ones happen
// to be black). Nothing reaches the screen until the presenter sends it.
void PaintWindowSurface(uint32_t colour) {
    SDL_Window* window = TheSdlWindow();
    ASSERT_NE(window, nullptr);
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(surface->format->BytesPerPixel, 4);
    ASSERT_FALSE(SDL_MUSTLOCK(surface));
    for (int y = 0; y < surface->h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                                static_cast<size_t>(y) * surface->pitch);
        std::fill(row, row + surface->w, colour);
    }
}

TEST_P(SurfacePresentation, AnExposeRepaintsTheBarsOverOldPixels) {
    const Frame frame = NoiseFrame();
    Show(frame, 60);
    ScreenCheck check = CheckScreen(DisplayName(), frame);
    ASSERT_EQ(check.wrongPicture, 0);
    ASSERT_EQ(check.wrongBars, 0);

    // The surface's memory holds magenta everywhere, bars and picture; the
    // same frame again sends nothing, so the screen does not show it yet.
    ASSERT_NO_FATAL_FAILURE(PaintWindowSurface(0xFFFF00FFu));
    Show(frame, 1);
    ASSERT_EQ(CheckScreen(DisplayName(), frame).wrongBars, 0);

    // A grey window over both bars and the picture, past the window
    // manager, taken away again: the expose that follows is a new layout.
    check = CheckWithWindowLaidOver(DisplayName(), frame, 0, 100, kScreenWidth, 500, 0x808080u);
    EXPECT_GT(check.wrongBars, 2 * 200 * 400) << "the window did not cover the bars";

    // Every bar pixel black again and the picture whole, from the frame.
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            Show(frame, 2);
            const ScreenCheck now = CheckScreen(DisplayName(), frame);
            return now.wrongPicture == 0 && now.wrongBars == 0;
        },
        3000));
    check = CheckScreen(DisplayName(), frame);
    EXPECT_EQ(check.wrongPicture, 0);
    EXPECT_EQ(check.wrongBars, 0);
}

INSTANTIATE_TEST_SUITE_P(Desktops, SurfacePresentation, ::testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Openbox" : "NoWindowManager";
                         });

}  // namespace
