// The input devices through the real SDL event path and SDL's virtual joysticks, and the window:
// its message queue, the close request, Alt+Enter and the cursor.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/additions/controls.h"
#include "platform/input.h"
#include "platform/internal.h"
#include "platform/testing.h"
#include "tests/support/headless.h"

namespace {

std::vector<UINT> seen;

LRESULT recording_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    seen.push_back(message);
    if (message != WM_DESTROY)
        return DefWindowProcA(window, message, wparam, lparam);
    PostQuitMessage(7);
    return 0;
}

HWND make_window() {
    static const bool registered = [] { // once per process
        WNDCLASS window_class{};
        window_class.lpfnWndProc = recording_proc;
        window_class.lpszClassName = "RECORDING";
        return RegisterClassA(&window_class) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExA(0, "RECORDING", "t", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

MSG next() {
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    return msg;
}

bool async_down(int virtual_key) {
    return (GetAsyncKeyState(virtual_key) & 0x8000) != 0;
}

// The keyboard device's view of one key, read straight from the keyboard's state.
int device_down(int dik) {
    BYTE keys[256];
    platform::keyboard_device_read(keys);
    return keys[dik] != 0 ? 1 : 0;
}

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(open_headless_window("test"), nullptr);
        ASSERT_EQ(DirectInputCreateA(main_instance, 0x0500, &object, nullptr), DI_OK);
    }
    void TearDown() override {
        for (IDirectInputDevice *device : devices)
            device->Release();
        for (int pad : pads)
            testing_detach_joystick(pad);
        object->Release();
    }

    IDirectInputDevice2 *create(const GUID &guid, const DIDATAFORMAT &format) {
        IDirectInputDevice *device = nullptr;
        IDirectInputDevice2 *second = nullptr;
        EXPECT_EQ(object->CreateDevice(guid, &device, nullptr), DI_OK);
        EXPECT_EQ(device->SetDataFormat(&format), DI_OK);
        EXPECT_EQ(device->QueryInterface(IID_IDirectInputDevice2A, &second), DI_OK);
        devices.insert(devices.end(), {device, second});
        return second;
    }

    IDirectInputDevice *keyboard() {
        IDirectInputDevice *device = create(GUID_SysKeyboard, c_dfDIKeyboard);
        EXPECT_EQ(device->Acquire(), DI_OK);
        return device;
    }

    // The keys the device reports down (other than 0x80: negative), and GetAsyncKeyState's `vk`.
    static void expect_views(IDirectInputDevice *keyboard, std::vector<int> want, int vk = 0,
                             bool async = false) {
        BYTE keys[256];
        std::memset(keys, 0x55, sizeof keys); // a read overwrites every byte
        EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
        std::vector<int> set;
        for (int i = 0; i < 256; ++i)
            if (keys[i] != 0)
                set.push_back(keys[i] == 0x80 ? i : -i);
        EXPECT_EQ(set, want);
        EXPECT_TRUE(vk == 0 || async_down(vk) == async) << "virtual key " << vk;
    }

    static DIJOYSTATE read(IDirectInputDevice2 *device) {
        DIJOYSTATE state{};
        EXPECT_EQ(device->Poll(), DI_OK);
        EXPECT_EQ(device->GetDeviceState(sizeof state, &state), DI_OK);
        return state;
    }

    IDirectInput *object = nullptr;
    std::vector<IDirectInputDevice *> devices;
    std::vector<int> pads;
};

// The DirectInput key each SDL scancode (USB usage number) lights: 4 to 106 in order, the rest.
TEST_F(Input, EveryKeyGoesDownAndUpAlone) {
    const BYTE from_4[] = {
        0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32, 0x31, 0x18,
        0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C, 0x02, 0x03, 0x04, 0x05,
        0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x1C, 0x01, 0x0E, 0x0F, 0x39, 0x0C, 0x0D, 0x1A, 0x1B,
        0x2B, 0x2B, 0x27, 0x28, 0x29, 0x33, 0x34, 0x35, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40,
        0x41, 0x42, 0x43, 0x44, 0x57, 0x58, 0xB7, 0x46, 0xC5, 0xD2, 0xC7, 0xC9, 0xD3, 0xCF, 0xD1,
        0xCD, 0xCB, 0xD0, 0xC8, 0x45, 0xB5, 0x37, 0x4A, 0x4E, 0x9C, 0x4F, 0x50, 0x51, 0x4B, 0x4C,
        0x4D, 0x47, 0x48, 0x49, 0x52, 0x53, 0x56, 0xDD, 0xDE, 0x8D, 0x64, 0x65, 0x66,
    };
    const std::pair<int, BYTE> others[] = {
        {127, 0xA0}, {128, 0xB0}, {129, 0xAE}, {133, 0x7E}, {135, 0x73}, {136, 0x70}, {137, 0x7D},
        {138, 0x79}, {139, 0x7B}, {224, 0x1D}, {225, 0x2A}, {226, 0x38}, {227, 0xDB}, {228, 0x9D},
        {229, 0x36}, {230, 0xB8}, {231, 0xDC}, {258, 0x99}, {259, 0x90}, {260, 0xA4}, {261, 0xA2},
        {262, 0xA0}, {263, 0xED}, {265, 0xEC}, {266, 0xA1}, {267, 0xEB}, {268, 0xE5}, {269, 0xB2},
        {270, 0xEA}, {271, 0xE9}, {272, 0xE8}, {273, 0xE7}, {274, 0xE6}, {282, 0xDF},
    };
    std::vector<std::pair<int, BYTE>> keys(std::begin(others), std::end(others));
    for (int i = 0; i < 103; ++i)
        keys.push_back({4 + i, from_4[i]});
    IDirectInputDevice *device = keyboard();
    for (const auto &[scancode, key] : keys) {
        SCOPED_TRACE("scancode " + std::to_string(scancode));
        testing_key(scancode, true);
        expect_views(device, {key});
        testing_key(scancode, false);
        expect_views(device, {});
    }
}

// A key pressed and let go between two reads is seen once by each view; a held key stays down;
// so for the keyboard and for keys held by other sources.
TEST_F(Input, AKeyTappedBetweenTwoReadsIsSeenOnceByEachViewAHeldKeyStaysDown) {
    IDirectInputDevice *device = keyboard();
    auto tap = [](int scancode) {
        testing_key(scancode, true);
        testing_key(scancode, false);
    };
    // A tap before a view has read its key is not kept (the device's read takes it here).
    tap(SDL_SCANCODE_RETURN);
    expect_views(device, {}, VK_RETURN, false);
    // One still in the queue when GetAsyncKeyState first asks is seen.
    tap(SDL_SCANCODE_TAB);
    EXPECT_TRUE(async_down(VK_TAB));
    EXPECT_FALSE(async_down(VK_TAB));
    expect_views(device, {DIK_TAB});

    tap(SDL_SCANCODE_RETURN);
    expect_views(device, {DIK_RETURN});
    expect_views(device, {}, VK_RETURN, true);
    EXPECT_FALSE(async_down(VK_RETURN));

    testing_key(SDL_SCANCODE_SPACE, true);
    for (int read = 0; read < 3; ++read)
        expect_views(device, {DIK_SPACE}, VK_SPACE, true);
    testing_key(SDL_SCANCODE_SPACE, false);
    expect_views(device, {}, VK_SPACE, false);

    // Losing the focus lets go of taps and held keys.
    tap(SDL_SCANCODE_Q);
    testing_key(SDL_SCANCODE_LEFT, true);
    EXPECT_TRUE(async_down(VK_LEFT));
    EXPECT_EQ(device_down(DIK_LEFT), 1);
    testing_focus_lost();
    expect_views(device, {}, 'Q', false);
    EXPECT_FALSE(async_down(VK_LEFT));
    EXPECT_EQ(device_down(DIK_LEFT), 0);

    // Keys held by others: gamepads, the computer driver and replays.
    KeyHolder pad, computer, replay;
    pad.hold(DIK_Z, true);
    expect_views(device, {DIK_Z}, 'Z', true);
    expect_views(device, {DIK_Z}); // held, not latched
    pad.hold(DIK_Z, false);
    expect_views(device, {}, 'Z', false);
    computer.hold(DIK_9, true);
    computer.hold(DIK_9, false);
    expect_views(device, {DIK_9});
    expect_views(device, {}, '9', true);
    EXPECT_FALSE(async_down('9'));
    pad.hold(DIK_SPACE, true);
    pad.release_all();
    expect_views(device, {}, VK_SPACE, false);
    // Hearing one holder alone: only the replay's keys are heard.
    testing_key(SDL_SCANCODE_RIGHT, true);
    pad.hold(DIK_A, true);
    replay.hold(DIK_ESCAPE, true);
    controls_hear_only(&replay);
    expect_views(device, {DIK_ESCAPE}, VK_ESCAPE, true);
    EXPECT_FALSE(async_down(VK_RIGHT));
    controls_hear_only(nullptr);
    expect_views(device, {DIK_ESCAPE, DIK_A, DIK_RIGHT}, VK_RIGHT, true);
}

TEST_F(Input, MisuseGetsItsResultAndWritesNothingUnasked) {
    IDirectInputDevice *device = nullptr;
    EXPECT_EQ(object->CreateDevice(GUID{}, &device, nullptr), DIERR_DEVICENOTREG);
    ASSERT_EQ(object->CreateDevice(GUID_SysKeyboard, &device, nullptr), DI_OK);
    devices.push_back(device);
    BYTE keys[256];
    std::memset(keys, 0x55, sizeof keys);
    EXPECT_EQ(device->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keys[0], 0x55); // no format yet, so no size to trust
    EXPECT_EQ(device->Acquire(), DIERR_INVALIDPARAM);
    EXPECT_EQ(device->SetCooperativeLevel(main_window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DIERR_UNSUPPORTED);
    EXPECT_EQ(device->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
    EXPECT_EQ(device->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    EXPECT_EQ(device->Acquire(), DI_OK);
    EXPECT_EQ(device->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(device->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    EXPECT_EQ(device->GetDeviceState(16, keys), DIERR_INVALIDPARAM);
    EXPECT_EQ(keys[0], 0x55);
    testing_key(SDL_SCANCODE_A, true);
    EXPECT_EQ(device->Unacquire(), DI_OK);
    EXPECT_EQ(device->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(std::count(keys, keys + 256, 0), 256); // a failed read shows nothing held
}

// The second of two joysticks, name cut to fit, through to unplugging. (No joystick, and an
// enumeration stopped early: the input layer's tests.)
TEST_F(Input, JoysticksAreOfferedOpenedReadAndLost) {
    pads.push_back(testing_attach_joystick("First Pad", 2, 2, 0));
    const int pad = testing_attach_joystick(std::string(300, 'n').c_str(), 3, 40, 2); // X, Y, Z
    pads.push_back(pad);
    std::vector<DIDEVICEINSTANCEA> offered;
    auto remember = [](const DIDEVICEINSTANCEA *instance, void *list) -> BOOL {
        static_cast<std::vector<DIDEVICEINSTANCEA> *>(list)->push_back(*instance);
        return DIENUM_CONTINUE;
    };
    object->EnumDevices(DIDEVTYPE_JOYSTICK, remember, &offered, DIEDFL_ATTACHEDONLY);
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_STREQ(offered[0].tszProductName, "First Pad");
    EXPECT_EQ(std::string(offered[1].tszProductName), std::string(259, 'n'));
    IDirectInputDevice2 *joystick = create(offered[1].guidInstance, c_dfDIJoystick);

    auto set_range = [&](DWORD offset, LONG min, LONG max, DWORD header = sizeof(DIPROPHEADER)) {
        DIPROPRANGE range{{sizeof(DIPROPRANGE), header, offset, DIPH_BYOFFSET}, min, max};
        return joystick->SetProperty(DIPROP_RANGE, &range.diph);
    };
    EXPECT_EQ(set_range(0, -1000, 1000), DI_OK);
    EXPECT_EQ(set_range(4, 10, 20), DI_OK);
    EXPECT_EQ(set_range(8, -5, 5, 12), DIERR_INVALIDPARAM); // header size
    EXPECT_EQ(set_range(2, -5, 5), DIERR_OBJECTNOTFOUND);   // not an axis
    EXPECT_EQ(set_range(32, -5, 5), DIERR_OBJECTNOTFOUND);  // the hats
    EXPECT_EQ(set_range(8, 5, -5), DIERR_INVALIDPARAM);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    EXPECT_EQ(set_range(8, -5, 5), DIERR_ACQUIRED);

    // Stick value, then X, Y and Z; Z kept the default range, as its requests were refused.
    const LONG axes[][4] = {{-32768, -1000, 10, 0},
                            {32767, 1000, 20, 65535},
                            {0, 0, 15, 32768},
                            {16384, 500, 18, 49152}};
    for (const auto &c : axes) {
        for (int axis = 0; axis < 3; ++axis)
            testing_joystick_axis(pad, axis, static_cast<int>(c[0]));
        const DIJOYSTATE state = read(joystick);
        EXPECT_EQ(std::vector<LONG>({state.lX, state.lY, state.lZ, state.lRx, state.rglSlider[1]}),
                  std::vector<LONG>({c[1], c[2], c[3], 0, 0})) // the last two: axes it lacks
            << c[0];
    }
    // Hat bits (up, right, down, left) and the angle; opposite directions at once are centred.
    const DWORD hats[][2] = {{1, 0},          {3, 4500},       {2, 9000},  {6, 13500},
                             {4, 18000},      {12, 22500},     {8, 27000}, {9, 31500},
                             {5, 0xFFFFFFFF}, {10, 0xFFFFFFFF}};
    for (const auto &[bits, angle] : hats) {
        testing_joystick_hat(pad, 1, static_cast<int>(bits));
        EXPECT_EQ(read(joystick).rgdwPOV[1], angle) << "bits " << bits;
    }
    for (int i = 0; i < 40; ++i)
        testing_joystick_button(pad, i, i % 3 == 0);
    const DIJOYSTATE state = read(joystick);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(state.rgbButtons[i], i % 3 == 0 ? 0x80 : 0) << "button " << i;

    testing_detach_joystick(pad);
    DIJOYSTATE lost;
    std::memset(&lost, 0x55, sizeof lost);
    EXPECT_EQ(joystick->GetDeviceState(sizeof lost, &lost), DIERR_INPUTLOST);
    EXPECT_EQ(lost.rgbButtons[0], 0);
    EXPECT_EQ(joystick->Acquire(), DIERR_INPUTLOST);
}

} // namespace

// The wall clock's sleep ends at the turn of its tick, never before; a tick already passed, also
// one that lies more than half the count's range away, ends it at once (else this test would hang).
TEST(Window, TheWallClockSleepsToItsTickAndNotForOneAlreadyPassed) {
    testing_use_real_clock();
    for (const DWORD ms : {1u, 2u, 5u}) {
        const DWORD before = GetTickCount();
        Sleep(ms);
        EXPECT_GE(GetTickCount() - before, ms);
    }
    const DWORD now = platform::wall_ticks();
    for (const DWORD passed : {now, now - 5, now + 0x90000000u})
        platform::sleep_until_wall_tick(passed);
    const DWORD before = platform::wall_ticks();
    platform::sleep_until_wall_tick(before + 2);
    EXPECT_GE(platform::wall_ticks() - before, 2u);
}

// A destroyed window's messages go with it; its quit message waits for all others.
TEST(Window, TheQuitMessageWaitsForTheMessagesOfWindowsStillThere) {
    HWND kept = make_window(), destroyed = make_window();
    for (auto [window, number] : {std::pair{destroyed, 1}, {kept, 2}, {destroyed, 3}})
        PostMessageA(window, WM_PAINT, number, 0);
    DestroyWindow(destroyed);
    PostMessageA(kept, WM_PAINT, 4, 0);
    for (WPARAM number : {2u, 4u}) {
        const MSG msg = next();
        EXPECT_EQ(std::pair(msg.hwnd, msg.wParam), std::pair(kept, number));
    }
    const MSG quit = next();
    EXPECT_EQ(std::pair(quit.message, quit.wParam), (std::pair<UINT, WPARAM>(WM_QUIT, 7)));
}

// Classes; the Enter of Alt+Enter never reaches the game; the cursor shows from a count of zero
// up; the close request becomes WM_CLOSE, WM_DESTROY and the quit message, and holds the keys
// that let every screen through.
TEST(Window, ClassesAltEnterTheCursorAndTheCloseRequest) {
    WNDCLASS window_class{};
    window_class.lpfnWndProc = recording_proc;
    window_class.lpszClassName = "ONCE";
    EXPECT_NE(RegisterClassA(&window_class), 0);
    EXPECT_EQ(RegisterClassA(&window_class), 0);
    window_class.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassA(&window_class), 0);
    EXPECT_EQ(CreateWindowExA(0, "NOSUCHCLASS", "t", 0, 0, 0, 64, 48, 0, 0, 0, 0), nullptr);
    HWND window = make_window();
    EXPECT_EQ(seen.at(0), WM_CREATE);

    testing_key(SDL_SCANCODE_LALT, true);
    testing_key(SDL_SCANCODE_RETURN, true, true);
    EXPECT_FALSE(async_down(VK_RETURN));
    EXPECT_EQ(device_down(DIK_RETURN), 0);
    testing_key(SDL_SCANCODE_LALT, false);
    EXPECT_FALSE(async_down(VK_RETURN));
    testing_key(SDL_SCANCODE_RETURN, false);
    testing_key(SDL_SCANCODE_RETURN, true);
    EXPECT_TRUE(async_down(VK_RETURN));
    EXPECT_EQ(device_down(DIK_RETURN), 1);
    testing_key(SDL_SCANCODE_RETURN, false);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);

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
        EXPECT_TRUE(async_down(vk)) << vk;
    EXPECT_FALSE(async_down(VK_ESCAPE));
}
