// The command line: what each option sets, that later options win, both value forms, and that
// every mistake is refused with the usage line on the error stream and nothing on the other.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "game/options.h"

namespace {

struct Parsed {
    OptionsResult result;
    std::string options, out, err;
};

std::string read_all(std::FILE *file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

// The options as "mode track [data] [config] computers level replay [file]", with the enums as
// numbers (mode: settings, fullscreen, window; level: easy, normal, hard, -1 none; replay: none,
// record, play, timedemo).
Parsed parse(std::vector<const char *> arguments) {
    arguments.insert(arguments.begin(), "dirtwhirl");
    std::FILE *out = std::tmpfile(), *err = std::tmpfile();
    Options o;
    Parsed parsed{parse_options(static_cast<int>(arguments.size()), arguments.data(), o, out, err)};
    std::ostringstream s;
    s << int(o.mode) << ' ' << o.track << " [" << o.data_folder << "] [" << o.config_file << "] "
      << o.computer[0] << o.computer[1] << ' ' << (o.computer_level ? int(*o.computer_level) : -1)
      << ' ' << int(o.replay) << " [" << o.replay_file << "]";
    parsed.options = s.str();
    parsed.out = read_all(out);
    parsed.err = read_all(err);
    return parsed;
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
        {{"--record", "a.dwr", "--play=b.dwr", "--timedemo", "c.dwr"}, "0 -1 [] [] 00 -1 3 [c.dwr]"},
        {{"--timedemo", "c.dwr", "--record=a.dwr"}, "0 -1 [] [] 00 -1 1 [a.dwr]"},
        {{"--play", "b.dwr"}, "0 -1 [] [] 00 -1 2 [b.dwr]"},
    };
    for (const auto &[arguments, expected] : cases) {
        const Parsed parsed = parse(arguments);
        SCOPED_TRACE(arguments.empty() ? "(none)" : arguments[0]);
        EXPECT_EQ(parsed.result, OptionsResult::run);
        EXPECT_EQ(parsed.options, expected);
        EXPECT_EQ(parsed.out + parsed.err, "");
    }
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
