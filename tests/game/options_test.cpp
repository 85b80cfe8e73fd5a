// The command line: what each option sets, that later options win, both value forms, and that
// every mistake is refused with the usage line on the error stream and nothing on the other.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/options.h"

namespace {

struct Parsed {
    OptionsResult result;
    Options options;
    std::string out, err;
};

std::string read_all(std::FILE *file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

Parsed parse(std::vector<const char *> arguments) {
    arguments.insert(arguments.begin(), "dirtwhirl");
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    Parsed parsed{};
    parsed.result = parse_options(static_cast<int>(arguments.size()), arguments.data(),
                                  parsed.options, out, err);
    parsed.out = read_all(out);
    parsed.err = read_all(err);
    return parsed;
}

TEST(Options, SetWhatTheyNameAndLaterOnesWin) {
    struct Case {
        std::vector<const char *> arguments;
        StartMode mode;
        int track;
        std::string data;
        std::string config = "";
        bool computer[2] = {false, false};
        std::optional<ComputerLevel> level = std::nullopt;
    };
    const Case cases[] = {
        {{}, StartMode::as_settings, -1, ""},
        {{"--window", "--track", "1", "--data", "/srv/dw"}, StartMode::window, 1, "/srv/dw"},
        {{"--track=2", "--window", "--fullscreen", "--track", "0"}, StartMode::fullscreen, 0, ""},
        {{"--data=a=b", "--data", "--x"}, StartMode::as_settings, -1, "--x"},
        {{"--config", "my.ini", "--config=/etc/dw.ini"},
         StartMode::as_settings,
         -1,
         "",
         "/etc/dw.ini"},
        {{"--computer", "2", "--level=hard"},
         StartMode::as_settings,
         -1,
         "",
         "",
         {false, true},
         ComputerLevel::hard},
        {{"--computer=1", "--computer", "2", "--level", "hard", "--level", "easy"},
         StartMode::as_settings,
         -1,
         "",
         "",
         {true, true},
         ComputerLevel::easy},
    };
    for (const Case &c : cases) {
        const Parsed parsed = parse(c.arguments);
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0]);
        EXPECT_EQ(parsed.result, OptionsResult::run);
        EXPECT_EQ(parsed.options.mode, c.mode);
        EXPECT_EQ(parsed.options.track, c.track);
        EXPECT_EQ(parsed.options.data_folder, c.data);
        EXPECT_EQ(parsed.options.replay, ReplayMode::none);
        EXPECT_EQ(parsed.options.config_file, c.config);
        EXPECT_EQ(parsed.options.computer[0], c.computer[0]);
        EXPECT_EQ(parsed.options.computer[1], c.computer[1]);
        EXPECT_EQ(parsed.options.computer_level, c.level);
        EXPECT_EQ(parsed.out + parsed.err, "");
    }
    const Parsed replay = parse({"--record", "a.dwr", "--play=b.dwr", "--timedemo", "c.dwr"});
    EXPECT_EQ(replay.options.replay, ReplayMode::timedemo);
    EXPECT_EQ(replay.options.replay_file, "c.dwr");
}

TEST(Options, MistakesPrintTheUsageLineOnTheErrorStream) {
    // Each ends with the argument that is wrong.
    const std::vector<std::vector<const char *>> mistakes = {
        {"--bogus"},         {"--track", "7"}, {"--track", "01"},   {"--track"},
        {"--track="},        {"--data", ""},   {"--window=yes"},    {"--track", "1", "extra"},
        {"--computer", "3"}, {"--computer"},   {"--level", "Hard"}, {"--play"},
        {"--record="}};
    for (const auto &arguments : mistakes) {
        const Parsed parsed = parse(arguments);
        SCOPED_TRACE(arguments.back());
        EXPECT_EQ(parsed.result, OptionsResult::exit_usage);
        EXPECT_NE(parsed.err.find("\nusage: dirtwhirl ["), std::string::npos) << parsed.err;
        EXPECT_EQ(parsed.out, "");
    }
}

TEST(Options, HelpAndVersionAnswerOnTheOutputStreamEvenAfterOtherOptions) {
    const Parsed help = parse({"--window", "--help", "--bogus"});
    EXPECT_EQ(help.result, OptionsResult::exit_ok);
    for (const char *listed : {"usage: dirtwhirl", "--window", "--fullscreen", "--track N",
                               "--data DIR", "--record FILE", "--timedemo FILE", "DIRTWHIRL_DATA"})
        EXPECT_NE(help.out.find(listed), std::string::npos) << listed;
    const Parsed version = parse({"--version"});
    EXPECT_EQ(version.result, OptionsResult::exit_ok);
    EXPECT_EQ(version.out.rfind("dirtwhirl ", 0), 0u) << version.out;
    EXPECT_EQ(help.err + version.err, "");
}

} // namespace
