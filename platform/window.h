// The window layer: one window class, one window, a message queue with the quit message, key
// state by virtual-key code, the cursor and the millisecond tick count. Built on SDL2 events and
// an SDL window; the display layer turns the window into the full-screen display.
#pragma once

#include "platform/types.h"

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct IconRecord;
struct CursorRecord;
struct BrushRecord;
using HICON = IconRecord *;
using HCURSOR = CursorRecord *;
using HBRUSH = BrushRecord *;
using HGDIOBJ = void *;
using HMENU = void *;
using HDC = struct DeviceContext *;

struct WNDCLASS {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};

// Class styles.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_OWNDC = 0x0020;

// Window styles.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;

// Messages.
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Virtual-key codes.
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;

// Stock objects and standard resources.
constexpr int BLACK_BRUSH = 4;
#define IDI_APPLICATION reinterpret_cast<LPCSTR>(32512)
#define IDC_ARROW reinterpret_cast<LPCSTR>(32512)

// The instance handle of this process.
HINSTANCE GetModuleHandleA(LPCSTR name);

HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HGDIOBJ GetStockObject(int object);

// Registers a window class; 0 on failure (a class of that name exists, or no procedure or name).
WORD RegisterClassA(const WNDCLASS *window_class);

// Creates the window (the window system is started on first use). Null when the class is unknown
// or no display can be opened; the window procedure receives WM_CREATE before this returns.
HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void *param);

// Why the last CreateWindowExA failed, in words, for the program's own message.
const char *window_last_error();

// The window's title bar; FALSE for a window that is not open.
BOOL SetWindowTextA(HWND window, LPCSTR text);

BOOL DestroyWindow(HWND window);

BOOL PeekMessageA(MSG *msg, HWND window, UINT filter_min, UINT filter_max, UINT remove);
BOOL TranslateMessage(const MSG *msg);
LRESULT DispatchMessageA(const MSG *msg);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(int exit_code);

HDC BeginPaint(HWND window, PAINTSTRUCT *paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT *paint);

// Bit 0x8000 of the result is set while the key is down.
std::int16_t GetAsyncKeyState(int virtual_key);

// Decrements (FALSE) or increments (TRUE) the display counter; the cursor shows while it is >= 0.
int ShowCursor(BOOL show);

// Milliseconds since the window system started; an unsigned 32-bit count that wraps.
DWORD GetTickCount();

// Suspends the thread until the tick count has moved on by ms, at the very turn of that tick (a
// dirty screen that comes due for its refresh meanwhile is shown on time). On the virtual clock it
// returns at once: tests advance the ticks.
void Sleep(DWORD ms);

// A timed demo, which runs frames as fast as the machine can: while on, the tick count no longer
// follows the wall clock but moves on by one millisecond at every read, from the time it was
// turned on, so a wait on it ends after as many reads as it waits milliseconds and Sleep returns at
// once; and flips are not held back to the display's refresh. Off, the tick count is the wall clock
// again.
void tick_count_unpaced(bool on);

// Frames raced again after a correction: while on, a flip shows nothing and does not wait for the
// display, a sound buffer is neither rewound nor started, and the tick count is counted as in a
// timed demo, so a frame's wait ends at once; everything else (surfaces, locks, drawing) works
// as ever. Off, the clock is what it was before.
void silent_frames(bool on);
