// Finds which pages of a block of memory are written while it is handed
// out, without reading the block: its pages are made read-only, and the
// first write to each one takes a fault that notes the page and makes it
// writable again. A surface locked whole over a known picture (the health
// bar writes a few rows of the back buffer) then needs comparing only on
// those pages instead of on all of them.
//
// One watch runs at a time in the process, on the thread that writes. The
// fault handler is installed on the first Start and passes every fault
// that is not a watched write on to the handler that was there before (or
// to the default action, which ends the process as the fault would have).
// Where watching is not possible (not Linux, a debugger attached, which
// would stop at every such fault, the protection refused), Start says so
// and the caller compares instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {

class WriteWatch {
public:
    WriteWatch() = default;
    // Stops a watch still running.
    ~WriteWatch();
    WriteWatch(const WriteWatch&) = delete;
    WriteWatch& operator=(const WriteWatch&) = delete;

    // A run of bytes of the watched block, from its start.
    struct Span {
        size_t offset;
        size_t bytes;
    };

    // Starts watching the whole pages inside [block, block + bytes); the
    // caller keeps the block alive and calls Stop before anything else
    // uses the memory. Returns false, with nothing watched, where that is
    // not possible (see above) or while another watch runs.
    bool Start(void* block, size_t bytes);
    // Ends the watch: the block is writable again. Returns the bytes that
    // may have been written, in order: the pages written, and the parts of
    // the block not on a whole page of its own (never watched). Nothing
    // when no watch runs. Valid until the next Start.
    const std::vector<Span>& Stop();
    bool Watching() const { return watching_; }

    // How many writes to a watched page faults have let through so far, in
    // the whole process.
    static uint64_t TEST_FaultsTaken();
    // Turns every later Start down (on: false), as where watching is not
    // possible, so that callers' comparing path can be tested here too.
    static void TEST_Allow(bool on);

private:
    bool watching_ = false;
    uintptr_t block_ = 0;
    size_t bytes_ = 0;
    // The whole pages watched: [first_, first_ + pages_ * page size).
    uintptr_t first_ = 0;
    size_t pages_ = 0;
    // One byte per watched page, set by the fault handler.
    std::vector<uint8_t> written_;
    std::vector<Span> spans_;
};

// Whether a /proc/PID/status text names a tracer (a debugger, strace).
bool StatusNamesTracer(std::string_view status);
// Whether this process has a tracer now (false where that cannot be told).
bool ProcessIsTraced();

}  // namespace platform
