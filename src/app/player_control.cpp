#include "app/player_control.h"

#include "app/globals.h"
#include "platform/api/win32.h"

float shotCooldown = 0.0f;
int tiltState = kTiltSteady;
int bankedLeft = 0;
int bankedRight = 0;

namespace {

constexpr D3DCOLOR kShipColour = 0xFFBBBBBB;

enum Direction { kLeft = 0, kRight = 1, kUp = 2, kDown = 3 };

bool Pressed(int virtualKey) { return GetAsyncKeyState(virtualKey) != 0; }

// Plays and draws one animation; reports whether it has just run out. The
// flag is read after drawing, so a completed roll shows its first frame once
// more (the counter has just restarted at 0).
bool PlayAndDraw(int animation) {
    player.PlayAnimation(animation);
    player.DrawAnimation(animation, kShipColour);
    return player.IsAnimationDone(animation) != 0;
}

}  // namespace

void CheckInput() {
    if (Pressed(VK_LEFT)) {
        bankedRight = 0;
        if (bankedLeft == 0) {
            if (tiltState == kTiltSteady) {
                tiltState = kTiltIntoLeft;
                player.SetFrame(0);
            }
            // The flag still tells of the previous frame's advance: right
            // after a wrap the roll is skipped and the bank starts at once.
            if (player.IsAnimationDone(0)) {
                tiltState = kTiltSteady;
                bankedLeft = 1;
            }
        }
        player.Move(kLeft);
    } else if (Pressed(VK_RIGHT)) {
        bankedLeft = 0;
        if (bankedRight == 0) {
            if (tiltState == kTiltSteady) {
                tiltState = kTiltIntoRight;
                player.SetFrame(0);
            }
            if (player.IsAnimationDone(0)) {
                bankedRight = 1;
                tiltState = kTiltSteady;
            }
        }
        player.Move(kRight);
    } else {
        if (tiltState == kTiltSteady) {
            if (bankedLeft == 1) {
                tiltState = kTiltOutOfLeft;
                player.SetFrame(0);
            }
            if (bankedRight == 1) {
                tiltState = kTiltOutOfRight;
                player.SetFrame(0);
            }
        }
        if (player.IsAnimationDone(0)) {
            tiltState = kTiltSteady;
            bankedLeft = 0;
        }
        if (player.IsAnimationDone(0)) {
            tiltState = kTiltSteady;
            bankedRight = 0;
        }
    }

    if (Pressed(VK_UP)) {
        player.Move(kUp);
    } else if (Pressed(VK_DOWN)) {
        player.Move(kDown);
    }

    if (Pressed(VK_SPACE) && shotCooldown <= 0.0f) {
        D3DXVECTOR2 position = player.GetPosition();
        game.CreateShot(position.x, position.y);
        // A third of a second at the latched rate: about three shots a second.
        shotCooldown = static_cast<float>(resManager.GetFramerate()) / 3.0f;
    }
}

void UpdatePlayer() {
    switch (tiltState) {
        case kTiltSteady:
            if (bankedLeft != 0) {
                player.PlayAnimation(4);
                player.DrawAnimation(4, kShipColour);
            } else if (bankedRight != 0) {
                player.PlayAnimation(5);
                player.DrawAnimation(5, kShipColour);
            } else {
                player.Animate();
                player.Draw(kShipColour);
            }
            break;
        case kTiltIntoLeft:
            if (PlayAndDraw(0)) {
                tiltState = kTiltSteady;
                bankedLeft = 1;
            }
            break;
        case kTiltIntoRight:
            if (PlayAndDraw(2)) {
                tiltState = kTiltSteady;
                bankedRight = 1;
            }
            break;
        case kTiltOutOfLeft:
            if (PlayAndDraw(1)) {
                tiltState = kTiltSteady;
                bankedLeft = 0;
            }
            break;
        case kTiltOutOfRight:
            if (PlayAndDraw(3)) {
                tiltState = kTiltSteady;
                bankedRight = 0;
            }
            break;
        default: break;
    }
}
