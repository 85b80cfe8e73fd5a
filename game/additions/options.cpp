// One table holds every option: its name, its value's name, its help line and how it sets the
// Options. The usage line and the help text are made from the table.
#include "game/additions/options.h"

#include <cstdlib>
#include <cstring>

#ifndef DW_VERSION
#define DW_VERSION "unknown"
#endif

namespace {

struct OptionEntry {
    const char *name;
    const char *value; // the value's name in the help, or null for an option without one
    const char *help;
    // Sets the option from its value (null for options without one); false when the value is bad.
    bool (*apply)(Options &options, const char *value);
};

bool set_replay(Options &options, ReplayMode mode, const char *file) {
    if (*file == '\0')
        return false;
    options.replay = mode;
    options.replay_file = file;
    return true;
}

const OptionEntry option_table[] = {
    {"--window", nullptr, "start in a window (Alt+Enter switches)",
     [](Options &o, const char *) {
         o.mode = StartMode::window;
         return true;
     }},
    {"--fullscreen", nullptr, "start full screen, the default (Alt+Enter switches)",
     [](Options &o, const char *) {
         o.mode = StartMode::fullscreen;
         return true;
     }},
    {"--track", "N|NAME|FILE",
     "race on track N (0 countryside, 1 desert, 2 snow), on your track NAME, or on a picture",
     [](Options &o, const char *v) {
         if (*v == '\0')
             return false;
         // A number names a built-in track; a player's track goes by a name that is not one.
         const bool built_in = std::strlen(v) == 1 && v[0] >= '0' && v[0] <= '2';
         if (!built_in && std::strspn(v, "0123456789") == std::strlen(v))
             return false;
         o.track = built_in ? v[0] - '0' : -1;
         o.track_value = built_in ? "" : v;
         return true;
     }},
    {"--check-track", "FILE", "say whether the track picture FILE races, and if not why; exit",
     [](Options &o, const char *v) {
         o.check_track = v;
         return *v != '\0';
     }},
    {"--write-track-template", "FILE",
     "write a track to start drawing from into FILE, and its palette beside it; exit",
     [](Options &o, const char *v) {
         o.track_template = v;
         return *v != '\0';
     }},
    {"--data", "DIR", "read images/, cars/ and sounds/ from DIR",
     [](Options &o, const char *v) {
         if (*v == '\0')
             return false;
         o.data_folder = v;
         return true;
     }},
    {"--config", "FILE", "read the settings from FILE (written with the defaults if missing)",
     [](Options &o, const char *v) {
         if (*v == '\0')
             return false;
         o.config_file = v;
         return true;
     }},
    {"--computer", "1|2", "the computer drives kart 1 or 2 (given twice: it races itself)",
     [](Options &o, const char *v) {
         if (std::strcmp(v, "1") != 0 && std::strcmp(v, "2") != 0)
             return false;
         o.computer[v[0] - '1'] = true;
         return true;
     }},
    {"--level", "LEVEL", "the computer's level: easy, normal (the default) or hard",
     [](Options &o, const char *v) {
         ComputerLevel level;
         if (!computer_level_from_name(v, &level))
             return false;
         o.computer_level = level;
         return true;
     }},
    {"--presentation", "PATH",
     "auto (the default), surface (straight into the window) or renderer (SDL's renderer)",
     [](Options &o, const char *v) {
         PresentationPath path;
         if (!presentation_path_from_name(v, &path))
             return false;
         o.presentation = path;
         return true;
     }},
    {"--record", "FILE", "record the race into the replay FILE",
     [](Options &o, const char *v) { return set_replay(o, ReplayMode::record, v); }},
    {"--play", "FILE", "play the replay FILE on the screen and check it against the recording",
     [](Options &o, const char *v) { return set_replay(o, ReplayMode::play, v); }},
    {"--timedemo", "FILE", "play the replay FILE as fast as possible, timed, and check it",
     [](Options &o, const char *v) { return set_replay(o, ReplayMode::timedemo, v); }},
    {"--host", "[PORT]", "wait for a player to race over the network (port 28420 by default)",
     [](Options &o, const char *v) {
         o.host = true;
         if (*v == '\0')
             return true;
         char *end = nullptr;
         const long port = std::strtol(v, &end, 10);
         o.host_port = static_cast<int>(port);
         return *end == '\0' && port >= 1 && port <= 65535;
     }},
    {"--join", "[HOST[:PORT]]", "race the player waiting at HOST (a name or an IPv4 address)",
     [](Options &o, const char *v) {
         o.join = true;
         o.join_address = v;
         return true;
     }},
    {"--lockstep", nullptr, "a network race waits for the other's keys instead of guessing them",
     [](Options &o, const char *) {
         o.lockstep = true;
         return true;
     }},
    {"--rollback-test", "K",
     "for tests, with --play or --timedemo: after every frame go back K frames (1 to 8) and race "
     "them again",
     [](Options &o, const char *v) {
         char *end = nullptr;
         const long frames = std::strtol(v, &end, 10);
         o.rollback_test = static_cast<int>(frames);
         return *v != '\0' && *end == '\0' && frames >= 1 && frames <= 8;
     }},
    {"--unpaced", nullptr,
     "for tests: no screens and no 30 ms pace; a network race waits only "
     "for the other's keys",
     [](Options &o, const char *) {
         o.unpaced = true;
         return true;
     }},
};

// A value in brackets may be left out: the next argument is its value unless it is an option.
bool value_optional(const OptionEntry &entry) {
    return entry.value != nullptr && entry.value[0] == '[';
}

void print_usage_line(std::FILE *to) {
    std::fprintf(to, "usage: dirtwhirl [--help] [--version]");
    for (const OptionEntry &entry : option_table) {
        if (entry.value != nullptr)
            std::fprintf(to, " [%s %s]", entry.name, entry.value);
        else
            std::fprintf(to, " [%s]", entry.name);
    }
    std::fprintf(to, "\n");
}

void print_help(std::FILE *to) {
    print_usage_line(to);
    std::fprintf(to, "\nA two-player, one-keyboard, top-down kart race.\n\nOptions:\n");
    std::fprintf(to, "  %-16s %s\n  %-16s %s\n", "--help", "show this help and exit", "--version",
                 "show the version and exit");
    for (const OptionEntry &entry : option_table) {
        std::string shown = entry.name;
        if (entry.value != nullptr)
            shown += std::string(" ") + entry.value;
        std::fprintf(to, "  %-16s %s\n", shown.c_str(), entry.help);
    }
    std::fprintf(to,
                 "\nThe data is looked for in --data DIR, then $DIRTWHIRL_DATA, then the installed "
                 "data folder,\nthen the working directory. The settings (keys, gamepads, volume, "
                 "display) are in\n$XDG_CONFIG_HOME/dirtwhirl/settings.ini or "
                 "~/.config/dirtwhirl/settings.ini. Your own tracks are the .bmp pictures\nin "
                 "$XDG_DATA_HOME/dirtwhirl/tracks/ or ~/.local/share/dirtwhirl/tracks/.\n");
}

OptionsResult usage_error(std::FILE *err, const std::string &what) {
    std::fprintf(err, "dirtwhirl: %s\n", what.c_str());
    print_usage_line(err);
    return OptionsResult::exit_usage;
}

} // namespace

OptionsResult parse_options(int argc, const char *const *argv, Options &options, std::FILE *out,
                            std::FILE *err) {
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            print_help(out);
            return OptionsResult::exit_ok;
        }
        if (std::strcmp(argument, "--version") == 0) {
            std::fprintf(out, "dirtwhirl %s\n", DW_VERSION);
            return OptionsResult::exit_ok;
        }
        const char *equals = std::strchr(argument, '=');
        const std::size_t name_length = equals ? equals - argument : std::strlen(argument);
        const OptionEntry *entry = nullptr;
        for (const OptionEntry &candidate : option_table)
            if (std::strlen(candidate.name) == name_length &&
                std::strncmp(candidate.name, argument, name_length) == 0)
                entry = &candidate;
        if (entry == nullptr)
            return usage_error(err, std::string("unknown option '") + argument + "'");
        const char *value = nullptr;
        if (entry->value != nullptr) {
            if (equals != nullptr)
                value = equals + 1;
            else if (value_optional(*entry) && (i + 1 >= argc || argv[i + 1][0] == '-'))
                value = "";
            else if (i + 1 < argc)
                value = argv[++i];
            else
                return usage_error(err, std::string(argument) + " needs a value");
        } else if (equals != nullptr) {
            return usage_error(err, std::string(entry->name) + " takes no value");
        }
        if (!entry->apply(options, value))
            return usage_error(err, std::string("bad value '") + value + "' for " + entry->name);
    }
    if (options.host && options.join)
        return usage_error(err, "--host and --join cannot be used together");
    const bool watching =
        options.replay == ReplayMode::play || options.replay == ReplayMode::timedemo;
    if ((options.host || options.join) && watching)
        return usage_error(err, "a network race cannot play a replay; --record can record it");
    if (options.rollback_test != 0 && !watching)
        return usage_error(err, "--rollback-test goes with --play or --timedemo");
    return OptionsResult::run;
}
