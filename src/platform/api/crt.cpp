// The C runtime's linear congruential generator, so that a seed gives the
// same sequence the game always had; the C library's own rand differs.
#include "platform/api/win32.h"

namespace crt {
namespace {
// The runtime starts as if seeded with 1.
uint32_t state = 1;
}  // namespace

void srand(unsigned int seed) { state = seed; }

int rand() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

}  // namespace crt
