#include "app/globals.h"

// One translation unit, so the definition order below is the construction
// order.
Graphics graphics;
ResManager resManager;
Game game;
Sprite player;
Sprite background;

HWND mainWindow = nullptr;
int difficulty = 0;
int shownFramerate = 0;
char textBuffer[128] = {};
char pathBuffer[128] = {};
int gameOverFrames = 0;
// Starts at 1: the start screen shown at program start takes no screenshot.
int screenshotTaken = 1;
