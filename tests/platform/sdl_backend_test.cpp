#include <gtest/gtest.h>

#include "platform/api/win32.h"
#include "sdl_window.h"

namespace {

TEST(SdlBackend, WindowCreationFailsWithoutADisplay) {
    // No X11 or Wayland server to talk to, and no driver forced from outside.
    testsdl::InstallSdlBackend(nullptr);
    ASSERT_NE(testwindow::RegisterPlainClass(), 0);
    HWND window = testwindow::CreatePlainWindow("Vantora3");
    EXPECT_EQ(window, nullptr);
    // A message box without a display still reaches stderr and does not wait.
    testing::internal::CaptureStderr();
    MessageBoxA(nullptr, "Fenster konnte nicht erzeugt werden", "Fehler", MB_OK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Fehler: Fenster konnte nicht erzeugt werden\n");
    platform::InstallBackend(nullptr);
}

}  // namespace
