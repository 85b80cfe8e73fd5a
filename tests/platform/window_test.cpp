// The window layer: the message queue and its quit message, keys through the SDL event path,
// Alt+Enter, focus loss, the close request and the cursor.
#include <gtest/gtest.h>

#include <SDL.h>

#include <vector>

#include "platform/events.h"
#include "platform/testing.h"
#include "tests/support/headless.h"

namespace {

std::vector<UINT> seen;

LRESULT recording_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    seen.push_back(message);
    if (message == WM_DESTROY) {
        PostQuitMessage(7);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// One window per process (each test normally runs in a process of its own).
HWND make_window() {
    static HWND window = [] {
        WNDCLASS window_class{};
        window_class.lpfnWndProc = recording_proc;
        window_class.lpszClassName = "RECORDING";
        RegisterClassA(&window_class);
        return CreateWindowExA(0, "RECORDING", "t", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    }();
    EXPECT_NE(window, nullptr);
    return window;
}

bool down(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

} // namespace

TEST(Window, ClassesAreRegisteredOnceAndWindowsNeedOne) {
    WNDCLASS window_class{};
    window_class.lpfnWndProc = recording_proc;
    window_class.lpszClassName = "ONCE";
    EXPECT_NE(RegisterClassA(&window_class), 0);
    EXPECT_EQ(RegisterClassA(&window_class), 0);
    window_class.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassA(&window_class), 0);
    EXPECT_EQ(CreateWindowExA(0, "NOSUCHCLASS", "t", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    HWND window = make_window();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), WM_CREATE);
    EXPECT_NE(platform::sdl_window(window), nullptr);
}

TEST(Window, QuitComesOutOnlyWhenNoOtherMessageWaits) {
    HWND window = make_window();
    MSG msg;
    PostMessageA(window, WM_DESTROY, 0, 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_DESTROY);
    DispatchMessageA(&msg); // posts the quit message with 7
    PostMessageA(window, WM_DESTROY, 0, 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_DESTROY);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(Window, TheQueueIsBoundedAndRefusesWhenFull) {
    HWND window = make_window();
    int posted = 0;
    while (PostMessageA(window, WM_PAINT, 0, 0) && posted < 100000)
        ++posted;
    EXPECT_GT(posted, 100);
    EXPECT_LT(posted, 100000);
    MSG msg;
    int taken = 0;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ++taken;
    EXPECT_EQ(taken, posted);
}

TEST(Window, ADestroyedWindowsWaitingMessagesGoWithIt) {
    HWND kept = make_window();
    HWND destroyed = CreateWindowExA(0, "RECORDING", "second", WS_POPUP, 0, 0, 64, 48, nullptr,
                                     nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(destroyed, nullptr);
    PostMessageA(destroyed, WM_PAINT, 1, 0);
    PostMessageA(kept, WM_PAINT, 2, 0);
    PostMessageA(destroyed, WM_PAINT, 3, 0);
    DestroyWindow(destroyed);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, kept);
    EXPECT_EQ(msg.wParam, 2u);
    // What remains is the quit message that the destroyed window's procedure posted.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(Window, InjectedKeysReachTheAsynchronousKeyState) {
    make_window();
    EXPECT_FALSE(down(VK_RETURN));
    testing_key(SDL_SCANCODE_RETURN, true);
    testing_key(SDL_SCANCODE_Q, true);
    testing_key(SDL_SCANCODE_LEFT, true);
    EXPECT_TRUE(down(VK_RETURN));
    EXPECT_TRUE(down('Q'));
    EXPECT_TRUE(down(VK_LEFT));
    EXPECT_FALSE(down(VK_SPACE));
    EXPECT_EQ(platform::take_scancode_state()[SDL_SCANCODE_Q], 1);
    testing_key(SDL_SCANCODE_RETURN, false);
    EXPECT_FALSE(down(VK_RETURN));
    EXPECT_TRUE(down('Q'));
    // Losing the focus releases every key.
    testing_focus_lost();
    EXPECT_FALSE(down('Q'));
    EXPECT_FALSE(down(VK_LEFT));
    EXPECT_EQ(platform::take_scancode_state()[SDL_SCANCODE_Q], 0);
}

TEST(Window, TheEnterOfAltEnterNeverReachesTheGame) {
    make_window();
    testing_key(SDL_SCANCODE_LALT, true);
    testing_key(SDL_SCANCODE_RETURN, true, true);
    EXPECT_FALSE(down(VK_RETURN));
    EXPECT_EQ(platform::take_scancode_state()[SDL_SCANCODE_RETURN], 0);
    testing_key(SDL_SCANCODE_LALT, false);
    EXPECT_FALSE(down(VK_RETURN)); // still held, but it began as Alt+Enter
    testing_key(SDL_SCANCODE_RETURN, false);
    testing_key(SDL_SCANCODE_RETURN, true);
    EXPECT_TRUE(down(VK_RETURN));
}

TEST(Window, CloseRequestBecomesTheDestroyAndQuitMessagesAndLetsScreensThrough) {
    HWND window = make_window();
    seen.clear();
    testing_close_window();
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CLOSE);
    EXPECT_EQ(msg.hwnd, window);
    DispatchMessageA(&msg);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_TRUE(platform::close_requested());
    EXPECT_TRUE(down(VK_RETURN));
    EXPECT_TRUE(down(VK_SPACE));
    EXPECT_TRUE(down('Q'));
    EXPECT_FALSE(down(VK_ESCAPE));
}

TEST(Window, TickCountIsVirtualWhenTestsSayAndWraps) {
    testing_use_virtual_clock(0xFFFFFFF0u, 0);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    testing_advance_ticks(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    testing_use_virtual_clock(100, 5);
    EXPECT_EQ(GetTickCount(), 100u);
    EXPECT_EQ(GetTickCount(), 105u);
    testing_use_real_clock();
    const DWORD a = GetTickCount();
    SDL_Delay(5);
    EXPECT_GE(GetTickCount() - a, 5u);
}

TEST(Window, CursorCounterShowsFromZeroUp) {
    make_window();
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}
