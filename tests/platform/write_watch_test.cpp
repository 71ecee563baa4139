#include "platform/write_watch.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

using platform::WriteWatch;
using Spans = std::vector<std::pair<size_t, size_t>>;

const size_t kPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));

// Eight pages of their own, mapped for each test.
class Watch : public ::testing::Test {
protected:
    void SetUp() override {
        if (platform::ProcessIsTraced()) GTEST_SKIP() << "run under a debugger, where the watch is off";
        void* mapped = mmap(nullptr, 8 * kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(mapped, MAP_FAILED);
        block = static_cast<unsigned char*>(mapped);
        std::memset(block, 0x11, 8 * kPage);
    }
    void TearDown() override { munmap(block, 8 * kPage); }

    static Spans AsPairs(const std::vector<WriteWatch::Span>& spans) {
        Spans pairs;
        for (const WriteWatch::Span& s : spans) pairs.emplace_back(s.offset, s.bytes);
        return pairs;
    }

    unsigned char* block = nullptr;
};

TEST_F(Watch, ReportsExactlyThePagesWrittenJoinedIntoRuns) {
    struct Case {
        const char* name;
        std::vector<size_t> writes;  // byte offsets, each written once
        Spans spans;
    };
    const Case cases[] = {
        {"nothing written", {}, {}},
        {"one byte", {2 * kPage + 5}, {{2 * kPage, kPage}}},
        {"the first and the last byte", {0, 8 * kPage - 1}, {{0, kPage}, {7 * kPage, kPage}}},
        {"neighbouring pages make one run", {3 * kPage, 4 * kPage + 100, 5 * kPage - 1}, {{3 * kPage, 2 * kPage}}},
        {"a page written many times", {kPage, kPage + 1, kPage + 2}, {{kPage, kPage}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWatch watch;
        ASSERT_TRUE(watch.Start(block, 8 * kPage));
        for (size_t at : c.writes) block[at] = 0x22;
        EXPECT_EQ(AsPairs(watch.Stop()), c.spans);
        for (size_t at : c.writes) EXPECT_EQ(block[at], 0x22);
    }
}

TEST_F(Watch, ReadsDoNotCountAndWritesAfterStopTakeNoFault) {
    WriteWatch watch;
    ASSERT_TRUE(watch.Start(block, 8 * kPage));
    unsigned sum = 0;
    for (size_t i = 0; i < 8 * kPage; ++i) sum += block[i];
    EXPECT_EQ(sum, 0x11u * 8 * kPage);
    EXPECT_TRUE(AsPairs(watch.Stop()).empty());
    const uint64_t faults = WriteWatch::TEST_FaultsTaken();
    std::memset(block, 0x33, 8 * kPage);
    EXPECT_EQ(WriteWatch::TEST_FaultsTaken(), faults);
    EXPECT_FALSE(watch.Watching());
}

TEST_F(Watch, AStoreAcrossAPageEdgeCountsForBothPages) {
    WriteWatch watch;
    ASSERT_TRUE(watch.Start(block, 8 * kPage));
    const uint64_t value = 0x0123456789ABCDEFull;
    std::memcpy(block + 2 * kPage - 4, &value, sizeof value);
    EXPECT_EQ(AsPairs(watch.Stop()), (Spans{{kPage, 2 * kPage}}));
    uint64_t back = 0;
    std::memcpy(&back, block + 2 * kPage - 4, sizeof back);
    EXPECT_EQ(back, value);
}

TEST_F(Watch, PartsOfTheBlockOffWholePagesAlwaysCount) {
    // The block starts 100 bytes into the first page and ends 100 bytes
    // short of the end of the sixth: pages 1 to 4 are its whole pages.
    unsigned char* start = block + 100;
    const size_t bytes = 6 * kPage - 200;
    const size_t head = kPage - 100;
    struct Case {
        const char* name;
        std::vector<size_t> writes;  // offsets into the block
        Spans spans;
    };
    const size_t tail = head + 4 * kPage;  // where the tail starts
    const Case cases[] = {
        {"nothing written", {}, {{0, head}, {tail, bytes - tail}}},
        {"a middle page", {head + 2 * kPage}, {{0, head}, {head + 2 * kPage, kPage}, {tail, bytes - tail}}},
        {"the whole pages next to head and tail join them",
         {head, tail - 1},
         {{0, head + kPage}, {tail - kPage, bytes - tail + kPage}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWatch watch;
        ASSERT_TRUE(watch.Start(start, bytes));
        for (size_t at : c.writes) start[at] = 0x44;
        EXPECT_EQ(AsPairs(watch.Stop()), c.spans);
    }
    // Writing just outside the block, in its first and last page, is fine.
    block[0] = 1;
    block[6 * kPage - 1] = 1;
}

TEST_F(Watch, DeclinesWhatItCannotWatch) {
    WriteWatch watch;
    EXPECT_FALSE(watch.Start(nullptr, 8 * kPage));
    EXPECT_FALSE(watch.Start(block + 1, kPage)) << "no whole page inside";
    EXPECT_FALSE(watch.Start(block, kPage - 1));
    EXPECT_TRUE(watch.Stop().empty()) << "Stop without a watch";

    // One watch at a time.
    ASSERT_TRUE(watch.Start(block, 4 * kPage));
    WriteWatch other;
    EXPECT_FALSE(other.Start(block + 4 * kPage, 4 * kPage));
    EXPECT_FALSE(watch.Start(block, 4 * kPage));
    watch.Stop();
    EXPECT_TRUE(other.Start(block + 4 * kPage, 4 * kPage));
    other.Stop();

    WriteWatch::TEST_Allow(false);
    EXPECT_FALSE(watch.Start(block, 8 * kPage));
    WriteWatch::TEST_Allow(true);
    EXPECT_TRUE(watch.Start(block, 8 * kPage));
    watch.Stop();
}

TEST_F(Watch, EndsWithItsOwner) {
    {
        WriteWatch watch;
        ASSERT_TRUE(watch.Start(block, 8 * kPage));
        block[kPage] = 0x55;
    }
    const uint64_t faults = WriteWatch::TEST_FaultsTaken();
    std::memset(block, 0x66, 8 * kPage);
    EXPECT_EQ(WriteWatch::TEST_FaultsTaken(), faults);
    WriteWatch next;
    EXPECT_TRUE(next.Start(block, 8 * kPage));
    next.Stop();
}

TEST_F(Watch, DeclinesOnceSomeoneElseTookTheSignal) {
    WriteWatch watch;
    ASSERT_TRUE(watch.Start(block, 8 * kPage));
    watch.Stop();
    struct sigaction theirs {}, ours{};
    theirs.sa_handler = [](int) {};
    sigemptyset(&theirs.sa_mask);
    ASSERT_EQ(sigaction(SIGSEGV, &theirs, &ours), 0);
    EXPECT_FALSE(watch.Start(block, 8 * kPage));
    ASSERT_EQ(sigaction(SIGSEGV, &ours, nullptr), 0);
    EXPECT_TRUE(watch.Start(block, 8 * kPage));
    watch.Stop();
}

// A real fault outside the watch, while one runs, goes where it would have
// gone without it: the default action, or in the sanitizer build the
// sanitizer's report, which then exits or aborts (abort_on_error).
bool DiedOfTheFault(int status) {
#if defined(__SANITIZE_ADDRESS__)
    if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGSEGV || WTERMSIG(status) == SIGABRT;
    return WIFEXITED(status) && WEXITSTATUS(status) != 0;
#else
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV;
#endif
}

TEST_F(Watch, AFaultElsewhereEndsTheProcessAsBefore) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            WriteWatch watch;
            if (!watch.Start(block, 4 * kPage)) _exit(0);
            mprotect(block + 4 * kPage, kPage, PROT_READ);
            *static_cast<volatile unsigned char*>(block + 4 * kPage) = 1;
            _exit(0);
        },
        DiedOfTheFault, "");
}

void Theirs(int, siginfo_t*, void*) {
    static const char text[] = "passed on\n";
    [[maybe_unused]] ssize_t n = write(2, text, sizeof text - 1);
    _exit(3);
}

TEST_F(Watch, AFaultElsewhereGoesToTheHandlerThatWasThere) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // A fresh process: their handler comes before the watch's.
            struct sigaction theirs {};
            theirs.sa_sigaction = Theirs;
            theirs.sa_flags = SA_SIGINFO;
            sigemptyset(&theirs.sa_mask);
            sigaction(SIGSEGV, &theirs, nullptr);
            WriteWatch watch;
            if (!watch.Start(block, 4 * kPage)) _exit(0);
            block[0] = 7;  // the watch's own: no report
            mprotect(block + 4 * kPage, kPage, PROT_READ);
            *static_cast<volatile unsigned char*>(block + 4 * kPage) = 1;
            _exit(0);
        },
        ::testing::ExitedWithCode(3), "^passed on\n$");
}

TEST_F(Watch, DeclinesUnderADebugger) {
    // A child traced by this process, as a debugger traces the game.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(2);
        WriteWatch watch;
        _exit(watch.Start(block, 8 * kPage) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "this system allows no tracing";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "watched under a tracer";
}

TEST(ProcStatus, NamesATracerOnlyWhenItsIdIsNotZero) {
    struct Case {
        const char* text;
        bool traced;
    };
    const Case cases[] = {
        {"Name:\tvantora3\nState:\tR (running)\nTracerPid:\t0\nUid:\t0\n", false},
        {"Name:\tvantora3\nTracerPid:\t4321\nUid:\t0\n", true},
        {"TracerPid:\t10", true},
        {"Name:\tvantora3\nUid:\t0\n", false},
        {"", false},
        {"NotTracerPid:\t12\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(platform::StatusNamesTracer(c.text), c.traced);
    }
}

}  // namespace
