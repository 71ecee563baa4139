// The process entry, the main window and the frame loop.
#pragma once

#include "platform/api/win32.h"

// Creates the window, runs the start-up and the message loop. Returns 0 when
// the loop ends normally, -1 when the window or the start-up fails. Call once
// per process, after a platform backend is installed.
int WinMain(HINSTANCE instance, HINSTANCE previous, char* commandLine, int showCommand);

// Registers the window class, hides the cursor and creates the main window;
// null when it cannot be created.
HWND CreateMainWindow(HINSTANCE instance);

// The main window's procedure: Escape, space, the arrows and F1.
LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// One frame: clear, tick the clock, update the world, draw the start screen
// or the play screen, present. Called by the message loop whenever the
// queue is empty.
void RunFrame();
