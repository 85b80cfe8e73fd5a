// The command line's options and the settings file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

#include <SDL.h>

#include "game/additions/options.h"
#include "game/additions/settings.h"
#include "game/additions/start_up.h"
#include "tests/support/headless.h"

namespace {

// What fn wrote to the stream it was handed.
template <class F> std::string captured(F fn) {
    char *buffer = nullptr;
    std::size_t size = 0;
    std::FILE *stream = open_memstream(&buffer, &size);
    fn(stream);
    std::fclose(stream);
    std::string said(buffer, size);
    std::free(buffer);
    return said;
}

struct Parsed {
    OptionsResult result;
    std::string options, out, err;
};

// "mode track [data] [config] computers level replay [file]", enums as numbers (-1: no level).
Parsed parse(std::vector<const char *> arguments) {
    arguments.insert(arguments.begin(), "dirtwhirl");
    Options o;
    Parsed parsed{};
    parsed.out = captured([&](std::FILE *out) {
        parsed.err = captured([&](std::FILE *err) {
            parsed.result =
                parse_options(static_cast<int>(arguments.size()), arguments.data(), o, out, err);
        });
    });
    std::ostringstream s;
    s << int(o.mode) << ' ' << o.track << " [" << o.data_folder << "] [" << o.config_file << "] "
      << o.computer[0] << o.computer[1] << ' ' << (o.computer_level ? int(*o.computer_level) : -1)
      << ' ' << int(o.replay) << " [" << o.replay_file << "]";
    parsed.options = s.str();
    return parsed;
}

// Parses settings text and returns what went to the error stream.
std::string parse(const std::string &text, Settings &settings) {
    return captured([&](std::FILE *err) { settings_parse(text, "s.ini", settings, err); });
}

bool same(const Settings &a, const Settings &b) {
    auto fields = [](const Settings &s) {
        return std::tie(s.gamepads[0].kind, s.gamepads[0].device_index, s.gamepads[0].guid,
                        s.gamepads[1].kind, s.gamepads[1].device_index, s.gamepads[1].guid,
                        s.pause_key, s.screenshot_key, s.volume, s.fullscreen, s.integer_scaling,
                        s.presentation, s.fair_laps, s.computer[0], s.computer[1],
                        s.computer_level);
    };
    return std::memcmp(a.player_keys, b.player_keys, sizeof a.player_keys) == 0 &&
           fields(a) == fields(b);
}

// The file written when there is none (whether it is left alone later is the program check's).
TEST(Settings, WrittenDefaultsReadBackAsTheDefaultsAndWhatIsNoFileLeavesThem) {
    const std::filesystem::path folder =
        test_output_dir() + "/settings-" + std::to_string(getpid());
    std::filesystem::remove_all(folder);
    const std::filesystem::path file = folder / "dirtwhirl" / "settings.ini";
    Settings settings, read_back;
    settings_load(file.string(), settings, stderr);
    EXPECT_TRUE(same(settings, Settings()));
    std::ifstream in(file, std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), {}};
    ASSERT_NE(written, "");
    EXPECT_EQ(parse(written, read_back), "");
    EXPECT_TRUE(same(read_back, Settings()));
    for (const std::string &odd : {folder.string(), std::string("/dev/zero")}) {
        Settings untouched;
        settings_load(odd, untouched, stderr);
        EXPECT_TRUE(same(untouched, Settings())) << odd;
    }
    std::filesystem::remove_all(folder);
}

TEST(Settings, ALineThatCannotBeUsedIsNamedByNumberAndTheOthersStillCount) {
    Settings settings;
    const std::string said =
        parse("[player1]\nleft = J\nright = Nokey\nUP = i   ; comment\n\n# comment\n"
              "[Player2]\nTurbo = Left Shift\ngamepad = 03000000c82d00000160000000000000\n"
              "driver = Computer\n[race]\nfair_laps = yes\ncomputer_level = hard\n"
              "[display]\nmode = Window\nscaling = integer\npresentation = Surface\n",
              settings);
    EXPECT_EQ(said, "dirtwhirl: s.ini:3: \"Nokey\" for right is not a key name; line ignored\n");
    const auto &keys = settings.player_keys;
    EXPECT_EQ(
        std::tie(keys[0][key_left], keys[0][key_right], keys[0][key_up], keys[1][key_turbo]),
        std::make_tuple(SDL_SCANCODE_J, SDL_SCANCODE_RIGHT, SDL_SCANCODE_I, SDL_SCANCODE_LSHIFT));
    EXPECT_EQ(std::tie(settings.gamepads[1].kind, settings.fair_laps, settings.computer[0],
                       settings.computer[1], settings.computer_level, settings.fullscreen,
                       settings.integer_scaling, settings.presentation),
              std::make_tuple(GamepadChoice::by_guid, true, false, true, ComputerLevel::hard, false,
                              true, PresentationPath::surface));

    // Each of these lines is named once and changes nothing.
    const char *const bad[] = {"[sound]\nvolume = 101",     "[sound]\nvolume = -1",
                               "[sound]\nvolume",           "[display]\nmode = big",
                               "[race]\nfair_laps = 2",     "[player1]\ngamepad = pad",
                               "[player1]\nsteer = L",      "left = L",
                               "[player1\nleft = L",        "[joystick]\nleft = L",
                               "[keys]\npause = ",          "[player2]\ngamepad = 16",
                               "\x01\x02\xff = \x80",       "[sound]\nvolume = 99999",
                               "[player2]\ndriver = robot", "[race]\ncomputer_level = expert",
                               "[display]\npresentation = opengl"};
    for (const char *text : bad) {
        Settings changed;
        const std::string report = parse(text, changed);
        EXPECT_TRUE(report.rfind("dirtwhirl: s.ini:", 0) == 0 &&
                    std::count(report.begin(), report.end(), '\n') == 1 &&
                    same(changed, Settings()))
            << text << ": " << report;
    }
}

// Garbage is named ten lines deep, then counted; a shared key is said once, and the earlier
// binding keeps it while the later one gets its default back.
TEST(Settings, GarbageIsCappedAndSharedKeysAreSaidOnceWithTheEarlierKeepingTheKey) {
    Settings settings;
    std::string garbage = "[sound]\n";
    for (int line = 0; line < 25; ++line)
        garbage += "\x01\x7f noise\n";
    const std::string said = parse(garbage, settings);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 11) << said;
    EXPECT_NE(said.find("s.ini: 15 more bad lines ignored\n"), std::string::npos) << said;

    const std::pair<const char *, const char *> cases[] = {
        {"[player1]\nright = L\nleft = L", "both player1 left and player1 right"},
        {"[player1]\nturbo = Escape", "both leaving the screen (Escape) and player1 turbo"},
        {"[player2]\nright = F12", "both player2 right and screenshot"},
    };
    for (const auto &[text, says] : cases) {
        Settings changed;
        const std::string report = parse(text, changed);
        EXPECT_NE(report.find(says), std::string::npos) << report;
        EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
    }
    Settings shared;
    parse("[player1]\nright = L\nleft = L", shared);
    EXPECT_EQ(std::make_pair(shared.player_keys[0][key_left], shared.player_keys[0][key_right]),
              std::make_pair(int(SDL_SCANCODE_L), Settings().player_keys[0][key_right]));
    Settings swapped; // trading two keys is no conflict
    EXPECT_EQ(parse("[player1]\nleft = Right\nright = Left", swapped), "");
    EXPECT_EQ(swapped.player_keys[0][key_left], SDL_SCANCODE_RIGHT);
}

TEST(Options, SetWhatTheyNameAndLaterOnesWin) {
    const std::pair<std::vector<const char *>, const char *> cases[] = {
        {{}, "0 -1 [] [] 00 -1 0 []"},
        {{"--window", "--track", "1", "--data", "/srv/dw"}, "2 1 [/srv/dw] [] 00 -1 0 []"},
        {{"--track=2", "--window", "--fullscreen", "--track", "0"}, "1 0 [] [] 00 -1 0 []"},
        {{"--data=a=b", "--data", "--x"}, "0 -1 [--x] [] 00 -1 0 []"},
        {{"--config", "my.ini", "--config=/etc/dw.ini"}, "0 -1 [] [/etc/dw.ini] 00 -1 0 []"},
        {{"--computer", "2", "--level=hard"}, "0 -1 [] [] 01 2 0 []"},
        {{"--computer=1", "--computer", "2", "--level", "hard", "--level", "easy"},
         "0 -1 [] [] 11 0 0 []"},
        {{"--record", "a.dwr", "--play=b.dwr", "--timedemo", "c.dwr"},
         "0 -1 [] [] 00 -1 3 [c.dwr]"},
        {{"--timedemo", "c.dwr", "--record=a.dwr"}, "0 -1 [] [] 00 -1 1 [a.dwr]"},
        {{"--play", "b.dwr"}, "0 -1 [] [] 00 -1 2 [b.dwr]"},
    };
    for (const auto &[arguments, expected] : cases) {
        const Parsed parsed = parse(arguments);
        SCOPED_TRACE(arguments.empty() ? "(none)" : arguments[0]);
        EXPECT_EQ(std::tie(parsed.result, parsed.options, parsed.out, parsed.err),
                  std::make_tuple(OptionsResult::run, expected, "", ""));
    }
}

TEST(Options, MistakesPrintTheUsageLineOnTheErrorStreamHelpAndVersionOnTheOutput) {
    const std::vector<std::vector<const char *>> mistakes = {
        {"--bogus"},
        {"--track", "7"},
        {"--track", "01"},
        {"--track"},
        {"--track="},
        {"--data", ""},
        {"--window=yes"},
        {"--track", "1", "extra"},
        {"--computer", "3"},
        {"--computer"},
        {"--level", "Hard"},
        {"--play"},
        {"--record="},
        {"--timedemo", "r.dwr", "--rollback-test", "9"},
        {"--timedemo", "r.dwr", "--rollback-test", "0"},
        {"--record", "r.dwr", "--rollback-test", "2"},
        {"--presentation", "gl"}};
    for (const auto &arguments : mistakes) {
        const Parsed parsed = parse(arguments);
        SCOPED_TRACE(arguments.back());
        EXPECT_EQ(parsed.result, OptionsResult::exit_usage);
        EXPECT_NE(parsed.err.find("\nusage: dirtwhirl ["), std::string::npos) << parsed.err;
        EXPECT_EQ(parsed.out, "");
    }
    const Parsed help = parse({"--window", "--help", "--bogus"}), version = parse({"--version"});
    EXPECT_EQ(std::tie(help.result, version.result, help.err, version.err),
              std::make_tuple(OptionsResult::exit_ok, OptionsResult::exit_ok, "", ""));
    EXPECT_EQ(help.out.rfind("usage: dirtwhirl [", 0), 0u) << help.out;
    EXPECT_EQ(version.out.rfind("dirtwhirl ", 0), 0u) << version.out;
}
} // namespace

// Settings, then the command line, then a replay: what each case ends with, as "fullscreen
// computers level fair_laps track replay presentation".
TEST(StartUp, TheCommandLineGoesBeforeTheSettingsAndAReplayBeforeBoth) {
    Settings from_file;
    from_file.fullscreen = false;
    from_file.computer[0] = true;
    from_file.computer_level = ComputerLevel::hard;
    from_file.fair_laps = true;
    from_file.presentation = PresentationPath::surface;
    struct Case {
        std::vector<const char *> arguments;
        int replay_track;
        const char *resolved;
    };
    const Case cases[] = {
        {{}, -1, "0 10 2 1 -1 0 1"},
        {{"--fullscreen", "--computer", "2", "--level", "easy", "--track", "1"},
         -1,
         "1 01 0 1 1 0 1"},
        {{"--window", "--presentation", "renderer"}, -1, "0 10 2 1 -1 0 2"},
        {{"--record", "r.dwr", "--track", "2", "--presentation=auto"}, -1, "0 10 2 0 2 1 0"},
        {{"--play", "r.dwr", "--track", "2", "--computer", "1"}, 0, "0 00 2 0 0 2 1"},
        {{"--timedemo", "r.dwr", "--fullscreen"}, 1, "1 00 2 0 1 3 1"},
    };
    for (const Case &c : cases) {
        std::vector<const char *> arguments = c.arguments;
        arguments.insert(arguments.begin(), "dirtwhirl");
        Options options;
        ASSERT_EQ(parse_options(static_cast<int>(arguments.size()), arguments.data(), options,
                                nullptr, nullptr),
                  OptionsResult::run);
        const StartUp s = start_up_resolve(from_file, options, c.replay_track);
        std::ostringstream resolved;
        resolved << s.settings.fullscreen << ' ' << s.settings.computer[0] << s.settings.computer[1]
                 << ' ' << int(s.settings.computer_level) << ' ' << s.settings.fair_laps << ' '
                 << s.track << ' ' << int(s.replay) << ' ' << int(s.settings.presentation);
        EXPECT_EQ(resolved.str(), c.resolved) << c.arguments.size();
    }
}
