// The input devices: the keyboard table through the real SDL key path, mouse motion between reads,
// joystick enumeration, axis ranges, hats and buttons on SDL's virtual joysticks, lost devices,
// the results of misuse and the named faults.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/testing.h"
#include "tests/support/headless.h"

namespace {

struct Offered {
    GUID guid;
    std::string name;
};
std::vector<Offered> offered;
BOOL enum_result = DIENUM_CONTINUE;

BOOL remember_offered(const DIDEVICEINSTANCEA *instance, void *) {
    offered.push_back(Offered{instance->guidInstance, instance->tszProductName});
    return enum_result;
}

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(open_test_window(), nullptr);
        ASSERT_EQ(DirectInputCreateA(main_instance, 0x0500, &object, nullptr), DI_OK);
        offered.clear();
        enum_result = DIENUM_CONTINUE;
    }
    void TearDown() override {
        testing_clear_faults();
        for (IDirectInputDevice *device : devices)
            device->Release();
        for (int joystick : joysticks)
            testing_detach_joystick(joystick);
        if (object != nullptr)
            object->Release();
    }

    // A configured and acquired device.
    IDirectInputDevice *open(const GUID &guid, const DIDATAFORMAT &format) {
        IDirectInputDevice *device = nullptr;
        EXPECT_EQ(object->CreateDevice(guid, &device, nullptr), DI_OK);
        if (device == nullptr)
            return nullptr;
        devices.push_back(device);
        EXPECT_EQ(device->SetCooperativeLevel(main_window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
                  DI_OK);
        EXPECT_EQ(device->SetDataFormat(&format), DI_OK);
        EXPECT_EQ(device->Acquire(), DI_OK);
        return device;
    }

    int attach(const char *name, int axes = 8, int buttons = 32, int hats = 4) {
        const int joystick = testing_attach_joystick(name, axes, buttons, hats);
        EXPECT_GE(joystick, 0);
        joysticks.push_back(joystick);
        return joystick;
    }

    // The first joystick offered, as a polled device.
    IDirectInputDevice2 *open_first_joystick() {
        object->EnumDevices(DIDEVTYPE_JOYSTICK, remember_offered, nullptr, DIEDFL_ATTACHEDONLY);
        EXPECT_FALSE(offered.empty());
        if (offered.empty())
            return nullptr;
        IDirectInputDevice *device = nullptr;
        EXPECT_EQ(object->CreateDevice(offered[0].guid, &device, nullptr), DI_OK);
        if (device == nullptr)
            return nullptr;
        devices.push_back(device);
        EXPECT_EQ(device->SetDataFormat(&c_dfDIJoystick), DI_OK);
        IDirectInputDevice2 *polled = nullptr;
        EXPECT_EQ(device->QueryInterface(IID_IDirectInputDevice2A, &polled), DI_OK);
        device->Release(); // the test keeps the second interface only
        devices.back() = polled;
        return polled;
    }

    static HRESULT set_range(IDirectInputDevice *device, DWORD offset, LONG min, LONG max) {
        DIPROPRANGE range{};
        range.diph.dwSize = sizeof range;
        range.diph.dwHeaderSize = sizeof range.diph;
        range.diph.dwObj = offset;
        range.diph.dwHow = DIPH_BYOFFSET;
        range.lMin = min;
        range.lMax = max;
        return device->SetProperty(DIPROP_RANGE, &range.diph);
    }

    static DIJOYSTATE read_joystick(IDirectInputDevice2 *device) {
        DIJOYSTATE state{};
        EXPECT_EQ(device->Poll(), DI_OK);
        EXPECT_EQ(device->GetDeviceState(sizeof state, &state), DI_OK);
        return state;
    }

    IDirectInput *object = nullptr;
    std::vector<IDirectInputDevice *> devices;
    std::vector<int> joysticks;
};

// SDL scancodes (USB usage numbers) and the DirectInput key each must light.
struct KeyCase {
    int scancode;
    BYTE key;
};
const KeyCase pc_keyboard[] = {
    {41, DIK_ESCAPE},
    {30, DIK_1},
    {31, DIK_2},
    {32, DIK_3},
    {33, DIK_4},
    {34, DIK_5},
    {35, DIK_6},
    {36, DIK_7},
    {37, DIK_8},
    {38, DIK_9},
    {39, DIK_0},
    {45, DIK_MINUS},
    {46, DIK_EQUALS},
    {42, DIK_BACK},
    {43, DIK_TAB},
    {20, DIK_Q},
    {26, DIK_W},
    {8, DIK_E},
    {21, DIK_R},
    {23, DIK_T},
    {28, DIK_Y},
    {24, DIK_U},
    {12, DIK_I},
    {18, DIK_O},
    {19, DIK_P},
    {47, DIK_LBRACKET},
    {48, DIK_RBRACKET},
    {40, DIK_RETURN},
    {224, DIK_LCONTROL},
    {4, DIK_A},
    {22, DIK_S},
    {7, DIK_D},
    {9, DIK_F},
    {10, DIK_G},
    {11, DIK_H},
    {13, DIK_J},
    {14, DIK_K},
    {15, DIK_L},
    {51, DIK_SEMICOLON},
    {52, DIK_APOSTROPHE},
    {53, DIK_GRAVE},
    {225, DIK_LSHIFT},
    {49, DIK_BACKSLASH},
    {50, DIK_BACKSLASH},
    {29, DIK_Z},
    {27, DIK_X},
    {6, DIK_C},
    {25, DIK_V},
    {5, DIK_B},
    {17, DIK_N},
    {16, DIK_M},
    {54, DIK_COMMA},
    {55, DIK_PERIOD},
    {56, DIK_SLASH},
    {229, DIK_RSHIFT},
    {85, DIK_MULTIPLY},
    {226, DIK_LMENU},
    {44, DIK_SPACE},
    {57, DIK_CAPITAL},
    {58, DIK_F1},
    {59, DIK_F2},
    {60, DIK_F3},
    {61, DIK_F4},
    {62, DIK_F5},
    {63, DIK_F6},
    {64, DIK_F7},
    {65, DIK_F8},
    {66, DIK_F9},
    {67, DIK_F10},
    {83, DIK_NUMLOCK},
    {71, DIK_SCROLL},
    {95, DIK_NUMPAD7},
    {96, DIK_NUMPAD8},
    {97, DIK_NUMPAD9},
    {86, DIK_SUBTRACT},
    {92, DIK_NUMPAD4},
    {93, DIK_NUMPAD5},
    {94, DIK_NUMPAD6},
    {87, DIK_ADD},
    {89, DIK_NUMPAD1},
    {90, DIK_NUMPAD2},
    {91, DIK_NUMPAD3},
    {98, DIK_NUMPAD0},
    {99, DIK_DECIMAL},
    {100, DIK_OEM_102},
    {68, DIK_F11},
    {69, DIK_F12},
    {104, DIK_F13},
    {105, DIK_F14},
    {106, DIK_F15},
    {136, DIK_KANA},
    {135, DIK_ABNT_C1},
    {138, DIK_CONVERT},
    {139, DIK_NOCONVERT},
    {137, DIK_YEN},
    {133, DIK_ABNT_C2},
    {103, DIK_NUMPADEQUALS},
    {259, DIK_PREVTRACK},
    {258, DIK_NEXTTRACK},
    {88, DIK_NUMPADENTER},
    {228, DIK_RCONTROL},
    {262, DIK_MUTE},
    {127, DIK_MUTE},
    {266, DIK_CALCULATOR},
    {261, DIK_PLAYPAUSE},
    {260, DIK_MEDIASTOP},
    {129, DIK_VOLUMEDOWN},
    {128, DIK_VOLUMEUP},
    {269, DIK_WEBHOME},
    {84, DIK_DIVIDE},
    {70, DIK_SYSRQ},
    {230, DIK_RMENU},
    {72, DIK_PAUSE},
    {74, DIK_HOME},
    {82, DIK_UP},
    {75, DIK_PRIOR},
    {80, DIK_LEFT},
    {79, DIK_RIGHT},
    {77, DIK_END},
    {81, DIK_DOWN},
    {78, DIK_NEXT},
    {73, DIK_INSERT},
    {76, DIK_DELETE},
    {227, DIK_LWIN},
    {231, DIK_RWIN},
    {101, DIK_APPS},
    {102, DIK_POWER},
    {282, DIK_SLEEP},
    {268, DIK_WEBSEARCH},
    {274, DIK_WEBFAVORITES},
    {273, DIK_WEBREFRESH},
    {272, DIK_WEBSTOP},
    {271, DIK_WEBFORWARD},
    {270, DIK_WEBBACK},
    {267, DIK_MYCOMPUTER},
    {265, DIK_MAIL},
    {263, DIK_MEDIASELECT},
};

// Indices of the bytes that are not zero, and whether each of them is exactly 0x80.
std::vector<int> keys_down(const BYTE (&keys)[256], bool &all_0x80) {
    std::vector<int> down;
    all_0x80 = true;
    for (int i = 0; i < 256; ++i)
        if (keys[i] != 0) {
            down.push_back(i);
            all_0x80 = all_0x80 && keys[i] == 0x80;
        }
    return down;
}

TEST_F(Input, EveryKeyOfThePcKeyboardGoesDownAndUpAlone) {
    IDirectInputDevice *keyboard = open(GUID_SysKeyboard, c_dfDIKeyboard);
    ASSERT_NE(keyboard, nullptr);
    BYTE keys[256];
    bool all_0x80 = false;
    for (const KeyCase &key : pc_keyboard) {
        SCOPED_TRACE("scancode " + std::to_string(key.scancode));
        testing_key(key.scancode, true);
        std::memset(keys, 0x55, sizeof keys); // a read overwrites every byte
        ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
        EXPECT_EQ(keys_down(keys, all_0x80), std::vector<int>{key.key});
        EXPECT_TRUE(all_0x80);
        testing_key(key.scancode, false);
        ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
        EXPECT_TRUE(keys_down(keys, all_0x80).empty());
    }
}

TEST_F(Input, KeysHeldTogetherAreAllDown) {
    IDirectInputDevice *keyboard = open(GUID_SysKeyboard, c_dfDIKeyboard);
    ASSERT_NE(keyboard, nullptr);
    testing_key(82, true); // up arrow
    testing_key(26, true); // W
    testing_key(17, true); // N
    BYTE keys[256];
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    bool all_0x80 = false;
    EXPECT_EQ(keys_down(keys, all_0x80), (std::vector<int>{DIK_W, DIK_N, DIK_UP}));
    testing_key(26, false);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys_down(keys, all_0x80), (std::vector<int>{DIK_N, DIK_UP}));
}

TEST_F(Input, DeviceSetUpIsCheckedStepByStep) {
    IDirectInputDevice *keyboard = nullptr;
    ASSERT_EQ(object->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    devices.push_back(keyboard);
    BYTE keys[256];
    std::memset(keys, 0x55, sizeof keys);
    // Nothing can be read or acquired before the data format.
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keys[0], 0x55);
    EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM);

    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(main_window, DISCL_BACKGROUND), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(main_window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DIERR_UNSUPPORTED);
    EXPECT_EQ(keyboard->SetCooperativeLevel(main_window, DISCL_EXCLUSIVE | DISCL_BACKGROUND),
              DI_OK);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetProperty(DIPROP_RANGE, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);

    // Not acquired yet: the read fails and shows no key down.
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keys[0x1E], 0);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->SetCooperativeLevel(main_window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
              DIERR_ACQUIRED);

    // A size that is not the format's never writes.
    BYTE small[16];
    std::memset(small, 0x55, sizeof small);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof small, small), DIERR_INVALIDPARAM);
    EXPECT_EQ(small[0], 0x55);
    EXPECT_EQ(keyboard->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);

    testing_key(4, true); // A
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_A], 0x80);
    EXPECT_EQ(keyboard->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keys[DIK_A], 0);
}

TEST_F(Input, CreateDeviceRefusesWhatItCannotMake) {
    IDirectInputDevice *device = reinterpret_cast<IDirectInputDevice *>(&offered);
    EXPECT_EQ(object->CreateDevice(GUID{}, &device, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(object->CreateDevice(GUID_SysKeyboard, nullptr, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(object->CreateDevice(GUID_SysKeyboard, &device, object), DIERR_INVALIDPARAM);
    EXPECT_EQ(object->EnumDevices(DIDEVTYPE_JOYSTICK, nullptr, nullptr, DIEDFL_ATTACHEDONLY),
              DIERR_INVALIDPARAM);

    IDirectInput *other = nullptr;
    EXPECT_EQ(DirectInputCreateA(main_instance, 0x0700, &other, nullptr),
              DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(DirectInputCreateA(nullptr, 0x0500, &other, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(other, nullptr);
}

TEST_F(Input, ClosingTheWindowLosesKeyboardAndMouse) {
    IDirectInputDevice *keyboard = open(GUID_SysKeyboard, c_dfDIKeyboard);
    IDirectInputDevice *mouse = open(GUID_SysMouse, c_dfDIMouse);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_NE(mouse, nullptr);
    testing_key(44, true); // space
    testing_mouse_button(1, true);
    BYTE keys[256];
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    ASSERT_EQ(keys[DIK_SPACE], 0x80);

    testing_close_window();
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
    EXPECT_EQ(keys[DIK_SPACE], 0);
    DIMOUSESTATE mouse_state;
    std::memset(&mouse_state, 0x55, sizeof mouse_state);
    EXPECT_EQ(mouse->GetDeviceState(sizeof mouse_state, &mouse_state), DIERR_INPUTLOST);
    EXPECT_EQ(mouse_state.rgbButtons[0], 0);
    // Lost for good: the device is no longer acquired and cannot be again.
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard->Acquire(), DIERR_INPUTLOST);
}

TEST_F(Input, MouseReportsMotionSinceTheLastRead) {
    testing_mouse_move(50, 50); // before the acquire: not reported
    IDirectInputDevice *mouse = open(GUID_SysMouse, c_dfDIMouse);
    ASSERT_NE(mouse, nullptr);
    testing_mouse_move(3, 4);
    testing_mouse_move(10, -6);
    testing_mouse_wheel(-2);
    testing_mouse_button(1, true); // left
    testing_mouse_button(3, true); // right
    DIMOUSESTATE state;
    std::memset(&state, 0x55, sizeof state);
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 13);
    EXPECT_EQ(state.lY, -2);
    EXPECT_EQ(state.lZ, -240);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    EXPECT_EQ(state.rgbButtons[1], 0x80);
    EXPECT_EQ(state.rgbButtons[2], 0);
    EXPECT_EQ(state.rgbButtons[3], 0);

    // No motion since: zero, with the held buttons still down.
    testing_mouse_button(1, false);
    testing_mouse_button(2, true); // middle
    testing_mouse_button(4, true); // fourth
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.lZ, 0);
    EXPECT_EQ(state.rgbButtons[0], 0);
    EXPECT_EQ(state.rgbButtons[1], 0x80);
    EXPECT_EQ(state.rgbButtons[2], 0x80);
    EXPECT_EQ(state.rgbButtons[3], 0x80);
}

TEST_F(Input, EnumerationOffersAttachedJoysticksInOrder) {
    EXPECT_EQ(
        object->EnumDevices(DIDEVTYPE_JOYSTICK, remember_offered, nullptr, DIEDFL_ATTACHEDONLY),
        DI_OK);
    EXPECT_TRUE(offered.empty());

    attach("First Pad");
    attach(std::string(300, 'n').c_str());
    object->EnumDevices(DIDEVTYPE_JOYSTICK, remember_offered, nullptr, DIEDFL_ATTACHEDONLY);
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0].name, "First Pad");
    EXPECT_EQ(offered[1].name, std::string(259, 'n')); // cut to fit its field
    EXPECT_NE(std::memcmp(&offered[0].guid, &offered[1].guid, sizeof(GUID)), 0);
    EXPECT_NE(offered[0].guid.Data2 | offered[0].guid.Data3, 0); // never the all-zero GUID

    offered.clear();
    enum_result = DIENUM_STOP;
    object->EnumDevices(DIDEVTYPE_JOYSTICK, remember_offered, nullptr, DIEDFL_ATTACHEDONLY);
    EXPECT_EQ(offered.size(), 1u);

    // Each instance GUID opens its own joystick: the second reads its own button.
    testing_joystick_button(joysticks[1], 5, true);
    IDirectInputDevice *device = nullptr;
    offered.clear();
    enum_result = DIENUM_CONTINUE;
    object->EnumDevices(DIDEVTYPE_JOYSTICK, remember_offered, nullptr, DIEDFL_ATTACHEDONLY);
    ASSERT_EQ(object->CreateDevice(offered[1].guid, &device, nullptr), DI_OK);
    devices.push_back(device);
    IDirectInputDevice2 *second = nullptr;
    ASSERT_EQ(device->QueryInterface(IID_IDirectInputDevice2A, &second), DI_OK);
    devices.push_back(second);
    ASSERT_EQ(second->SetDataFormat(&c_dfDIJoystick), DI_OK);
    ASSERT_EQ(second->Acquire(), DI_OK);
    EXPECT_EQ(read_joystick(second).rgbButtons[5], 0x80);
}

TEST_F(Input, AxesAreScaledIntoTheirRanges) {
    const int pad = attach("Pad", 3, 4, 1); // X, Y, Z only
    IDirectInputDevice2 *joystick = open_first_joystick();
    ASSERT_NE(joystick, nullptr);
    EXPECT_EQ(set_range(joystick, 0, -1000, 1000), DI_OK);
    EXPECT_EQ(set_range(joystick, 4, 10, 20), DI_OK);
    ASSERT_EQ(joystick->Acquire(), DI_OK);

    testing_joystick_axis(pad, 0, -32768);
    testing_joystick_axis(pad, 1, 32767);
    testing_joystick_axis(pad, 2, 32767);
    DIJOYSTATE state = read_joystick(joystick);
    EXPECT_EQ(state.lX, -1000);
    EXPECT_EQ(state.lY, 20);
    EXPECT_EQ(state.lZ, 65535); // the default range
    EXPECT_EQ(state.lRx, 0);    // axes the joystick lacks
    EXPECT_EQ(state.rglSlider[1], 0);

    testing_joystick_axis(pad, 0, 0);
    testing_joystick_axis(pad, 1, -32768);
    testing_joystick_axis(pad, 2, -32768);
    state = read_joystick(joystick);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 10);
    EXPECT_EQ(state.lZ, 0);

    testing_joystick_axis(pad, 0, 32767);
    testing_joystick_axis(pad, 0, 16384); // only the latest value counts
    EXPECT_EQ(read_joystick(joystick).lX, 500);
}

TEST_F(Input, RangeRequestsAreChecked) {
    const int pad = attach("Pad");
    IDirectInputDevice2 *joystick = open_first_joystick();
    ASSERT_NE(joystick, nullptr);
    DIPROPRANGE range{};
    range.diph.dwSize = sizeof range;
    range.diph.dwHeaderSize = 12;
    range.diph.dwHow = DIPH_BYOFFSET;
    range.lMin = -5;
    range.lMax = 5;
    EXPECT_EQ(joystick->SetProperty(DIPROP_RANGE, &range.diph), DIERR_INVALIDPARAM);
    range.diph.dwHeaderSize = sizeof range.diph;
    range.diph.dwSize = 20;
    EXPECT_EQ(joystick->SetProperty(DIPROP_RANGE, &range.diph), DIERR_INVALIDPARAM);
    EXPECT_EQ(set_range(joystick, 2, -5, 5), DIERR_OBJECTNOTFOUND);  // not an axis's offset
    EXPECT_EQ(set_range(joystick, 32, -5, 5), DIERR_OBJECTNOTFOUND); // the hats
    EXPECT_EQ(set_range(joystick, 0, 5, -5), DIERR_INVALIDPARAM);
    EXPECT_EQ(set_range(joystick, 28, -5, 5), DI_OK); // the second slider
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    EXPECT_EQ(set_range(joystick, 0, -5, 5), DIERR_ACQUIRED);

    testing_joystick_axis(pad, 0, 32767);
    testing_joystick_axis(pad, 7, 32767);
    const DIJOYSTATE state = read_joystick(joystick);
    EXPECT_EQ(state.lX, 65535); // every refused request left the default
    EXPECT_EQ(state.rglSlider[1], 5);
}

TEST_F(Input, HatsAndButtons) {
    const int pad = attach("Pad", 2, 3, 2);
    IDirectInputDevice2 *joystick = open_first_joystick();
    ASSERT_NE(joystick, nullptr);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    DIJOYSTATE state = read_joystick(joystick);
    for (DWORD pov : state.rgdwPOV)
        EXPECT_EQ(pov, 0xFFFFFFFFu); // centred, and absent hats likewise

    const struct {
        int bits;
        DWORD angle;
    } hats[] = {{1, 0},          {3, 4500},       {2, 9000},       {6, 13500},
                {4, 18000},      {12, 22500},     {8, 27000},      {9, 31500},
                {0, 0xFFFFFFFF}, {5, 0xFFFFFFFF}, {10, 0xFFFFFFFF}};
    for (const auto &hat : hats) {
        testing_joystick_hat(pad, 1, hat.bits);
        EXPECT_EQ(read_joystick(joystick).rgdwPOV[1], hat.angle) << "bits " << hat.bits;
    }

    testing_joystick_button(pad, 0, true);
    testing_joystick_button(pad, 2, true);
    state = read_joystick(joystick);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    EXPECT_EQ(state.rgbButtons[1], 0);
    EXPECT_EQ(state.rgbButtons[2], 0x80);
    EXPECT_EQ(state.rgbButtons[3], 0);
    testing_joystick_button(pad, 0, false);
    EXPECT_EQ(read_joystick(joystick).rgbButtons[0], 0);
}

TEST_F(Input, AllThirtyTwoButtons) {
    const int pad = attach("Pad", 2, 40, 0);
    IDirectInputDevice2 *joystick = open_first_joystick();
    ASSERT_NE(joystick, nullptr);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    for (int i = 0; i < 40; ++i)
        testing_joystick_button(pad, i, i % 3 == 0);
    const DIJOYSTATE state = read_joystick(joystick);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(state.rgbButtons[i], i % 3 == 0 ? 0x80 : 0) << "button " << i;
}

TEST_F(Input, UnpluggedJoystickIsLost) {
    const int pad = attach("Pad");
    IDirectInputDevice2 *joystick = open_first_joystick();
    ASSERT_NE(joystick, nullptr);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    testing_joystick_button(pad, 1, true);
    ASSERT_EQ(read_joystick(joystick).rgbButtons[1], 0x80);

    testing_detach_joystick(pad);
    EXPECT_EQ(joystick->Poll(), DIERR_INPUTLOST);
    DIJOYSTATE state;
    std::memset(&state, 0x55, sizeof state);
    EXPECT_EQ(joystick->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
    EXPECT_EQ(state.rgbButtons[1], 0);
    EXPECT_EQ(joystick->Acquire(), DIERR_INPUTLOST);
    offered.clear();
    object->EnumDevices(DIDEVTYPE_JOYSTICK, remember_offered, nullptr, DIEDFL_ATTACHEDONLY);
    EXPECT_TRUE(offered.empty());
}

TEST_F(Input, UnpluggedBetweenPollAndReadIsLostToo) {
    const int pad = attach("Pad");
    IDirectInputDevice2 *joystick = open_first_joystick();
    ASSERT_NE(joystick, nullptr);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    ASSERT_EQ(joystick->Poll(), DI_OK);
    testing_detach_joystick(pad);
    DIJOYSTATE state{};
    EXPECT_EQ(joystick->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST);
}

TEST_F(Input, DevicesKeepTheObjectAlive) {
    attach("Pad");
    IDirectInputDevice2 *joystick = open_first_joystick();
    IDirectInputDevice *keyboard = open(GUID_SysKeyboard, c_dfDIKeyboard);
    ASSERT_NE(joystick, nullptr);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    // Released out of order: the devices still work until their own release.
    EXPECT_EQ(object->Release(), 2u);
    object = nullptr;
    read_joystick(joystick);
    testing_key(4, true);
    BYTE keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_A], 0x80);
    EXPECT_EQ(keyboard->Release(), 0u);
    EXPECT_EQ(joystick->Release(), 0u);
    devices.clear();
}

TEST_F(Input, NamedFaultsFailTheirOperation) {
    attach("Pad");
    IDirectInput *other = nullptr;
    testing_fail("DirectInputCreate");
    EXPECT_EQ(DirectInputCreateA(main_instance, 0x0500, &other, nullptr), DIERR_GENERIC);
    EXPECT_EQ(other, nullptr);

    IDirectInputDevice *keyboard = nullptr;
    testing_fail("CreateDevice");
    EXPECT_EQ(object->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DIERR_GENERIC);
    EXPECT_EQ(keyboard, nullptr);
    ASSERT_EQ(object->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    devices.push_back(keyboard);

    testing_fail("QueryInterface");
    IDirectInputDevice2 *second = reinterpret_cast<IDirectInputDevice2 *>(&offered);
    EXPECT_EQ(keyboard->QueryInterface(IID_IDirectInputDevice2A, &second), DIERR_NOINTERFACE);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(keyboard->QueryInterface(GUID_SysMouse, &second), DIERR_NOINTERFACE);

    testing_fail("SetCooperativeLevel");
    EXPECT_EQ(keyboard->SetCooperativeLevel(main_window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
              DIERR_GENERIC);
    testing_fail("SetDataFormat");
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_GENERIC);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    testing_fail("Acquire");
    EXPECT_EQ(keyboard->Acquire(), DIERR_GENERIC);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);

    testing_key(4, true);
    BYTE keys[256];
    testing_fail("GetDeviceState");
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_GENERIC);
    EXPECT_EQ(keys[DIK_A], 0);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_A], 0x80);

    IDirectInputDevice2 *joystick = open_first_joystick();
    ASSERT_NE(joystick, nullptr);
    ASSERT_EQ(joystick->Acquire(), DI_OK);
    testing_fail("Poll");
    EXPECT_EQ(joystick->Poll(), DIERR_GENERIC);
    EXPECT_EQ(joystick->Poll(), DI_OK);
}

} // namespace
