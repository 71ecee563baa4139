// The game's 1024x768 window with a window procedure that leaves every
// message to DefWindowProcA, on whatever backend is installed. Free of
// gtest, so the fuzz targets can use it too.
#pragma once

#include "platform/api/win32.h"

namespace testwindow {

inline LRESULT PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// Registers a window class with PlainProc; 0 when the name was taken.
inline ATOM RegisterPlainClass(const char* className = "WindowClass") {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = className;
    return RegisterClassExA(&wc);
}

// A 1024x768 window of a registered class, as the game opens its own.
inline HWND CreatePlainWindow(const char* title, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              const char* className = "WindowClass") {
    return CreateWindowExA(0, className, title, style, 0, 0, 1024, 768, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace testwindow
