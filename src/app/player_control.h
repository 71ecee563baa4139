// Steering the ship during play: polled keys, firing and the roll animation.
#pragma once

// Roll states of the ship.
constexpr int kTiltSteady = 111;
constexpr int kTiltIntoLeft = 0;
constexpr int kTiltIntoRight = 1;
constexpr int kTiltOutOfLeft = 70;
constexpr int kTiltOutOfRight = 71;

extern float shotCooldown;  // frames until the next shot; firing allowed at 0 or less
extern int tiltState;       // one of the kTilt states
extern int bankedLeft;      // 1 while the ship holds the left bank
extern int bankedRight;     // 1 while the ship holds the right bank

// Reads the held keys once per play frame: moves the ship, starts and ends
// rolls, fires. Call after the frame lowered shotCooldown, before drawing.
void CheckInput();

// Advances the ship's current animation, draws the ship and completes rolls
// whose animation ran out. Call after the health bar, before the world.
void UpdatePlayer();
