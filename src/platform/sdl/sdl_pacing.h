// Frame pacing for displays whose presentation does not wait for the
// retrace: sleeps out the rest of each refresh interval.
#pragma once

#include <cstdint>

namespace platform {

class FramePacer {
public:
    static constexpr int kDefaultRefreshHz = 60;

    // Sets the refresh interval and forgets the previous present.
    void Start(int64_t intervalNs);
    // Forgets the previous present: the next Pace returns at once.
    void Reset() { lastPresentNs_ = 0; }
    // Called right after each present; sleeps until one interval after the
    // previous present unless the present itself already waited that long.
    void Pace();

private:
    int64_t intervalNs_ = 1000000000 / kDefaultRefreshHz;
    int64_t lastPresentNs_ = 0;
};

}  // namespace platform
