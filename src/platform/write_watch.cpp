#include "platform/write_watch.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#define V3_WRITE_WATCH 1
#endif

namespace platform {

bool StatusNamesTracer(std::string_view status) {
    constexpr std::string_view kField = "TracerPid:";
    size_t at = 0;
    while (at < status.size()) {
        const size_t end = std::min(status.find('\n', at), status.size());
        const std::string_view line = status.substr(at, end - at);
        if (line.substr(0, kField.size()) == kField) {
            // Any digit other than a lone 0 is a tracer's process id.
            for (char c : line.substr(kField.size())) {
                if (c >= '1' && c <= '9') return true;
            }
            return false;
        }
        at = end + 1;
    }
    return false;
}

namespace {

std::atomic<bool> allowed{true};
std::atomic<uint64_t> faultsTaken{0};

}  // namespace

uint64_t WriteWatch::TEST_FaultsTaken() { return faultsTaken.load(); }
void WriteWatch::TEST_Allow(bool on) { allowed.store(on); }

#if defined(V3_WRITE_WATCH)
namespace {

// What the fault handler needs of the watch running: plain words, set
// before the pages are protected and read on the same thread.
struct Watched {
    std::atomic<uintptr_t> first{0};
    std::atomic<size_t> pages{0};
    // Null while the pages are only to be opened, not noted (see Stop).
    std::atomic<uint8_t*> written{nullptr};
    // The handler could not open one page and opened the whole block.
    std::atomic<bool> allOpened{false};
};
Watched watched;
size_t pageBytes = 0;
struct sigaction previous;
bool installed = false;
// Set while a fault is passed on, so that a handler before ours that
// passes it back does not go round in a circle.
volatile sig_atomic_t passing = 0;

void PassOn(int signal, siginfo_t* info, void* context) {
    if (passing == 0 && (previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
        passing = 1;
        previous.sa_sigaction(signal, info, context);
        passing = 0;
        return;
    }
    if (passing == 0 && (previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler != SIG_DFL &&
        previous.sa_handler != SIG_IGN) {
        passing = 1;
        previous.sa_handler(signal);
        passing = 0;
        return;
    }
    // The default action: on return the instruction faults again and the
    // process ends as it would have without us (with a core, if enabled).
    struct sigaction fallback;
    std::memset(&fallback, 0, sizeof fallback);
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
}

void OnFault(int signal, siginfo_t* info, void* context) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
    const uintptr_t first = watched.first.load(std::memory_order_relaxed);
    const size_t pages = watched.pages.load(std::memory_order_relaxed);
    if (info->si_code == SEGV_ACCERR && pages != 0 && at >= first && at - first < pages * pageBytes) {
        const size_t page = (at - first) / pageBytes;
        if (mprotect(reinterpret_cast<void*>(first + page * pageBytes), pageBytes, PROT_READ | PROT_WRITE) == 0) {
            if (uint8_t* written = watched.written.load(std::memory_order_relaxed)) written[page] = 1;
            faultsTaken.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        // One page would not open (no memory for the kernel's split of the
        // mapping): open them all, and all count as written.
        if (mprotect(reinterpret_cast<void*>(first), pages * pageBytes, PROT_READ | PROT_WRITE) == 0) {
            watched.allOpened.store(true, std::memory_order_relaxed);
            faultsTaken.fetch_add(1, std::memory_order_relaxed);
            return;
        }
    }
    PassOn(signal, info, context);
}

// Our handler in place, in front of whoever had the signal; false when
// that is not possible or someone has taken the signal over since.
bool HandlerInPlace() {
    struct sigaction current;
    if (sigaction(SIGSEGV, nullptr, &current) != 0) return false;
    if (installed) return (current.sa_flags & SA_SIGINFO) != 0 && current.sa_sigaction == OnFault;
    struct sigaction ours;
    std::memset(&ours, 0, sizeof ours);
    ours.sa_sigaction = OnFault;
    // On the alternate stack where there is one (the sanitizers keep one).
    ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&ours.sa_mask);
    previous = current;
    if (sigaction(SIGSEGV, &ours, nullptr) != 0) return false;
    installed = true;
    return true;
}

}  // namespace

bool ProcessIsTraced() {
    const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[4096];
    size_t length = 0;
    for (;;) {
        const ssize_t n = read(fd, text + length, sizeof text - length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        length += static_cast<size_t>(n);
        if (length == sizeof text) break;
    }
    close(fd);
    return StatusNamesTracer(std::string_view(text, length));
}

bool WriteWatch::Start(void* block, size_t bytes) {
    if (watching_ || block == nullptr || !allowed.load()) return false;
    // Another watch running, or one whose pages could not all be opened.
    if (watched.pages.load(std::memory_order_relaxed) != 0) return false;
    if (pageBytes == 0) {
        const long page = sysconf(_SC_PAGESIZE);
        if (page <= 0) return false;
        pageBytes = static_cast<size_t>(page);
    }
    const uintptr_t begin = reinterpret_cast<uintptr_t>(block);
    const uintptr_t first = (begin + pageBytes - 1) / pageBytes * pageBytes;
    const uintptr_t end = (begin + bytes) / pageBytes * pageBytes;
    if (end <= first) return false;
    // A debugger stops at every fault the watch takes; under one, compare.
    if (!HandlerInPlace() || ProcessIsTraced()) return false;

    block_ = begin;
    bytes_ = bytes;
    first_ = first;
    pages_ = (end - first) / pageBytes;
    written_.assign(pages_, 0);
    watched.first.store(first, std::memory_order_relaxed);
    watched.written.store(written_.data(), std::memory_order_relaxed);
    watched.allOpened.store(false, std::memory_order_relaxed);
    watched.pages.store(pages_, std::memory_order_relaxed);
    // The handler must see the watch before any write can fault.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (mprotect(reinterpret_cast<void*>(first_), pages_ * pageBytes, PROT_READ) != 0) {
        watched.pages.store(0, std::memory_order_relaxed);
        watched.written.store(nullptr, std::memory_order_relaxed);
        return false;
    }
    watching_ = true;
    return true;
}

const std::vector<WriteWatch::Span>& WriteWatch::Stop() {
    spans_.clear();
    if (!watching_) return spans_;
    watching_ = false;
    const bool opened = mprotect(reinterpret_cast<void*>(first_), pages_ * pageBytes, PROT_READ | PROT_WRITE) == 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    const bool all = !opened || watched.allOpened.load(std::memory_order_relaxed);
    if (opened) {
        watched.pages.store(0, std::memory_order_relaxed);
    }
    // Left in place when the pages could not be opened (which the kernel
    // does not refuse for a range it protected whole): the handler then
    // opens each page at its first write, noting nothing, and no later
    // watch starts.
    watched.written.store(nullptr, std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);

    if (all) {
        spans_.push_back({0, bytes_});
        return spans_;
    }
    const size_t head = first_ - block_;
    if (head > 0) spans_.push_back({0, head});
    for (size_t page = 0; page < pages_;) {
        if (written_[page] == 0) {
            ++page;
            continue;
        }
        size_t end = page;
        while (end < pages_ && written_[end] != 0) ++end;
        const size_t offset = head + page * pageBytes;
        // Pages that follow on from the head join it.
        if (!spans_.empty() && spans_.back().offset + spans_.back().bytes == offset) {
            spans_.back().bytes += (end - page) * pageBytes;
        } else {
            spans_.push_back({offset, (end - page) * pageBytes});
        }
        page = end;
    }
    const size_t tail = head + pages_ * pageBytes;
    if (tail < bytes_) {
        if (!spans_.empty() && spans_.back().offset + spans_.back().bytes == tail) {
            spans_.back().bytes = bytes_ - spans_.back().offset;
        } else {
            spans_.push_back({tail, bytes_ - tail});
        }
    }
    return spans_;
}

#else

bool ProcessIsTraced() { return false; }

bool WriteWatch::Start(void* /*block*/, size_t /*bytes*/) { return false; }
const std::vector<WriteWatch::Span>& WriteWatch::Stop() {
    spans_.clear();
    return spans_;
}

#endif

WriteWatch::~WriteWatch() {
    if (watching_) Stop();
}

}  // namespace platform
