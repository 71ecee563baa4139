#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/api/win32.h"
#include "platform/headless/headless_backend.h"

namespace {

struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
};

// What the recording window procedure saw, in order.
std::vector<Seen> seen;
// Set by the procedure: whether DestroyWindow had returned when WM_DESTROY came.
bool destroyReturned = false;

LRESULT RecordProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back({window, message, wParam});
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class MessageLoop : public ::testing::Test {
protected:
    void SetUp() override {
        seen.clear();
        destroyReturned = false;
        backend = platform::InstallHeadlessBackend();
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = RecordProc;
        wc.lpszClassName = "WindowClass";
        ASSERT_NE(RegisterClassExA(&wc), 0);
    }

    HWND Create() {
        return CreateWindowExA(0, "WindowClass", "Vantora3", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024, 768, nullptr,
                               nullptr, nullptr, nullptr);
    }

    // Runs the game's loop shape until WM_QUIT; returns the messages taken and
    // the number of idle turns (where a frame would run), at most maxIdle.
    int RunLoop(std::vector<UINT>* taken, int maxIdle) {
        MSG msg{};
        int idle = 0;
        while (msg.message != WM_QUIT && idle < maxIdle) {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                taken->push_back(msg.message);
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            } else {
                ++idle;
            }
        }
        return idle;
    }

    std::vector<UINT> Messages() const {
        std::vector<UINT> out;
        for (const Seen& s : seen) out.push_back(s.message);
        return out;
    }

    std::shared_ptr<platform::HeadlessBackend> backend;
};

TEST_F(MessageLoop, CreateOpensTheWindowAndSendsCreate) {
    HWND window = Create();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(backend->WindowOpen());
    EXPECT_EQ(backend->WindowTitle(), "Vantora3");
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CREATE}));
}

TEST_F(MessageLoop, CreateFailsWithoutBackendClassOrWhenTheBackendRefuses) {
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 1024, 768, nullptr, nullptr, nullptr, nullptr), nullptr);
    backend->SetFailWindow(true);
    EXPECT_EQ(Create(), nullptr);
    EXPECT_FALSE(backend->WindowOpen());
    platform::InstallBackend(nullptr);
    EXPECT_EQ(Create(), nullptr);
}

TEST_F(MessageLoop, RegisteringAClassTwiceFails) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = RecordProc;
    wc.lpszClassName = "WindowClass";
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    wc.lpfnWndProc = nullptr;
    wc.lpszClassName = "Other";
    EXPECT_EQ(RegisterClassExA(&wc), 0);
}

LRESULT CheckOrderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        seen.push_back({window, message, wParam});
        EXPECT_FALSE(destroyReturned);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(MessageLoop, DestroyWindowSendsDestroyBeforeReturning) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = CheckOrderProc;
    wc.lpszClassName = "Ordered";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND window = CreateWindowExA(0, "Ordered", "t", WS_VISIBLE, 0, 0, 1024, 768, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(DestroyWindow(window));
    destroyReturned = true;
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, WM_DESTROY);
    EXPECT_EQ(seen[0].window, window);
    EXPECT_FALSE(backend->WindowOpen());
    // A dead window cannot be destroyed again, and gets no more messages.
    EXPECT_FALSE(DestroyWindow(window));
    MSG msg{};
    msg.hwnd = window;
    msg.message = WM_KEYDOWN;
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(MessageLoop, PostQuitMessageQueuesQuitWithTheCodeAndNoWindow) {
    ASSERT_NE(Create(), nullptr);
    PostQuitMessage(7);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.hwnd, nullptr);
    // Not dispatched to any procedure.
    seen.clear();
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageLoop, QuitComesAfterMessagesAlreadyWaiting) {
    HWND window = Create();
    ASSERT_NE(window, nullptr);
    backend->QueueKeyDown(VK_UP);
    PostQuitMessage(0);
    std::vector<UINT> taken;
    RunLoop(&taken, 10);
    EXPECT_EQ(taken, (std::vector<UINT>{WM_KEYDOWN, WM_QUIT}));
}

TEST_F(MessageLoop, KeyDownReachesTheProcedureWithItsVirtualKey) {
    HWND window = Create();
    ASSERT_NE(window, nullptr);
    seen.clear();
    backend->QueueKeyDown(VK_F1);
    backend->QueueKeyDown(VK_SPACE);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_F1));
    DispatchMessageA(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(VK_SPACE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageLoop, NoRemoveLeavesTheMessageWaiting) {
    ASSERT_NE(Create(), nullptr);
    backend->QueueKeyDown(VK_DOWN);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_DOWN));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageLoop, DefWindowProcDestroysOnClose) {
    HWND window = Create();
    ASSERT_NE(window, nullptr);
    seen.clear();
    EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_DESTROY}));
    EXPECT_FALSE(backend->WindowOpen());
    EXPECT_EQ(DefWindowProcA(window, WM_KEYDOWN, VK_ESCAPE, 0), 0);
}

TEST_F(MessageLoop, WindowManagerCloseEndsTheLoopWithoutAnotherIdleTurn) {
    HWND window = Create();
    ASSERT_NE(window, nullptr);
    seen.clear();
    backend->RequestClose();
    // Two close requests in one pump (the window's and SDL's quit) close once.
    backend->RequestClose();
    std::vector<UINT> taken;
    const int idle = RunLoop(&taken, 5);
    EXPECT_EQ(idle, 0);
    EXPECT_EQ(taken, (std::vector<UINT>{WM_CLOSE, WM_QUIT}));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(backend->WindowOpen());
}

TEST_F(MessageLoop, DestroyDropsMessagesStillQueuedForTheWindow) {
    HWND window = Create();
    ASSERT_NE(window, nullptr);
    backend->QueueKeyDown(VK_LEFT);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(DestroyWindow(window));
    std::vector<UINT> taken;
    RunLoop(&taken, 3);
    EXPECT_EQ(taken, (std::vector<UINT>{WM_QUIT}));
}

TEST_F(MessageLoop, MessageBoxWritesCaptionAndTextToStderrAndRecordsIt) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Fenster konnte nicht erzeugt werden", "Fehler", MB_OK), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Fehler: Fenster konnte nicht erzeugt werden\n");
    EXPECT_EQ(backend->MessageBoxes(), (std::vector<std::string>{"Fenster konnte nicht erzeugt werden"}));
}

TEST_F(MessageLoop, ShowCursorCountsAndHidesBelowZero) {
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_FALSE(backend->CursorVisible());
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_TRUE(backend->CursorVisible());
}

TEST(StockObjects, AreNonNullAndStable) {
    EXPECT_NE(LoadIconA(nullptr, IDI_WINLOGO), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, IDI_WINLOGO), LoadIconA(nullptr, IDI_WINLOGO));
    EXPECT_NE(static_cast<void*>(LoadIconA(nullptr, IDI_WINLOGO)), static_cast<void*>(LoadCursorA(nullptr, IDC_ARROW)));
}

}  // namespace
