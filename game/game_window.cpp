// The game's window class and window.
#include "game/game_window.h"

#include "engine/display/display.h"

LRESULT window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

HWND open_game_window(HINSTANCE instance, std::string *why) {
    WNDCLASS window_class{};
    window_class.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = "WINXCLASS";
    if (RegisterClassA(&window_class) == 0) {
        *why = "cannot register the window class";
        return nullptr;
    }
    HWND window = CreateWindowExA(0, "WINXCLASS", "Dirtwhirl v1.0", WS_POPUP | WS_VISIBLE, 0, 0, 64,
                                  48, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        *why = std::string("cannot open the game window: ") + window_last_error();
        return nullptr;
    }
    main_window = window;
    main_instance = instance;
    return window;
}
