// Fuzzes text drawing as the game does it, on the software device of the
// headless backend: DrawTextA measures with DT_CALCRECT and then draws
// with DT_CENTER, at any position, with any bytes, terminated or counted
// (input layout in text_input.h).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "graphics/d3dx9.h"
#include "platform/api/d3d9.h"
#include "platform/headless/headless_backend.h"
#include "platform/api/win32.h"
#include "text_input.h"

namespace {

// A broken promise of the font is a finding like a crash.
#define FUZZ_CHECK(condition)                                                       \
    do {                                                                            \
        if (!(condition)) {                                                         \
            std::fprintf(stderr, "fuzz_text: check failed: %s (line %d)\n", #condition, __LINE__); \
            std::abort();                                                           \
        }                                                                           \
    } while (false)

LRESULT PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// The device and the "Arial" font as the game makes them, made once per
// process and kept to its end (they are reachable, so not leaks).
struct TextSetup {
    std::shared_ptr<platform::HeadlessBackend> backend;
    HWND window = nullptr;
    IDirect3D9* direct3D = nullptr;
    IDirect3DDevice9* device = nullptr;
    ID3DXFont* font = nullptr;
};

TextSetup* setup = nullptr;

bool MakeSetup() {
    auto* s = new TextSetup;
    s->backend = platform::InstallHeadlessBackend();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = "WindowClass";
    RegisterClassExA(&wc);
    s->window = CreateWindowExA(0, "WindowClass", "Vantora3", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                1024, 768, nullptr, nullptr, nullptr, nullptr);
    if (s->window == nullptr) return false;
    s->direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (s->direct3D == nullptr) return false;
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = 1024;
    params.BackBufferHeight = 768;
    params.BackBufferFormat = D3DFMT_A8R8G8B8;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.hDeviceWindow = s->window;
    params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    if (FAILED(s->direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, s->window,
                                         D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &s->device)))
        return false;
    LOGFONT desc;
    std::memset(&desc, 0, sizeof desc);
    std::strcpy(desc.lfFaceName, "Arial");
    if (FAILED(D3DXCreateFontIndirect(s->device, &desc, &s->font))) return false;
    setup = s;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    if (!MakeSetup()) {
        std::fprintf(stderr, "fuzz_text: no headless device or font\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzzinput::TextInput in = fuzzinput::ParseTextInput(data, size);
    // The text in a buffer of its own with a terminator after it, so that a
    // terminated read stops inside the buffer and a counted one may not run
    // past the bytes it was given (ASan watches both ends).
    std::unique_ptr<char[]> text(new char[in.textSize + 1]);
    if (in.textSize > 0) std::memcpy(text.get(), in.text, in.textSize);
    text[in.textSize] = '\0';
    INT count = -1;
    switch (in.Count()) {
        case fuzzinput::TextCount::Terminated: count = -1; break;
        case fuzzinput::TextCount::WholeLength: count = static_cast<INT>(in.textSize); break;
        case fuzzinput::TextCount::Prefix: count = static_cast<INT>(in.countHint % (in.textSize + 1)); break;
        case fuzzinput::TextCount::OtherNegative: count = -static_cast<INT>(in.countHint) - 2; break;
    }
    const D3DCOLOR colour = in.KeepAlpha() ? in.colour : (in.colour | 0xFF000000u);
    ID3DXFont* font = setup->font;

    setup->device->BeginScene();
    // Measuring: left and top stay, right and bottom bound the line (the
    // sums are kept within a LONG at the far edges).
    RECT rect{in.x, in.y, 0, 0};
    const INT height = font->DrawTextA(text.get(), count, &rect, DT_CALCRECT, colour);
    FUZZ_CHECK(height > 0);
    FUZZ_CHECK(rect.left == in.x && rect.top == in.y);
    FUZZ_CHECK(rect.right >= rect.left);
    FUZZ_CHECK(rect.bottom >= rect.top && int64_t{rect.bottom} - rect.top <= height);
    if (int64_t{in.y} + height <= INT32_MAX) FUZZ_CHECK(int64_t{rect.bottom} - rect.top == height);

    // Measuring is repeatable and does not touch the rectangle's own inputs.
    RECT again{in.x, in.y, 0, 0};
    FUZZ_CHECK(font->DrawTextA(text.get(), count, &again, DT_CALCRECT, colour) == height);
    FUZZ_CHECK(again.right == rect.right && again.bottom == rect.bottom);

    // Drawing as the game does: centred in the measured rectangle.
    font->DrawTextA(text.get(), count, &rect, DT_CENTER, colour);

    // And into a rectangle of any width, narrower or wider than the text or
    // inverted, with the other formats a caller may pass.
    static const DWORD kFormats[4] = {DT_CENTER, 0, DT_CENTER | DT_CALCRECT, DT_CALCRECT};
    const int64_t right = int64_t{in.x} + static_cast<int16_t>(in.countHint);
    RECT free{in.x, in.y, static_cast<LONG>(right < INT32_MIN ? INT32_MIN : right > INT32_MAX ? INT32_MAX : right),
              in.y};
    font->DrawTextA(text.get(), count, &free, kFormats[in.FreeFormat()], colour);
    setup->device->EndScene();
    return 0;
}
