// Start-up: the device, the texture preload, the player and background
// Sprites, the world's bindings, the random seed, clear colour and font.
#pragma once

// Runs once, after the main window exists and before the first frame.
// Returns 1 when the game is ready; 0 when the device could not be created
// (after its own "Error" box) or an image file is missing or undecodable
// (after naming it on stderr and in the log).
int InitGame();

// Builds the player Sprite from the preloaded textures. Called by InitGame.
void InitPlayer();

// Builds the background Sprite. Called by InitGame.
void InitBackground();

// The number of image paths the game preloads, and the i-th of them in
// preload order (0 <= i < AssetPathCount()); for start-up and its tests.
int AssetPathCount();
const char* AssetPath(int index);
