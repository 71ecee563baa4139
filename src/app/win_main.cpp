// The frame loop.
//
// Everything runs on one thread. The message loop drains every waiting
// window message before it runs a frame, so key handling in WndProc always
// falls between two frames and needs no locking. A frame runs only when the
// queue is empty, and frames run back to back with no waiting of their own:
// the presentation at the end of the scene waits for the display, which
// paces the loop, and all motion is given per second and divided by the
// frame rate that the ResManager latches once a second.
//
// A frame always clears, ticks the clock and advances the world (so the
// world keeps moving on the start and game-over screens too); then it draws
// either the start/game-over screen or the play screen, and presents. Each
// step writes a line to the log, a running trace of what the game did.

#include "app/win_main.h"

#include <cstdio>
#include <cstring>

#include "app/globals.h"
#include "app/health_bar.h"
#include "app/init_game.h"
#include "app/player_control.h"
#include "base/log.h"

namespace {

constexpr D3DCOLOR kBackgroundColour = 0xFFAAAAAA;
constexpr D3DCOLOR kScreenTextColour = 0xFFFFAA00;
constexpr D3DCOLOR kDifficultyColour = 0xFF00FF00;
constexpr D3DCOLOR kStatusColour = 0xFFFF0000;

// The names of the difficulty settings; 1 and 3 both read "SCHWER".
const char* DifficultyName(int value) {
    static const char* const kNames[] = {"LEICHT", "SCHWER", "MITTEL", "SCHWER"};
    if (value < 0 || value > 3) return "";
    return kNames[value];
}

void SaveScreenshotForScore(int score) {
    std::snprintf(pathBuffer, sizeof(pathBuffer), "..//SCREENSHOTS//screen%d.bmp", score);
    graphics.SaveScreenshot(pathBuffer);
}

void DrawStartScreen(int score) {
    background.Draw(kBackgroundColour);
    Log("Hintergrund gezeichnet");
    Log("Vantora gezeichnet");
    game.Draw();
    Log("Objekte gezeichnet");

    graphics.DrawText(312, 384, "Game OVER - Leertaste: Neustart    ESC: Beenden", kScreenTextColour);
    std::snprintf(textBuffer, sizeof(textBuffer), "Erreichte Punktzahl: %d", score);
    graphics.DrawText(412, 434, textBuffer, kScreenTextColour);
    Log("Textausgabe");
    std::snprintf(textBuffer, sizeof(textBuffer), "%s", "Gew\xE4hlter Schwierigkeitsgrad: ");
    graphics.DrawText(342, 484, textBuffer, kDifficultyColour);
    std::snprintf(textBuffer, sizeof(textBuffer), "%s", DifficultyName(difficulty));
    graphics.DrawText(562, 484, textBuffer, kDifficultyColour);
    std::snprintf(textBuffer, sizeof(textBuffer), "%s",
                  "Mit Pfeiltasten k\xF6nnen Sie den Schwierigkeitsgrad ver\xE4ndern");
    graphics.DrawText(272, 534, textBuffer, kDifficultyColour);

    // The automatic screenshot of a game over is taken on the tenth screen
    // frame, once; it shows the ninth, the last one presented.
    gameOverFrames += 1;
    if (screenshotTaken == 0 && gameOverFrames == 10) {
        SaveScreenshotForScore(score);
        screenshotTaken = 1;
        gameOverFrames = 0;
    }
}

void DrawPlayScreen(int score) {
    screenshotTaken = 0;
    gameOverFrames = 0;
    if (shotCooldown > 0.0f) shotCooldown -= 1.0f;
    shownFramerate = resManager.GetFramerate();
    const int level = game.GetLevel();
    Log("Framerate berechnet");

    CheckInput();
    // One line as one text: the split ends each \x escape.
    // clang-format off
    Log("Eingaben \xFC" "berpr\xFC" "ft");
    // clang-format on

    background.Draw(kBackgroundColour);
    Log("Hintergrund gezeichnet");
    Log("Sternenfeld gezeichnet");

    DrawHealthBar(graphics.GetBackBuffer());
    Log("HUD gezeichnet");

    UpdatePlayer();
    Log("Spieler updatet");

    game.Draw();
    Log("Objekte gezeichnet");

    std::snprintf(textBuffer, sizeof(textBuffer), "Framerate: %d", shownFramerate);
    graphics.DrawText(1, 1, textBuffer, kStatusColour);
    std::snprintf(textBuffer, sizeof(textBuffer), "Punkte: %d", score);
    graphics.DrawText(300, 1, textBuffer, kStatusColour);
    std::snprintf(textBuffer, sizeof(textBuffer), "Level: %d", level);
    graphics.DrawText(600, 1, textBuffer, kStatusColour);
    Log("Textausgaben");
}

}  // namespace

void RunFrame() {
    graphics.BeginScene();
    resManager.Tick();
    game.Update(player);
    const int score = game.GetScore();
    if (game.IsGameOver()) {
        DrawStartScreen(score);
    } else {
        DrawPlayScreen(score);
    }
    graphics.EndScene();
    Log("Scene ended");
}

HWND CreateMainWindow(HINSTANCE instance) {
    WNDCLASSEX wndClass;
    std::memset(&wndClass, 0, sizeof(wndClass));
    wndClass.cbSize = sizeof(WNDCLASSEX);
    wndClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    wndClass.lpfnWndProc = WndProc;
    wndClass.cbClsExtra = 0;
    wndClass.cbWndExtra = 0;
    wndClass.hInstance = instance;
    wndClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    wndClass.hIconSm = LoadIconA(nullptr, IDI_WINLOGO);
    wndClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wndClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wndClass.lpszMenuName = nullptr;
    wndClass.lpszClassName = "WindowClass";
    RegisterClassExA(&wndClass);

    ShowCursor(FALSE);
    return CreateWindowExA(0, "WindowClass", "Vantora3", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024, 768, nullptr,
                           nullptr, instance, nullptr);
}

LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_KEYDOWN) {
        switch (wParam) {
            case VK_ESCAPE:
                DestroyWindow(mainWindow);
                game.Release();
                break;
            case VK_SPACE:
                if (game.IsGameOver()) {
                    game.Reset(player);
                    game.SetGameOver(0);
                }
                break;
            case VK_UP:
                if (game.IsGameOver()) difficulty = difficulty >= 3 ? 0 : difficulty + 1;
                break;
            case VK_DOWN:
                if (game.IsGameOver()) difficulty = difficulty <= 0 ? 3 : difficulty - 1;
                break;
            case VK_F1: SaveScreenshotForScore(game.GetScore()); break;
            default: break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WinMain(HINSTANCE instance, HINSTANCE /*previous*/, char* /*commandLine*/, int /*showCommand*/) {
    mainWindow = CreateMainWindow(instance);
    if (mainWindow == nullptr) {
        MessageBoxA(nullptr, "Fenster konnte nicht erzeugt werden", "Fehler", MB_OK);
        return -1;
    }
    if (InitGame() == 0) {
        MessageBoxA(nullptr, "Fehler beim initialisieren des Spiels", "Fehler", MB_OK);
        return -1;
    }

    // One message record serves the whole loop; WM_QUIT itself is
    // dispatched like any other message before the loop ends.
    MSG msg;
    std::memset(&msg, 0, sizeof(msg));
    while (msg.message != WM_QUIT) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            RunFrame();
        }
    }
    return 0;
}
