#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/sdl/sdl_backend.h"
#include "platform/api/win32.h"

namespace {

LRESULT PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(SdlBackend, WindowCreationFailsWithoutADisplay) {
    // No X11 or Wayland server to talk to, and no driver forced from outside.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    platform::InstallBackend(platform::CreateSdlBackend());
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = "WindowClass";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND window = CreateWindowExA(0, "WindowClass", "Vantora3", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024, 768,
                                  nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(window, nullptr);
    // A message box without a display still reaches stderr and does not wait.
    testing::internal::CaptureStderr();
    MessageBoxA(nullptr, "Fenster konnte nicht erzeugt werden", "Fehler", MB_OK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Fehler: Fenster konnte nicht erzeugt werden\n");
    platform::InstallBackend(nullptr);
}

}  // namespace
