// The input layer: reads before init and after release, keys, mouse, joysticks, failing inits.
#include "engine/input/input.h"

#include "engine_test_support.h"

namespace {

struct InputLayer : ::testing::Test {
    void SetUp() override { ASSERT_NE(open_headless_window("test"), nullptr); }
    void TearDown() override {
        testing_clear_faults();
        testing_record_calls(false);
        keyboard_release();
        mouse_release();
        joystick_release();
        input_shutdown();
        for (int pad : pads)
            testing_detach_joystick(pad);
        joystick_found = 0;
        joystick_guid = GUID{};
    }
    int attach(const char *name) {
        return pads.emplace_back(testing_attach_joystick(name, 6, 32, 4));
    }
    void open(const std::string &devices) { // k: keyboard, m: mouse, j: joystick
        ASSERT_EQ(input_init(), 1);
        for (char d : devices)
            ASSERT_EQ(d == 'k'   ? keyboard_init()
                      : d == 'm' ? mouse_init()
                                 : joystick_init(-1000, 1000, -1000, 1000),
                      1);
    }
    std::vector<int> pads;
};

TEST_F(InputLayer, ReadsBeforeInitReturnZero) {
    std::memset(keyboard_state, 0x80, sizeof keyboard_state);
    std::memset(&mouse_state, 0x80, sizeof mouse_state);
    std::memset(&joystick_state, 0x33, sizeof joystick_state);
    EXPECT_EQ(keyboard_read() + mouse_read() + joystick_read(), 0);
    EXPECT_TRUE(
        all_bytes(keyboard_state, sizeof keyboard_state, 0) &&
        all_bytes(&mouse_state, sizeof mouse_state, 0) &&
        all_bytes(&joystick_state, sizeof joystick_state, 0x33)); // the joystick's left alone
    testing_fail("DirectInputCreate"); // then the device inits fail instead of using no object
    EXPECT_EQ(input_init(), 0);
    EXPECT_EQ(di_object, nullptr);
    EXPECT_EQ(keyboard_init() + mouse_init() + joystick_init(-1000, 1000, -1000, 1000), 0);
}

TEST_F(InputLayer, KeyboardReadOverwritesTheWholeArray) {
    open("k");
    testing_key(82, true); // up arrow
    testing_key(26, true); // W
    std::memset(keyboard_state, 0x7F, sizeof keyboard_state);
    ASSERT_EQ(keyboard_read(), 1);
    for (int key = 0; key < 256; ++key)
        EXPECT_EQ(keyboard_state[key], key == DIK_UP || key == DIK_W ? 0x80 : 0) << key;
    testing_key(82, false);
    ASSERT_EQ(keyboard_read(), 1);
    EXPECT_EQ(keyboard_state[DIK_UP] + keyboard_state[DIK_W], 0x80);
}

TEST_F(InputLayer, MouseMotionBetweenTwoReads) {
    open("m");
    auto read = [] {
        EXPECT_EQ(mouse_read(), 1);
        const BYTE *b = mouse_state.rgbButtons;
        return std::vector<long>{
            mouse_state.lX, mouse_state.lY, mouse_state.lZ, b[0], b[1], b[2], b[3]};
    };
    testing_mouse_move(5, -3);
    testing_mouse_move(2, 1);
    testing_mouse_wheel(1);
    testing_mouse_button(1, true); // left
    testing_mouse_button(3, true); // right
    EXPECT_EQ(read(), (std::vector<long>{7, -2, 120, 0x80, 0x80, 0, 0}));
    testing_mouse_move(-4, 0);
    testing_mouse_button(1, false);
    testing_mouse_button(2, true); // middle
    testing_mouse_button(4, true);
    EXPECT_EQ(read(), (std::vector<long>{-4, 0, 0, 0, 0x80, 0x80, 0x80})); // nothing carried over
}

TEST_F(InputLayer, FirstOfTwoJoysticksWithItsRangesAndNameOrNone) {
    ASSERT_EQ(input_init(), 1);
    std::memset(&joystick_state, 0x33, sizeof joystick_state);
    EXPECT_EQ(
        (std::array{joystick_init(-1000, 1000, -1000, 1000), joystick_found, joystick_read()}),
        (std::array{0, 0, 0})); // none attached
    EXPECT_TRUE(all_bytes(&joystick_guid, sizeof joystick_guid, 0) &&
                all_bytes(&joystick_state, sizeof joystick_state, 0x33));

    const int first = attach("Dirt Pad One");
    const int second = attach("Dirt Pad Two");
    ASSERT_EQ((std::array{joystick_init(-1000, 1000, -50, 50), joystick_found}),
              (std::array{1, 1}));
    EXPECT_STREQ(joystick_name, "Dirt Pad One");
    testing_joystick_axis(first, 0, 32767);
    testing_joystick_axis(first, 1, -32768);
    testing_joystick_axis(first, 2, 32767);
    testing_joystick_button(second, 4, true);
    ASSERT_EQ(joystick_read(), 1);
    // Other axes keep the default range; the second pad is not read.
    EXPECT_EQ((std::vector<long>{joystick_state.lX, joystick_state.lY, joystick_state.lZ,
                                 joystick_state.rgbButtons[4]}),
              (std::vector<long>{1000, -50, 65535, 0}));

    // A name that fills its whole field without a terminator is cut to 79 characters.
    DIDEVICEINSTANCEA offered{};
    std::memset(offered.tszProductName, 'y', sizeof offered.tszProductName);
    offered.guidInstance.Data1 = 77;
    GUID kept{};
    EXPECT_TRUE(joystick_enum_callback(&offered, &kept) == DIENUM_STOP && kept.Data1 == 77u &&
                std::string(joystick_name) == std::string(79, 'y'))
        << joystick_name;
}

TEST_F(InputLayer, InitsStopAtTheFirstFailingStep) {
    attach("Pad");
    ASSERT_EQ(input_init(), 1);
    testing_key(4, true);
    testing_record_calls(true);
    // Without the joystick's second interface: 0, nothing used, and the first interface released.
    testing_fail("QueryInterface");
    EXPECT_EQ(joystick_init(-1000, 1000, -1000, 1000), 0);
    EXPECT_TRUE(joystick_device == nullptr &&
                count_calls("IDirectInputDevice::Release joystick") > 0);
    // A keyboard failing after its creation stays in its handle, unacquired: its reads return 0.
    for (const std::string step :
         {"CreateDevice", "SetCooperativeLevel", "SetDataFormat", "Acquire"}) {
        testing_fail(step.c_str());
        EXPECT_EQ((std::array{keyboard_init(), int(keyboard_device != nullptr), keyboard_read(),
                              int(keyboard_state[DIK_A])}),
                  (std::array{0, int(step != "CreateDevice"), 0, 0}))
            << step;
        keyboard_release();
        testing_fail(step.c_str());
        EXPECT_EQ(
            (std::array{joystick_init(-1000, 1000, -1000, 1000), joystick_found, joystick_read()}),
            (std::array{0, 0, 0}))
            << step;
        joystick_release();
    }
    EXPECT_EQ(keyboard_init() + joystick_init(-1000, 1000, -1000, 1000), 2);
}

TEST_F(InputLayer, ReleasedDevicesTakeTheNoDevicePath) {
    attach("Pad");
    open("kj");
    // The object goes first here: its devices keep working until their own release.
    input_shutdown();
    EXPECT_EQ(di_object, nullptr);
    testing_key(17, true); // N
    ASSERT_EQ((std::array{keyboard_read(), joystick_read()}), (std::array{1, 1}));
    EXPECT_EQ(keyboard_state[DIK_N], 0x80);
    keyboard_release();
    joystick_release();
    // joystick_found is never cleared: the read clears the record instead.
    EXPECT_EQ((std::array{keyboard_read(), joystick_read(), joystick_found}),
              (std::array{0, 0, 1}));
    EXPECT_TRUE(all_bytes(keyboard_state, sizeof keyboard_state, 0) &&
                all_bytes(&joystick_state, sizeof joystick_state, 0));
    keyboard_release(); // twice is harmless
}

// Last: the test window stays closed for the rest of the process.
TEST_F(InputLayer, DevicesLostDuringPlay) {
    const int pad = attach("Pad");
    open("kmj");
    testing_joystick_button(pad, 0, true);
    testing_key(41, true); // Escape
    ASSERT_EQ(joystick_read() + keyboard_read(), 2);
    testing_detach_joystick(pad);
    testing_close_window();
    for (int frame = 0; frame < 3; ++frame) // no key stays held
        EXPECT_EQ((std::array{joystick_read(), keyboard_read(), mouse_read(),
                              int(keyboard_state[DIK_ESCAPE])}),
                  (std::array{0, 0, 0, 0}));
}

} // namespace
