#include "platform/sdl/sdl_pacing.h"

#include <time.h>

#include <cerrno>

#include "platform/api/backend.h"

namespace platform {

void FramePacer::Start(int64_t intervalNs) {
    intervalNs_ = intervalNs > 0 ? intervalNs : 1000000000 / kDefaultRefreshHz;
    lastPresentNs_ = 0;
}

// Where presenting does not wait for the display (a virtual server, a
// hidden or minimised window, no vsync), sleep out the rest of the refresh
// interval so the frame loop runs at the display's rate. When the present
// (with the frame's work) already took most of an interval, vsync is doing
// the pacing: sleeping then could miss the next retrace.
void FramePacer::Pace() {
    const int64_t now = MonotonicNanoseconds();
    if (lastPresentNs_ == 0 || now - lastPresentNs_ >= intervalNs_ * 9 / 10) {
        lastPresentNs_ = now;
        return;
    }
    const int64_t target = lastPresentNs_ + intervalNs_;
    timespec until{};
    until.tv_sec = static_cast<time_t>(target / 1000000000);
    until.tv_nsec = static_cast<long>(target % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
    // Count the next interval from the planned wake-up, so the sleep's small
    // overshoot does not add up to a lower rate; after a long stall start
    // afresh instead of hurrying to catch up.
    const int64_t woke = MonotonicNanoseconds();
    lastPresentNs_ = (woke - target < intervalNs_ / 4) ? target : woke;
}

}  // namespace platform
