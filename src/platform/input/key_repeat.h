// Auto-repeat of held keys as a keyboard does it: a first repeat after a
// delay, then a steady rate while the key stays down.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

class KeyRepeat {
public:
    static constexpr int64_t kDelayNs = 500'000'000;            // half a second to the first repeat
    static constexpr int64_t kIntervalNs = 1'000'000'000 / 30;  // then 30 a second

    // The key went down at nowNs: its first repeat falls due after the delay.
    void Press(int virtualKey, int64_t nowNs);
    // The key is up: no more repeats of it.
    void Release(int virtualKey);
    // No key repeats any more.
    void ReleaseAll();
    // Appends every key whose repeat is due by nowNs, each at most once.
    void Due(int64_t nowNs, std::vector<int>* keys);
    // Whether the key is held for repeating.
    bool IsHeld(int virtualKey) const;

private:
    struct Held {
        int virtualKey;
        int64_t nextNs;
    };
    std::vector<Held> held_;
};

}  // namespace platform
