// A small integer hash for test and benchmark pictures: fixed, well-mixed
// pixel values from a pixel's index, the same on every run.
#pragma once

#include <cstdint>

inline uint32_t PixelHash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    return x ^ (x >> 16);
}
