// The settings file: the written defaults read back as the defaults, every kind of bad line named
// with its number while the rest still counts, and a file written only when there is none.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <unistd.h>

#include <SDL.h>

#include "game/settings.h"
#include "tests/support/headless.h"

namespace {

// Parses text and returns what went to the error stream.
std::string parse(const std::string &text, Settings &settings) {
    char *buffer = nullptr;
    std::size_t size = 0;
    std::FILE *err = open_memstream(&buffer, &size);
    settings_parse(text, "s.ini", settings, err);
    std::fclose(err);
    std::string said(buffer, size);
    std::free(buffer);
    return said;
}

std::string contents(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool same(const Settings &a, const Settings &b) {
    auto fields = [](const Settings &s) {
        return std::tie(s.gamepads[0].kind, s.gamepads[0].device_index, s.gamepads[0].guid,
                        s.gamepads[1].kind, s.gamepads[1].device_index, s.gamepads[1].guid,
                        s.pause_key, s.screenshot_key, s.volume, s.fullscreen, s.integer_scaling,
                        s.fair_laps, s.computer[0], s.computer[1], s.computer_level);
    };
    return std::memcmp(a.player_keys, b.player_keys, sizeof a.player_keys) == 0 &&
           fields(a) == fields(b);
}

struct SettingsFile : ::testing::Test {
    std::filesystem::path folder =
        test_output_dir() + "/settings-" + std::to_string(getpid()) + "/dirtwhirl";
    void SetUp() override { std::filesystem::remove_all(folder.parent_path()); }
    void TearDown() override { std::filesystem::remove_all(folder.parent_path()); }
};

} // namespace

TEST_F(SettingsFile, AMissingFileIsWrittenOnceWithDefaultsThatReadBackAsTheDefaults) {
    const std::filesystem::path file = folder / "settings.ini";
    Settings settings;
    settings_load(file.string(), settings, stderr);
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(same(settings, Settings()));
    const std::string written = contents(file);
    Settings read_back;
    EXPECT_EQ(parse(written, read_back), "");
    EXPECT_TRUE(same(read_back, Settings()));

    // A file that exists, even one with mistakes, is read and never written.
    const std::string edited = written + "\n[sound]\nvolume = loud\nvolume = 40\n";
    std::ofstream(file, std::ios::binary) << edited;
    Settings again;
    settings_load(file.string(), again, stderr);
    EXPECT_EQ(contents(file), edited);
    EXPECT_EQ(again.volume, 40);

    // What is no settings file (a folder, a device that never ends) leaves the defaults.
    for (const std::string &odd : {folder.string(), std::string("/dev/zero")}) {
        Settings untouched;
        settings_load(odd, untouched, stderr);
        EXPECT_TRUE(same(untouched, Settings())) << odd;
    }
}

TEST(Settings, ALineThatCannotBeUsedIsNamedByNumberAndTheOthersStillCount) {
    Settings settings;
    const std::string said =
        parse("[player1]\nleft = J\nright = Nokey\nUP = i   ; comment\n\n# comment\n"
              "[Player2]\nTurbo = Left Shift\ngamepad = 03000000c82d00000160000000000000\n"
              "driver = Computer\n[race]\nfair_laps = yes\ncomputer_level = hard\n"
              "[display]\nmode = Window\nscaling = integer\n",
              settings);
    EXPECT_EQ(said, "dirtwhirl: s.ini:3: \"Nokey\" for right is not a key name; line ignored\n");
    EXPECT_EQ(settings.player_keys[0][key_left], SDL_SCANCODE_J);
    EXPECT_EQ(settings.player_keys[0][key_right], SDL_SCANCODE_RIGHT);
    EXPECT_EQ(settings.player_keys[0][key_up], SDL_SCANCODE_I);
    EXPECT_EQ(settings.player_keys[1][key_turbo], SDL_SCANCODE_LSHIFT);
    EXPECT_EQ(settings.gamepads[1].kind, GamepadChoice::by_guid);
    EXPECT_TRUE(settings.fair_laps);
    EXPECT_FALSE(settings.computer[0]);
    EXPECT_TRUE(settings.computer[1]);
    EXPECT_EQ(settings.computer_level, ComputerLevel::hard);
    EXPECT_FALSE(settings.fullscreen);
    EXPECT_TRUE(settings.integer_scaling);

    // Each of these lines is named once and changes nothing.
    const char *const bad[] = {"[sound]\nvolume = 101",     "[sound]\nvolume = -1",
                               "[sound]\nvolume",           "[display]\nmode = big",
                               "[race]\nfair_laps = 2",     "[player1]\ngamepad = pad",
                               "[player1]\nsteer = L",      "left = L",
                               "[player1\nleft = L",        "[joystick]\nleft = L",
                               "[keys]\npause = ",          "[player2]\ngamepad = 16",
                               "\x01\x02\xff = \x80",       "[sound]\nvolume = 99999",
                               "[player2]\ndriver = robot", "[race]\ncomputer_level = expert"};
    for (const char *text : bad) {
        Settings changed;
        const std::string report = parse(text, changed);
        EXPECT_NE(report.find("s.ini:"), std::string::npos) << text;
        EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << text;
        EXPECT_TRUE(same(changed, Settings())) << text;
    }
}
