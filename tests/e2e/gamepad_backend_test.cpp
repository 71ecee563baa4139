// The real SDL backend under Xvfb with SDL's virtual joystick as the pad:
// every key, button and stick direction as its virtual key through both
// roads (WM_KEYDOWN and GetAsyncKeyState), auto-repeat, several sources at
// once, hot-plugging, a pad SDL cannot map, focus loss, and the window keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include "e2e_harness.h"
#include "platform/api/win32.h"
#include "platform/sdl/sdl_virtual_pad.h"
#include "sdl_window.h"

namespace {

using platform::PadButton;
using platform::TEST_VirtualPad;

// Whether the X server shows a visible cursor where the pointer is now
// (any pixel of the current cursor image not fully transparent).
bool CursorVisibleAtPointer(const std::string& display) {
    Display* x = XOpenDisplay(display.c_str());
    if (x == nullptr) return false;
    bool visible = false;
    if (XFixesCursorImage* image = XFixesGetCursorImage(x)) {
        for (int i = 0; i < image->width * image->height; ++i) {
            visible = visible || (image->pixels[i] >> 24) != 0;
        }
        XFree(image);
    }
    XCloseDisplay(x);
    return visible;
}

struct KeyDown {
    int virtualKey;
    bool repeat;
};

// The SDL backend's window on an Xvfb of its own, with the keyboard focus.
class GamepadBackend : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.Ok());
        testsdl::InstallSdlBackend(xvfb.Display().c_str());
        ASSERT_NE(testwindow::RegisterPlainClass(), 0);
        window = testwindow::CreatePlainWindow("GamepadBackend");
        ASSERT_NE(window, nullptr);
        // SDL hands pad input only to a program whose window has the focus.
        Pump(100);
        ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"search", "--name", "GamepadBackend", "windowfocus", "--sync"}));
        Pump(100);
    }
    void TearDown() override {
        pad.Unplug();
        pad2.Unplug();
        if (window != nullptr) DestroyWindow(window);
        platform::InstallBackend(nullptr);
    }

    // Runs the message loop for ms milliseconds; returns the key-downs it saw.
    std::vector<KeyDown> Pump(int ms) {
        std::vector<KeyDown> downs;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        do {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_KEYDOWN) {
                    downs.push_back({static_cast<int>(msg.wParam), ((msg.lParam >> 30) & 1) != 0});
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } while (std::chrono::steady_clock::now() < end);
        return downs;
    }
    static bool Held(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }
    // Plugs a pad in and lets the backend see it.
    void PlugIn(TEST_VirtualPad& p, const char* name) {
        ASSERT_TRUE(p.PlugIn(name));
        Pump(50);
    }

    // Larger than the 1024x768 window, which leaves room around it.
    e2e::Xvfb xvfb{1280, 1024};
    HWND window = nullptr;
    TEST_VirtualPad pad;
    TEST_VirtualPad pad2;
};

const int kArrows[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN};

TEST_F(GamepadBackend, EveryButtonActsAsItsKey) {
    PlugIn(pad, "Pad one");
    struct Case {
        PadButton button;
        int virtualKey;  // 0: no key
    };
    const Case cases[] = {
        {PadButton::A, VK_SPACE},
        {PadButton::Start, VK_SPACE},
        {PadButton::Back, VK_ESCAPE},
        {PadButton::RightShoulder, VK_F1},
        {PadButton::DpadUp, VK_UP},
        {PadButton::DpadDown, VK_DOWN},
        {PadButton::DpadLeft, VK_LEFT},
        {PadButton::DpadRight, VK_RIGHT},
        {PadButton::B, 0},
        {PadButton::X, 0},
        {PadButton::Y, 0},
        {PadButton::LeftShoulder, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.button));
        pad.SetButton(c.button, true);
        const std::vector<KeyDown> downs = Pump(80);
        if (c.virtualKey == 0) {
            EXPECT_TRUE(downs.empty());
        } else {
            ASSERT_EQ(downs.size(), 1u);
            EXPECT_EQ(downs[0].virtualKey, c.virtualKey);
            EXPECT_FALSE(downs[0].repeat);
            EXPECT_TRUE(Held(c.virtualKey));
        }
        pad.SetButton(c.button, false);
        EXPECT_TRUE(Pump(50).empty());
        if (c.virtualKey != 0) {
            EXPECT_FALSE(Held(c.virtualKey));
        }
    }
}

TEST_F(GamepadBackend, StickDirectionsActAsArrowsBeyondTheDeadZone) {
    PlugIn(pad, "Pad one");
    struct Case {
        float x, y;
        std::vector<int> keys;  // held, in the order their key-downs arrive
    };
    const Case cases[] = {
        {-1.0f, 0.0f, {VK_LEFT}},
        {1.0f, 0.0f, {VK_RIGHT}},
        {0.0f, -1.0f, {VK_UP}},
        {0.0f, 1.0f, {VK_DOWN}},
        {0.8f, 0.8f, {VK_RIGHT, VK_DOWN}},
        // Resting near the centre, as a worn stick does: nothing.
        {0.25f, -0.25f, {}},
        {-0.2f, 0.1f, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        pad.SetStick(c.x, c.y);
        const std::vector<KeyDown> downs = Pump(80);
        ASSERT_EQ(downs.size(), c.keys.size());
        for (size_t i = 0; i < downs.size(); ++i) EXPECT_EQ(downs[i].virtualKey, c.keys[i]);
        for (int vk : kArrows) {
            const bool expected = std::find(c.keys.begin(), c.keys.end(), vk) != c.keys.end();
            EXPECT_EQ(Held(vk), expected) << vk;
        }
        pad.SetStick(0.0f, 0.0f);
        Pump(50);
        for (int vk : kArrows) EXPECT_FALSE(Held(vk)) << vk;
    }
}

TEST_F(GamepadBackend, HeldDirectionRepeatsLikeTheKeyboard) {
    PlugIn(pad, "Pad one");
    pad.SetButton(PadButton::DpadDown, true);
    const auto start = std::chrono::steady_clock::now();
    std::vector<KeyDown> downs = Pump(400);
    ASSERT_EQ(downs.size(), 1u);  // no repeat before half a second
    EXPECT_FALSE(downs[0].repeat);
    const std::vector<KeyDown> later = Pump(1100);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    pad.SetButton(PadButton::DpadDown, false);
    // About 30 a second after the first half second.
    const double expected = (seconds - 0.5) * 30.0;
    EXPECT_GT(static_cast<double>(later.size()), expected * 0.7);
    EXPECT_LT(static_cast<double>(later.size()), expected * 1.3 + 2);
    for (const KeyDown& d : later) {
        EXPECT_EQ(d.virtualKey, VK_DOWN);
        EXPECT_TRUE(d.repeat);
    }
    Pump(50);
    EXPECT_TRUE(Pump(600).empty());  // released: no more repeats
    // Space from A does not repeat.
    pad.SetButton(PadButton::A, true);
    EXPECT_EQ(Pump(900).size(), 1u);
    pad.SetButton(PadButton::A, false);
}

TEST_F(GamepadBackend, KeyHeldWhileAnySourceHoldsIt) {
    PlugIn(pad, "Pad one");
    PlugIn(pad2, "Pad two");
    pad.SetButton(PadButton::DpadRight, true);
    pad2.SetStick(1.0f, 0.0f);
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keydown", "Right"}));
    const std::vector<KeyDown> downs = Pump(150);
    EXPECT_GE(downs.size(), 3u);  // each source's press reaches the window
    EXPECT_TRUE(Held(VK_RIGHT));
    // Pulling pad one out keeps pad two's and the keyboard's hold.
    pad.Unplug();
    Pump(80);
    EXPECT_TRUE(Held(VK_RIGHT));
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keyup", "Right"}));
    Pump(80);
    EXPECT_TRUE(Held(VK_RIGHT));
    pad2.SetStick(0.0f, 0.0f);
    Pump(80);
    EXPECT_FALSE(Held(VK_RIGHT));
    // A pad plugged in again works at once.
    PlugIn(pad, "Pad one again");
    pad.SetButton(PadButton::Back, true);
    const std::vector<KeyDown> back = Pump(80);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].virtualKey, VK_ESCAPE);
}

TEST_F(GamepadBackend, PulledPadLetsGoOfItsKeys) {
    PlugIn(pad, "Pad one");
    pad.SetButton(PadButton::DpadRight, true);
    pad.SetButton(PadButton::A, true);
    Pump(80);
    ASSERT_TRUE(Held(VK_RIGHT));
    ASSERT_TRUE(Held(VK_SPACE));
    pad.Unplug();
    EXPECT_TRUE(Pump(700).empty());  // no repeat from a pad that is gone
    EXPECT_FALSE(Held(VK_RIGHT));
    EXPECT_FALSE(Held(VK_SPACE));
}

TEST_F(GamepadBackend, UnmappableControllerIgnoredWithOneLineOnStderr) {
    testing::internal::CaptureStderr();
    TEST_VirtualPad odd;
    ASSERT_TRUE(odd.PlugIn("Odd Stick 3000", /*mappable=*/false));
    const std::vector<KeyDown> downs = Pump(150);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(downs.empty());
    EXPECT_NE(err.find("Odd Stick 3000"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    // A mappable pad beside it still works.
    PlugIn(pad, "Pad one");
    pad.SetButton(PadButton::A, true);
    EXPECT_EQ(Pump(80).size(), 1u);
}

TEST_F(GamepadBackend, FocusLossReleasesEveryKeyAndButton) {
    e2e::OtherWindow other(xvfb.Display());
    ASSERT_TRUE(other.Ok());
    PlugIn(pad, "Pad one");
    pad.SetButton(PadButton::DpadLeft, true);
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keydown", "Up"}));
    Pump(100);
    ASSERT_TRUE(Held(VK_LEFT));
    ASSERT_TRUE(Held(VK_UP));
    // Another program's window takes the keyboard.
    ASSERT_TRUE(other.TakeFocus());
    EXPECT_TRUE(Pump(700).empty());  // nor does the held direction repeat
    EXPECT_FALSE(Held(VK_LEFT));
    EXPECT_FALSE(Held(VK_UP));
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keyup", "Up"}));
}

TEST_F(GamepadBackend, WindowKeysNeverReachTheWindow) {
    // Alt+Enter twice and F11 twice: the window changes mode, the game sees
    // only the Alt key itself, and neither Enter nor F11 is held.
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "alt+Return"}));
    std::vector<KeyDown> downs = Pump(300);
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "alt+Return", "F11"}));
    for (const KeyDown& d : Pump(300)) downs.push_back(d);
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keydown", "F11"}));
    for (const KeyDown& d : Pump(600)) downs.push_back(d);  // held past the keyboard's repeat delay
    EXPECT_FALSE(Held(0x7A));
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keyup", "F11"}));
    for (const KeyDown& d : downs) {
        EXPECT_NE(d.virtualKey, 0x0D);
        EXPECT_NE(d.virtualKey, 0x7A);
    }
    EXPECT_FALSE(Held(0x0D));
    // Plain Enter still reaches the window.
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "Return"}));
    downs = Pump(150);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].virtualKey, 0x0D);
}

// The cursor as the game asks for it: hidden over the window, shown again
// as soon as the pointer leaves it.
using SdlCursor = GamepadBackend;

TEST_F(SdlCursor, HiddenOverTheWindowShownOutsideIt) {
    ShowCursor(FALSE);
    // The pointer starts at the screen's centre: a move elsewhere in the window.
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"mousemove", "--sync", "600", "500"}));
    Pump(100);
    EXPECT_FALSE(CursorVisibleAtPointer(xvfb.Display()));
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"mousemove", "--sync", "10", "10"}));
    Pump(100);
    EXPECT_TRUE(CursorVisibleAtPointer(xvfb.Display()));
    ShowCursor(TRUE);
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"mousemove", "--sync", "640", "512"}));
    Pump(100);
    EXPECT_TRUE(CursorVisibleAtPointer(xvfb.Display()));
}

// The keyboard beside the pads, through the same backend.
using SdlKeyboard = GamepadBackend;

TEST_F(SdlKeyboard, EveryKeyActsAsItsVirtualKey) {
    struct Case {
        const char* key;  // xdotool's name
        int virtualKey;
    };
    const Case cases[] = {
        {"Left", VK_LEFT}, {"Right", VK_RIGHT}, {"Up", VK_UP},
        {"Down", VK_DOWN}, {"space", VK_SPACE}, {"Escape", VK_ESCAPE},
        {"F1", VK_F1},     {"F12", 0x7B},       {"a", 'A'},
        {"z", 'Z'},        {"7", '7'},          {"Return", 0x0D},
        {"Tab", 0x09},     {"KP_0", 0x60},      {"Shift_L", 0x10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keydown", c.key}));
        const std::vector<KeyDown> downs = Pump(80);
        ASSERT_GE(downs.size(), 1u);
        EXPECT_EQ(downs[0].virtualKey, c.virtualKey);
        EXPECT_FALSE(downs[0].repeat);
        EXPECT_TRUE(Held(c.virtualKey));
        ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keyup", c.key}));
        Pump(50);
        EXPECT_FALSE(Held(c.virtualKey));
    }
}

TEST_F(SdlKeyboard, HeldKeyRepeatsAsTheServerRepeatsIt) {
    // This Xvfb repeats after 200 ms, every 20 ms.
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keydown", "Up"}));
    const std::vector<KeyDown> downs = Pump(500);
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keyup", "Up"}));
    ASSERT_GE(downs.size(), 5u);
    EXPECT_FALSE(downs[0].repeat);
    for (size_t i = 1; i < downs.size(); ++i) {
        EXPECT_EQ(downs[i].virtualKey, VK_UP);
        EXPECT_TRUE(downs[i].repeat);
    }
    Pump(50);
    EXPECT_FALSE(Held(VK_UP));
}

}  // namespace
