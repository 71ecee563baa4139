// The application shell's long-lived objects and plain globals.
#pragma once

#include "game/game.h"
#include "graphics/graphics.h"
#include "platform/api/win32.h"
#include "sprite/res_manager.h"
#include "sprite/sprite.h"

// Constructed in this order before the process entry runs, destroyed in the
// reverse order after it returns: every Sprite and texture is released while
// the device still exists, and the Graphics object goes last.
extern Graphics graphics;
extern ResManager resManager;
extern Game game;
extern Sprite player;
extern Sprite background;

extern HWND mainWindow;       // the main window, set by WinMain
extern int difficulty;        // 0..3, changed on the start screen only
extern int shownFramerate;    // the frame rate shown in the play screen's status line
extern char textBuffer[128];  // status texts are formatted into it
extern char pathBuffer[128];  // screenshot and sprite file names are formatted into it
extern int gameOverFrames;    // start-screen frames since the last play frame or screenshot
extern int screenshotTaken;   // the automatic screenshot of this start screen is done
