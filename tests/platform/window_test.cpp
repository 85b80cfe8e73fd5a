// The window layer: classes, the message queue and its quit message, Alt+Enter, the close
// request, the tick count and the cursor.
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

HWND make_window(const char *title = "t") {
    static const bool registered = [] {
        WNDCLASS window_class{};
        window_class.lpfnWndProc = recording_proc;
        window_class.lpszClassName = "RECORDING";
        return RegisterClassA(&window_class) != 0;
    }();
    EXPECT_TRUE(registered);
    HWND window = CreateWindowExA(0, "RECORDING", title, WS_POPUP | WS_VISIBLE, 0, 0, 64, 48,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(window, nullptr);
    return window;
}

bool down(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

MSG next() {
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    return msg;
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

// A destroyed window's waiting messages go with it; the quit message its procedure posted comes
// out only when no other message waits, also one posted after it.
TEST(Window, TheQuitMessageWaitsForTheMessagesOfWindowsStillThere) {
    HWND kept = make_window(), destroyed = make_window("second");
    PostMessageA(destroyed, WM_PAINT, 1, 0);
    PostMessageA(kept, WM_PAINT, 2, 0);
    PostMessageA(destroyed, WM_PAINT, 3, 0);
    DestroyWindow(destroyed);
    PostMessageA(kept, WM_PAINT, 4, 0);
    for (WPARAM number : {2u, 4u}) {
        const MSG msg = next();
        EXPECT_EQ(msg.hwnd, kept);
        EXPECT_EQ(msg.wParam, number);
    }
    const MSG quit = next();
    EXPECT_EQ(quit.message, WM_QUIT);
    EXPECT_EQ(quit.wParam, 7u);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // The queue is bounded: it refuses when full, and gives back all it took.
    int posted = 0;
    while (PostMessageA(kept, WM_PAINT, 0, 0) && posted < 100000)
        ++posted;
    EXPECT_GT(posted, 100);
    EXPECT_LT(posted, 100000);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        --posted;
    EXPECT_EQ(posted, 0);
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
    EXPECT_EQ(platform::take_scancode_state()[SDL_SCANCODE_RETURN], 1);
}

// The close request is dispatched as WM_CLOSE, then WM_DESTROY and the quit message; the keys
// that let every screen through are then held, Escape not.
TEST(Window, CloseRequestBecomesTheDestroyAndQuitMessagesAndLetsScreensThrough) {
    HWND window = make_window();
    seen.clear();
    testing_close_window();
    MSG msg = next();
    EXPECT_EQ(msg.message, WM_CLOSE);
    EXPECT_EQ(msg.hwnd, window);
    DispatchMessageA(&msg);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(next().message, WM_QUIT);
    EXPECT_TRUE(platform::close_requested());
    for (int vk : {VK_RETURN, VK_SPACE, int('Q')})
        EXPECT_TRUE(down(vk)) << vk;
    EXPECT_FALSE(down(VK_ESCAPE));
}

TEST(Window, CursorCounterShowsFromZeroUp) {
    make_window();
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}
