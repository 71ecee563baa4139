// Gamepads as keys, without SDL: the mapping table, the stick's dead zone,
// the repeat timing and the key changes one pad makes.
#include <gtest/gtest.h>

#include <vector>

#include "platform/api/win32.h"
#include "platform/input/key_repeat.h"
#include "platform/input/key_tracker.h"
#include "platform/input/pad_keys.h"
#include "platform/input/pad_mapping.h"

namespace {

using platform::KeyRepeat;
using platform::PadButton;
using platform::PadKeyEvent;
using platform::PadKeys;
using platform::StickDirection;

constexpr int64_t kMs = 1'000'000;

TEST(GamepadMapping, EveryButtonActsAsItsKey) {
    struct Case {
        PadButton button;
        int virtualKey;
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
        {PadButton::Guide, 0},
        {PadButton::LeftShoulder, 0},
        {PadButton::LeftStick, 0},
        {PadButton::RightStick, 0},
        {PadButton::LeftTrigger, 0},
        {PadButton::RightTrigger, 0},
        {PadButton::Count, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::VirtualKeyForButton(c.button), c.virtualKey) << static_cast<int>(c.button);
    }
}

TEST(GamepadMapping, StickDirectionsAreTheArrowsAndOnlyTheyRepeat) {
    EXPECT_EQ(platform::VirtualKeyForStick(StickDirection::Left), VK_LEFT);
    EXPECT_EQ(platform::VirtualKeyForStick(StickDirection::Right), VK_RIGHT);
    EXPECT_EQ(platform::VirtualKeyForStick(StickDirection::Up), VK_UP);
    EXPECT_EQ(platform::VirtualKeyForStick(StickDirection::Down), VK_DOWN);
    for (int vk : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) EXPECT_TRUE(platform::PadKeyRepeats(vk)) << vk;
    for (int vk : {VK_SPACE, VK_ESCAPE, VK_F1, 0}) EXPECT_FALSE(platform::PadKeyRepeats(vk)) << vk;
}

TEST(GamepadMapping, StickLeansOnlyBeyondTheDeadZone) {
    struct Case {
        float x, y;
        bool left, right, up, down;
    };
    const Case cases[] = {
        {0.0f, 0.0f, false, false, false, false},  {0.29f, -0.29f, false, false, false, false},
        {-0.3f, 0.3f, false, false, false, false}, {-0.31f, 0.0f, true, false, false, false},
        {1.0f, 0.0f, false, true, false, false},   {0.0f, -1.0f, false, false, true, false},
        {0.0f, 0.5f, false, false, false, true},   {0.7f, 0.7f, false, true, false, true},
        {-1.0f, -1.0f, true, false, true, false},  {0.2f, 0.9f, false, false, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::StickLeans(StickDirection::Left, c.x, c.y), c.left) << c.x << "," << c.y;
        EXPECT_EQ(platform::StickLeans(StickDirection::Right, c.x, c.y), c.right) << c.x << "," << c.y;
        EXPECT_EQ(platform::StickLeans(StickDirection::Up, c.x, c.y), c.up) << c.x << "," << c.y;
        EXPECT_EQ(platform::StickLeans(StickDirection::Down, c.x, c.y), c.down) << c.x << "," << c.y;
    }
}

TEST(GamepadMapping, BrowserStandardLayoutNamesItsButtons) {
    EXPECT_EQ(platform::PadButtonForStandardIndex(0), PadButton::A);
    EXPECT_EQ(platform::PadButtonForStandardIndex(5), PadButton::RightShoulder);
    EXPECT_EQ(platform::PadButtonForStandardIndex(8), PadButton::Back);
    EXPECT_EQ(platform::PadButtonForStandardIndex(9), PadButton::Start);
    EXPECT_EQ(platform::PadButtonForStandardIndex(12), PadButton::DpadUp);
    EXPECT_EQ(platform::PadButtonForStandardIndex(15), PadButton::DpadRight);
    EXPECT_EQ(platform::PadButtonForStandardIndex(16), PadButton::Guide);
    EXPECT_EQ(platform::PadButtonForStandardIndex(17), PadButton::Count);
    EXPECT_EQ(platform::PadButtonForStandardIndex(-1), PadButton::Count);
}

TEST(GamepadKeyRepeat, FirstRepeatAfterHalfASecondThenThirtyASecond) {
    KeyRepeat repeat;
    repeat.Press(VK_UP, 0);
    std::vector<int> keys;
    repeat.Due(499 * kMs, &keys);
    EXPECT_TRUE(keys.empty());
    repeat.Due(500 * kMs, &keys);
    EXPECT_EQ(keys, std::vector<int>{VK_UP});
    // Polled every millisecond for one more second: 30 more repeats.
    keys.clear();
    for (int64_t t = 501; t <= 1500; ++t) repeat.Due(t * kMs, &keys);
    EXPECT_EQ(keys.size(), 30u);
    repeat.Release(VK_UP);
    keys.clear();
    repeat.Due(3000 * kMs, &keys);
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(repeat.IsHeld(VK_UP));
}

TEST(GamepadKeyRepeat, AStallGivesOneRepeatNotABurst) {
    KeyRepeat repeat;
    repeat.Press(VK_DOWN, 0);
    std::vector<int> keys;
    repeat.Due(2000 * kMs, &keys);
    EXPECT_EQ(keys.size(), 1u);
    keys.clear();
    repeat.Due(2010 * kMs, &keys);
    EXPECT_TRUE(keys.empty());
    repeat.Due(2034 * kMs, &keys);
    EXPECT_EQ(keys.size(), 1u);
}

TEST(GamepadKeys, ButtonsPressAndReleaseTheirKeys) {
    PadKeys pad;
    std::vector<PadKeyEvent> events;
    pad.SetButton(PadButton::A, true, 0, &events);
    pad.SetButton(PadButton::B, true, 0, &events);  // acts as no key
    EXPECT_EQ(events, (std::vector<PadKeyEvent>{{VK_SPACE, true, false}}));
    EXPECT_TRUE(pad.Holds(VK_SPACE));
    events.clear();
    pad.SetButton(PadButton::A, false, 10 * kMs, &events);
    EXPECT_EQ(events, (std::vector<PadKeyEvent>{{VK_SPACE, false, false}}));
    EXPECT_FALSE(pad.Holds(VK_SPACE));
    // Space does not repeat however long A was held.
    events.clear();
    pad.SetButton(PadButton::Start, true, 0, &events);
    pad.Repeat(5000 * kMs, &events);
    EXPECT_EQ(events, (std::vector<PadKeyEvent>{{VK_SPACE, true, false}}));
}

TEST(GamepadKeys, DpadAndStickOfOneDirectionAreOneKey) {
    PadKeys pad;
    std::vector<PadKeyEvent> events;
    pad.SetButton(PadButton::DpadLeft, true, 0, &events);
    pad.SetStick(-1.0f, 0.0f, 0, &events);
    EXPECT_EQ(events, (std::vector<PadKeyEvent>{{VK_LEFT, true, false}}));
    events.clear();
    pad.SetButton(PadButton::DpadLeft, false, 0, &events);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(pad.Holds(VK_LEFT));
    pad.SetStick(-0.1f, 0.0f, 0, &events);
    EXPECT_EQ(events, (std::vector<PadKeyEvent>{{VK_LEFT, false, false}}));
}

TEST(GamepadKeys, StickNearCentreHoldsNothing) {
    PadKeys pad;
    std::vector<PadKeyEvent> events;
    for (float x : {0.0f, 0.1f, -0.25f, 0.29f}) {
        pad.SetStick(x, -x, 0, &events);
        pad.Repeat(10000 * kMs, &events);
    }
    EXPECT_TRUE(events.empty());
    for (int vk : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) EXPECT_FALSE(pad.Holds(vk));
}

TEST(GamepadKeys, HeldDirectionRepeatsUntilReleased) {
    PadKeys pad;
    std::vector<PadKeyEvent> events;
    pad.SetStick(0.0f, 0.8f, 100 * kMs, &events);
    events.clear();
    pad.Repeat(599 * kMs, &events);
    EXPECT_TRUE(events.empty());
    pad.Repeat(600 * kMs, &events);
    EXPECT_EQ(events, (std::vector<PadKeyEvent>{{VK_DOWN, true, true}}));
    events.clear();
    pad.SetStick(0.0f, 0.0f, 610 * kMs, &events);
    pad.Repeat(2000 * kMs, &events);
    EXPECT_EQ(events, (std::vector<PadKeyEvent>{{VK_DOWN, false, false}}));
}

TEST(GamepadKeys, ReleaseAllLetsGoOfEverythingOnce) {
    PadKeys pad;
    std::vector<PadKeyEvent> events;
    pad.SetButton(PadButton::Back, true, 0, &events);
    pad.SetStick(1.0f, -1.0f, 0, &events);
    events.clear();
    pad.ReleaseAll(&events);
    EXPECT_EQ(events,
              (std::vector<PadKeyEvent>{{VK_ESCAPE, false, false}, {VK_UP, false, false}, {VK_RIGHT, false, false}}));
    events.clear();
    pad.ReleaseAll(&events);
    pad.Repeat(10000 * kMs, &events);
    EXPECT_TRUE(events.empty());
}

TEST(GamepadKeyTracker, KeyIsHeldWhileAnySourceHoldsIt) {
    platform::KeyTracker keys;
    keys.SetHeld(VK_RIGHT, true);       // the keyboard
    keys.SetHeldBy(1, VK_RIGHT, true);  // pad 1
    keys.SetHeldBy(2, VK_RIGHT, true);  // pad 2
    EXPECT_EQ(keys.Query(VK_RIGHT), static_cast<SHORT>(0x8001));
    keys.SetHeld(VK_RIGHT, false);
    keys.ReleaseSource(1);
    EXPECT_EQ(keys.Query(VK_RIGHT), static_cast<SHORT>(0x8000));  // a second source is no new press
    keys.SetHeldBy(2, VK_RIGHT, false);
    EXPECT_EQ(keys.Query(VK_RIGHT), 0);
    EXPECT_FALSE(keys.IsHeld(VK_RIGHT));
}

TEST(GamepadKeyTracker, PullingOnePadKeepsTheOthersKeys) {
    platform::KeyTracker keys;
    keys.SetHeldBy(1, VK_LEFT, true);
    keys.SetHeldBy(1, VK_SPACE, true);
    keys.SetHeldBy(2, VK_SPACE, true);
    keys.ReleaseSource(1);
    EXPECT_FALSE(keys.IsHeld(VK_LEFT));
    EXPECT_TRUE(keys.IsHeld(VK_SPACE));
    EXPECT_TRUE(keys.IsHeldBy(2, VK_SPACE));
    EXPECT_FALSE(keys.IsHeldBy(1, VK_SPACE));
    // Sources outside the range are ignored.
    keys.SetHeldBy(32, VK_UP, true);
    keys.SetHeldBy(-1, VK_UP, true);
    EXPECT_FALSE(keys.IsHeld(VK_UP));
    keys.ReleaseAll();
    EXPECT_FALSE(keys.IsHeld(VK_SPACE));
}

}  // namespace
