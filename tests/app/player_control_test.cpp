// The ship's roll: the tilt states driven by the held arrow keys.
#include "app/player_control.h"
#include "app/app_fixture.h"
#include "app/globals.h"
#include "app/init_game.h"
#include "app/win_main.h"

namespace {

class PlayerControlTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        mainWindow = CreateMainWindow(nullptr);
        ASSERT_EQ(InitGame(), 1);
        game.Reset(player);
        // Latch a frame rate of 60: 60 ticks inside the first second, and
        // the one after it closes the window.
        for (int i = 1; i <= 61; ++i) {
            backend->AdvanceCounter(kFrameNs + (i == 61 ? 1000 : 0));
            resManager.Tick();
        }
        ASSERT_EQ(resManager.GetFramerate(), 60);
    }
    // One play frame's share of the ship: input first, then the animation.
    void Frame() {
        CheckInput();
        UpdatePlayer();
    }
    void Hold(int vk, bool held) { backend->SetKeyHeld(vk, held); }
};

TEST_F(PlayerControlTest, HoldingLeftRollsIntoTheBankThenHoldsIt) {
    Hold(VK_LEFT, true);
    Frame();
    EXPECT_EQ(tiltState, kTiltIntoLeft);
    // Four frames at 16 per second take 15 frames at 60: the roll completes
    // in the 15th frame and the bank holds while the key stays down.
    for (int i = 2; i <= 14; ++i) Frame();
    EXPECT_EQ(tiltState, kTiltIntoLeft);
    Frame();
    EXPECT_EQ(tiltState, kTiltSteady);
    EXPECT_EQ(bankedLeft, 1);
    for (int i = 0; i < 30; ++i) Frame();
    EXPECT_EQ(tiltState, kTiltSteady);
    EXPECT_EQ(bankedLeft, 1);
}

TEST_F(PlayerControlTest, ATapStillPlaysTheWholeRollIn) {
    Hold(VK_LEFT, true);
    Frame();
    Hold(VK_LEFT, false);
    int framesRolling = 1;
    while (tiltState == kTiltIntoLeft && framesRolling < 100) {
        Frame();
        ++framesRolling;
    }
    EXPECT_EQ(framesRolling, 15);
    EXPECT_EQ(tiltState, kTiltSteady);
}

TEST_F(PlayerControlTest, ReleasingTheKeyRollsOutOfTheBank) {
    // 15 frames of roll, then the banked loop (35 per second) wraps in
    // frames 34 and 52: after 40 frames the release meets no fresh wrap.
    Hold(VK_LEFT, true);
    for (int i = 0; i < 40; ++i) Frame();
    ASSERT_EQ(bankedLeft, 1);
    Hold(VK_LEFT, false);
    Frame();
    EXPECT_EQ(tiltState, kTiltOutOfLeft);
    for (int i = 2; i <= 14; ++i) Frame();
    EXPECT_EQ(tiltState, kTiltOutOfLeft);
    Frame();
    EXPECT_EQ(tiltState, kTiltSteady);
    EXPECT_EQ(bankedLeft, 0);
    EXPECT_EQ(bankedRight, 0);
}

TEST_F(PlayerControlTest, ReleasingRightAfterTheBankedLoopWrappedSkipsTheRollOut) {
    Hold(VK_RIGHT, true);
    // The right loop runs at 22 per second: after the roll (frame 15) it
    // wraps in the 28th frame of the loop, frame 43.
    for (int i = 0; i < 43; ++i) Frame();
    ASSERT_EQ(bankedRight, 1);
    ASSERT_TRUE(player.IsAnimationDone());
    Hold(VK_RIGHT, false);
    CheckInput();
    EXPECT_EQ(tiltState, kTiltSteady);
    EXPECT_EQ(bankedRight, 0);
}

TEST_F(PlayerControlTest, SwitchingSidesStartsTheOtherRollAtOnce) {
    Hold(VK_LEFT, true);
    for (int i = 0; i < 20; ++i) Frame();
    ASSERT_EQ(bankedLeft, 1);
    ASSERT_FALSE(player.IsAnimationDone());
    Hold(VK_LEFT, false);
    Hold(VK_RIGHT, true);
    CheckInput();
    EXPECT_EQ(bankedLeft, 0);
    EXPECT_EQ(tiltState, kTiltIntoRight);
    EXPECT_EQ(player.GetFrameIndex(), 0.0f);
}

TEST_F(PlayerControlTest, PressingRightJustAfterTheLoopWrappedSkipsTheRoll) {
    // Level flight until the 20-frame loop wraps (55 frames at 22 per second).
    int frames = 0;
    do {
        Frame();
        ++frames;
    } while (!player.IsAnimationDone() && frames < 200);
    ASSERT_EQ(frames, 55);
    Hold(VK_RIGHT, true);
    CheckInput();
    EXPECT_EQ(tiltState, kTiltSteady);
    EXPECT_EQ(bankedRight, 1);
}

TEST_F(PlayerControlTest, LeftWinsOverRightAndUpOverDown) {
    const D3DXVECTOR2 start = player.GetPosition();
    Hold(VK_LEFT, true);
    Hold(VK_RIGHT, true);
    Hold(VK_UP, true);
    Hold(VK_DOWN, true);
    CheckInput();
    const D3DXVECTOR2 now = player.GetPosition();
    EXPECT_LT(now.x, start.x);
    EXPECT_LT(now.y, start.y);
}

TEST_F(PlayerControlTest, HeldSpaceFiresEveryTwentyFramesAtSixty) {
    Hold(VK_SPACE, true);
    std::vector<int> shotFrames;
    size_t shots = 0;
    for (int frame = 1; frame <= 61; ++frame) {
        // The frame lowers the cooldown before the input is read.
        if (shotCooldown > 0.0f) shotCooldown -= 1.0f;
        CheckInput();
        if (game.GetShots().size() > shots) {
            shots = game.GetShots().size();
            shotFrames.push_back(frame);
        }
    }
    EXPECT_EQ(shotFrames, (std::vector<int>{1, 21, 41, 61}));
    const D3DXVECTOR2 ship = player.GetPosition();
    const D3DXVECTOR2 shot = game.GetShots().front()->GetPosition();
    EXPECT_EQ(shot.x, ship.x + 48.0f);
}

}  // namespace
