#include "platform/api/backend.h"

#include <time.h>

#include <utility>

#include "platform/api/win32_internal.h"

namespace platform {
namespace {

// Made on first use and never destroyed: the game's globals are destroyed
// after main returns, in an order across files that nobody controls, and a
// destructor that still reads a clock must find the slot intact. Windows and
// devices hold their own shared_ptr to the backend they were made with.
std::shared_ptr<Backend>& Slot() {
    static auto* installed = new std::shared_ptr<Backend>();
    return *installed;
}

int64_t ClockNanoseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

int64_t Backend::CounterNanoseconds() { return MonotonicNanoseconds(); }

DWORD Backend::Milliseconds() { return BootMilliseconds(); }

void InstallBackend(std::shared_ptr<Backend> backend) {
    Slot() = std::move(backend);
    ResetWindowSession();
}

std::shared_ptr<Backend> InstalledBackend() { return Slot(); }

int64_t MonotonicNanoseconds() { return ClockNanoseconds(CLOCK_MONOTONIC); }

DWORD BootMilliseconds() {
    // Like the multimedia timer, the count wraps after about 49.7 days.
    return static_cast<DWORD>(static_cast<uint64_t>(ClockNanoseconds(CLOCK_BOOTTIME)) / 1000000u);
}

}  // namespace platform
