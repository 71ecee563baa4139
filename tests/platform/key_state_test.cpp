#include <gtest/gtest.h>

#include "platform/api/win32.h"
#include "platform/headless/headless_backend.h"

namespace {

class KeyState : public ::testing::Test {
protected:
    void SetUp() override { backend = platform::InstallHeadlessBackend(); }
    std::shared_ptr<platform::HeadlessBackend> backend;
};

TEST_F(KeyState, HeldKeyReadsDownOnEveryQuery) {
    backend->SetKeyHeld(VK_LEFT, true);
    EXPECT_NE(GetAsyncKeyState(VK_LEFT), 0);
    EXPECT_LT(GetAsyncKeyState(VK_LEFT), 0);  // the top bit: down now
    EXPECT_NE(GetAsyncKeyState(VK_LEFT), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_RIGHT), 0);
    backend->SetKeyHeld(VK_LEFT, false);
    EXPECT_EQ(GetAsyncKeyState(VK_LEFT), 0);
}

TEST_F(KeyState, PressAndReleaseBetweenQueriesCountsOnce) {
    backend->SetKeyHeld(VK_SPACE, true);
    backend->SetKeyHeld(VK_SPACE, false);
    EXPECT_EQ(GetAsyncKeyState(VK_SPACE), 1);
    EXPECT_EQ(GetAsyncKeyState(VK_SPACE), 0);
}

TEST_F(KeyState, QueryClearsOnlyTheQueriedKey) {
    backend->SetKeyHeld(VK_UP, true);
    backend->SetKeyHeld(VK_UP, false);
    backend->SetKeyHeld(VK_DOWN, true);
    backend->SetKeyHeld(VK_DOWN, false);
    EXPECT_NE(GetAsyncKeyState(VK_UP), 0);
    EXPECT_NE(GetAsyncKeyState(VK_DOWN), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_UP), 0);
}

TEST_F(KeyState, QueuedKeyDownCountsAsOnePress) {
    backend->QueueKeyDown(VK_SPACE);
    EXPECT_NE(GetAsyncKeyState(VK_SPACE), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_SPACE), 0);
}

TEST_F(KeyState, OutOfRangeKeysReadUp) {
    backend->SetKeyHeld(-1, true);
    backend->SetKeyHeld(256, true);
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
    EXPECT_EQ(GetAsyncKeyState(256), 0);
}

TEST(KeyStateWithoutBackend, ReadsUp) {
    platform::InstallBackend(nullptr);
    EXPECT_EQ(GetAsyncKeyState(VK_SPACE), 0);
}

TEST(Clocks, PerformanceCounterIsNanosecondsAndMonotonic) {
    platform::InstallHeadlessBackend();
    LARGE_INTEGER frequency{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1000000000);
    LARGE_INTEGER first{}, second{};
    ASSERT_TRUE(QueryPerformanceCounter(&first));
    ASSERT_TRUE(QueryPerformanceCounter(&second));
    EXPECT_GE(second.QuadPart, first.QuadPart);
    EXPECT_GT(first.QuadPart, 0);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

TEST(Clocks, HeadlessCounterCanBeDriven) {
    auto backend = platform::InstallHeadlessBackend();
    backend->SetCounter(5000);
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    EXPECT_EQ(counter.QuadPart, 5000);
    backend->AdvanceCounter(1000000000 / 60);
    QueryPerformanceCounter(&counter);
    EXPECT_EQ(counter.QuadPart, 5000 + 1000000000 / 60);
}

TEST(Clocks, TimeGetTimeFollowsBootTimeOrTheDrivenValue) {
    auto backend = platform::InstallHeadlessBackend();
    const DWORD before = platform::BootMilliseconds();
    const DWORD now = timeGetTime();
    EXPECT_GE(now, before);
    EXPECT_LE(now - before, 1000u);
    backend->SetMilliseconds(123456);
    EXPECT_EQ(timeGetTime(), 123456u);
}

}  // namespace
