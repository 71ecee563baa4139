// The small Win32 subset the game is written against: a window with a
// window procedure, a message queue, asynchronous key state, message boxes
// and the two clocks. The real work is done by a platform::Backend (SDL2 for
// the game, a headless one for tests); see backend.h.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using INT = int;
using LONG = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using WORD = uint16_t;
using SHORT = int16_t;
using BYTE = uint8_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using ATOM = uint16_t;
using LPCSTR = const char*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct Win32Window;    // one window, owned by the window layer
struct Win32Instance;  // the process instance handed to WinMain
struct Win32Gdi;       // icons, cursors and brushes: opaque tokens

using HWND = Win32Window*;
using HINSTANCE = Win32Instance*;
using HICON = Win32Gdi*;
using HCURSOR = Win32Gdi*;
using HBRUSH = Win32Gdi*;
using HGDIOBJ = Win32Gdi*;
using HMENU = void*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct POINT {
    LONG x;
    LONG y;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};
using WNDCLASSEX = WNDCLASSEXA;

union LARGE_INTEGER {
    int64_t QuadPart;
};

// Messages.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;

// Virtual key codes the game uses.
constexpr int VK_SPACE = 0x20;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_F1 = 0x70;

// Class styles, window styles.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_OWNDC = 0x0020;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr DWORD WS_VISIBLE = 0x10000000;

// PeekMessage flags, message box styles.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT MB_OK = 0x00000000;
constexpr int IDOK = 1;

// Stock resources.
constexpr uintptr_t IDI_WINLOGO_ID = 32517;
constexpr uintptr_t IDC_ARROW_ID = 32512;
#define IDI_WINLOGO (reinterpret_cast<LPCSTR>(IDI_WINLOGO_ID))
#define IDC_ARROW (reinterpret_cast<LPCSTR>(IDC_ARROW_ID))
constexpr int WHITE_BRUSH = 0;

// Registers a window class; the procedure is called by DispatchMessageA.
ATOM RegisterClassExA(const WNDCLASSEXA* wndClass);
// Creates the (single) main window of a registered class; null on failure,
// for example when no display can be opened.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
// Sends WM_DESTROY to the window procedure, then closes the native window.
BOOL DestroyWindow(HWND window);
// Shows or hides the mouse cursor; returns the new display count.
int ShowCursor(BOOL show);
// Takes the next message off the queue (collecting native events first);
// returns FALSE when none is waiting.
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Character translation is not needed by the game; kept for the loop's shape.
BOOL TranslateMessage(const MSG* msg);
// Calls the window procedure of the message's window; returns its result.
LRESULT DispatchMessageA(const MSG* msg);
// Default processing: WM_CLOSE destroys the window, everything else is 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues WM_QUIT with the exit code as wParam.
void PostQuitMessage(int exitCode);
// Writes "caption: text" to stderr, then shows a box where a display exists.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
// Non-zero when the key is down now or was pressed since the last query of it.
SHORT GetAsyncKeyState(int virtualKey);
// A monotonic clock in nanoseconds (frequency 1e9).
BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
// Milliseconds since the system booted.
DWORD timeGetTime();

HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HGDIOBJ GetStockObject(int object);

// The C runtime's random numbers as the game was built with them: state is
// multiplied by 214013 and 2531011 added; a draw is bits 16..30 (0..32767).
namespace crt {
constexpr int RAND_MAX_VALUE = 0x7FFF;
void srand(unsigned int seed);
int rand();
}  // namespace crt
