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

#include "device_fixture.h"
#include "graphics/d3dx9.h"
#include "text_input.h"

namespace {

// A broken promise of the font is a finding like a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "fuzz_text: check failed: %s (line %d)\n", #condition, __LINE__); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// The device and the "Arial" font as the game makes them, made once per
// process and kept to its end (they are reachable, so not leaks).
struct TextSetup {
    testdevice::HeadlessDevice headless;
    ID3DXFont* font = nullptr;
};

TextSetup* setup = nullptr;

// Returns what failed, or "".
std::string MakeSetup() {
    auto* s = new TextSetup;
    std::string failed = s->headless.Open();
    if (!failed.empty()) return failed;
    LOGFONT desc;
    std::memset(&desc, 0, sizeof desc);
    std::strcpy(desc.lfFaceName, "Arial");
    if (FAILED(D3DXCreateFontIndirect(s->headless.device, &desc, &s->font))) return "no font";
    setup = s;
    return "";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    const std::string failed = MakeSetup();
    if (!failed.empty()) {
        std::fprintf(stderr, "fuzz_text: no headless device or font: %s\n", failed.c_str());
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

    setup->headless.device->BeginScene();
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
    RECT free{in.x, in.y,
              static_cast<LONG>(right < INT32_MIN   ? INT32_MIN
                                : right > INT32_MAX ? INT32_MAX
                                                    : right),
              in.y};
    font->DrawTextA(text.get(), count, &free, kFormats[in.FreeFormat()], colour);
    setup->headless.device->EndScene();
    return 0;
}
