// Test support: a window for the library to take over (SDL's dummy video driver in the test
// environment), as the program's entry point would make it.
#pragma once

#include <cstdlib>
#include <string>

#include "engine/display/display.h"
#include "platform/window.h"

inline LRESULT test_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// Registers a class and creates the window once per process; sets main_window / main_instance.
inline HWND open_test_window() {
    if (main_window != nullptr)
        return main_window;
    WNDCLASS window_class{};
    window_class.lpfnWndProc = test_window_proc;
    window_class.lpszClassName = "TESTCLASS";
    RegisterClassA(&window_class);
    main_instance = GetModuleHandleA(nullptr);
    main_window = CreateWindowExA(0, "TESTCLASS", "test", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48,
                                  nullptr, nullptr, main_instance, nullptr);
    return main_window;
}

// Where tests may write pictures and files meant to be looked at afterwards.
inline std::string test_output_dir() {
    const char *dir = std::getenv("DW_BINARY_DIR");
    return std::string(dir != nullptr ? dir : ".") + "/test-output";
}
