// The settings file: finding it, reading it line by line through one table of keys, writing the
// commented defaults, and handing the result to the platform and the race.
#include "game/additions/settings.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <vector>

#include "game/race.h"
#include "platform/additions/controls.h"
#include "platform/file.h"

namespace {

// The file written when there is none: the defaults, which are the documented game.
const char default_file[] =
    R"(# Dirtwhirl settings. Written once with the defaults; the game never changes this file.
# Names are case-insensitive; '#' and ';' start a comment. Keys are SDL key names, such as
# Left, Right Shift, Keypad 4, L, F12.

[player1]
left = Left
right = Right
up = Up
down = Down
turbo = N
# gamepad: its index among the gamepads plugged in (0 is the first), its GUID, or none
gamepad = 0
# person or computer
driver = person

[player2]
left = A
right = D
up = W
down = S
turbo = B
gamepad = 1
driver = person

[keys]
pause = P
screenshot = F12

[sound]
# 0 (silent) to 100
volume = 100

[display]
# fullscreen or window
mode = fullscreen
# fit: the largest 4:3 picture; integer: whole multiples of 640 x 480 only
scaling = fit
# auto: straight into the window's memory where the renderer is not accelerated;
# surface or renderer: always that way
presentation = auto

[race]
# true: a lap counts only once the kart has passed the far side of the track since its last
# lap, and both players may count a lap every 150 frames
fair_laps = false
# how well the computer drives: easy, normal or hard
computer_level = normal
# builtin: the random track is one of the three built-in ones; all: or one of your own tracks
random_tracks = builtin

[network]
# the port a network race waits on (--host), and calls when --join names none
port = 28420
# the host --join calls when it names none: a name or an IPv4 address
# host = 192.0.2.1
# rollback: each kart answers its own keys in the next frame, the other's keys guessed and put
# right when they come; lockstep: every key waits for the other machine
mode = rollback
# rollback only: frames more (0 to 2) before a kart answers its keys, for fewer corrections
rollback_delay = 0
)";

constexpr std::size_t max_file_size = 64 * 1024;
// Garbage, such as a binary named by mistake, is named this many lines deep, then counted.
constexpr int reported_bad_lines = 10;

std::string lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string trim(const std::string &text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A name or value as a report quotes it: control and other bytes as \xNN, so a hostile file
// cannot send terminal controls; long ones cut short.
std::string as_reported(const std::string &text) {
    std::string shown = "\"";
    for (std::size_t i = 0; i < text.size() && i < 40; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    return shown + (text.size() > 40 ? "...\"" : "\"");
}

bool read_key(const std::string &value, int &scancode) {
    const int found = controls_scancode_of(value.c_str());
    if (found != 0)
        scancode = found;
    return found != 0;
}

bool read_bool(const std::string &value, bool &flag) {
    const std::string v = lower(value);
    if (v == "true" || v == "yes" || v == "on" || v == "1")
        flag = true;
    else if (v == "false" || v == "no" || v == "off" || v == "0")
        flag = false;
    else
        return false;
    return true;
}

bool read_int(const std::string &value, int low, int high, int &number) {
    if (value.empty() || value.size() > 4 ||
        value.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int read = std::atoi(value.c_str());
    if (read < low || read > high)
        return false;
    number = read;
    return true;
}

bool read_choice(const std::string &value, const char *yes, const char *no, bool &flag) {
    const std::string v = lower(value);
    if (v != yes && v != no)
        return false;
    flag = v == yes;
    return true;
}

// An index (0 to 15), a GUID of 32 hexadecimal digits, or none.
bool read_gamepad(const std::string &value, GamepadChoice &choice) {
    GamepadChoice read;
    if (lower(value) == "none") {
        read.kind = GamepadChoice::none;
    } else if (read_int(value, 0, 15, read.device_index)) {
        read.kind = GamepadChoice::by_index;
    } else if (value.size() == 32 &&
               value.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
        read.kind = GamepadChoice::by_guid;
        read.guid = lower(value);
    } else {
        return false;
    }
    choice = read;
    return true;
}

// One key of the file: where it is, what it takes, and how its value is read into the settings.
struct Entry {
    const char *section;
    const char *name;
    const char *expected;
    bool (*read)(const std::string &value, Settings &settings);
};

template <int player, PlayerKey key> bool read_player_key(const std::string &v, Settings &s) {
    return read_key(v, s.player_keys[player][key]);
}

const Entry entries[] = {
    {"player1", "left", "a key name", read_player_key<0, key_left>},
    {"player1", "right", "a key name", read_player_key<0, key_right>},
    {"player1", "up", "a key name", read_player_key<0, key_up>},
    {"player1", "down", "a key name", read_player_key<0, key_down>},
    {"player1", "turbo", "a key name", read_player_key<0, key_turbo>},
    {"player1", "gamepad", "an index, a GUID or none",
     [](const std::string &v, Settings &s) { return read_gamepad(v, s.gamepads[0]); }},
    {"player2", "left", "a key name", read_player_key<1, key_left>},
    {"player2", "right", "a key name", read_player_key<1, key_right>},
    {"player2", "up", "a key name", read_player_key<1, key_up>},
    {"player2", "down", "a key name", read_player_key<1, key_down>},
    {"player2", "turbo", "a key name", read_player_key<1, key_turbo>},
    {"player2", "gamepad", "an index, a GUID or none",
     [](const std::string &v, Settings &s) { return read_gamepad(v, s.gamepads[1]); }},
    {"keys", "pause", "a key name",
     [](const std::string &v, Settings &s) { return read_key(v, s.pause_key); }},
    {"keys", "screenshot", "a key name",
     [](const std::string &v, Settings &s) { return read_key(v, s.screenshot_key); }},
    {"sound", "volume", "0 to 100",
     [](const std::string &v, Settings &s) { return read_int(v, 0, 100, s.volume); }},
    {"display", "mode", "fullscreen or window",
     [](const std::string &v, Settings &s) {
         return read_choice(v, "fullscreen", "window", s.fullscreen);
     }},
    {"display", "scaling", "fit or integer",
     [](const std::string &v, Settings &s) {
         return read_choice(v, "integer", "fit", s.integer_scaling);
     }},
    {"display", "presentation", "auto, surface or renderer",
     [](const std::string &v, Settings &s) {
         return presentation_path_from_name(lower(v).c_str(), &s.presentation);
     }},
    {"race", "fair_laps", "true or false",
     [](const std::string &v, Settings &s) { return read_bool(v, s.fair_laps); }},
    {"player1", "driver", "person or computer",
     [](const std::string &v, Settings &s) {
         return read_choice(v, "computer", "person", s.computer[0]);
     }},
    {"player2", "driver", "person or computer",
     [](const std::string &v, Settings &s) {
         return read_choice(v, "computer", "person", s.computer[1]);
     }},
    {"network", "port", "a port from 1 to 65535",
     [](const std::string &v, Settings &s) {
         char *end = nullptr;
         const long port = std::strtol(v.c_str(), &end, 10);
         if (v.empty() || *end != '\0' || port < 1 || port > 65535)
             return false;
         s.network_port = static_cast<int>(port);
         return true;
     }},
    {"network", "mode", "rollback or lockstep",
     [](const std::string &v, Settings &s) {
         return read_choice(v, "rollback", "lockstep", s.network_rollback);
     }},
    {"network", "rollback_delay", "0, 1 or 2",
     [](const std::string &v, Settings &s) {
         if (v.size() != 1 || v[0] < '0' || v[0] > '2')
             return false;
         s.network_rollback_delay = v[0] - '0';
         return true;
     }},
    {"network", "host", "a host name or an IPv4 address",
     [](const std::string &v, Settings &s) {
         s.network_host = v;
         return !v.empty();
     }},
    {"race", "computer_level", "easy, normal or hard",
     [](const std::string &v, Settings &s) {
         return computer_level_from_name(lower(v).c_str(), &s.computer_level);
     }},
    {"race", "random_tracks", "builtin or all",
     [](const std::string &v, Settings &s) {
         const std::string value = lower(v);
         s.random_tracks_all = value == "all";
         return value == "all" || value == "builtin";
     }},
};

bool known_section(const std::string &section) {
    for (const Entry &entry : entries)
        if (section == entry.section)
            return true;
    return false;
}

// The value without a comment: '#' or ';' after a blank ends it, so a key named ";" still reads.
std::string value_of(const std::string &text) {
    for (std::size_t i = 1; i < text.size(); ++i)
        if ((text[i] == '#' || text[i] == ';') && (text[i - 1] == ' ' || text[i - 1] == '\t'))
            return trim(text.substr(0, i));
    return trim(text);
}

// Every key the settings bind, in the order the file lists them; the earlier one keeps a key
// two of them share.
struct Binding {
    std::string action;
    int *scancode;
    int default_scancode;
};

std::vector<Binding> bindings_of(Settings &settings) {
    const Settings defaults;
    const char *const key_names[player_key_count] = {"left", "right", "up", "down", "turbo"};
    std::vector<Binding> bindings;
    for (int player = 0; player < 2; ++player)
        for (int key = 0; key < player_key_count; ++key)
            bindings.push_back({"player" + std::to_string(player + 1) + " " + key_names[key],
                                &settings.player_keys[player][key],
                                defaults.player_keys[player][key]});
    bindings.push_back({"pause", &settings.pause_key, defaults.pause_key});
    bindings.push_back({"screenshot", &settings.screenshot_key, defaults.screenshot_key});
    return bindings;
}

// A key two bindings share, or Escape taken by one, is said once with both actions.
void resolve_conflicts(const std::string &file_name, Settings &settings, std::FILE *err) {
    std::vector<Binding> bindings = bindings_of(settings);
    const int escape = controls_scancode_of("Escape");
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        // Escape always leaves the screen; no binding may take it.
        std::string holder = *bindings[i].scancode == escape ? "leaving the screen (Escape)" : "";
        for (std::size_t j = 0; j < i && holder.empty(); ++j)
            if (*bindings[j].scancode == *bindings[i].scancode)
                holder = bindings[j].action;
        if (holder.empty())
            continue;
        if (err != nullptr)
            std::fprintf(err,
                         "dirtwhirl: %s: one key for both %s and %s; %s keeps it, %s gets "
                         "its default key back\n",
                         file_name.c_str(), holder.c_str(), bindings[i].action.c_str(),
                         holder.c_str(), bindings[i].action.c_str());
        *bindings[i].scancode = bindings[i].default_scancode;
    }
}

} // namespace

int race_key(int player, PlayerKey key) {
    const RaceKeys &keys = race_keys[player];
    const BYTE in_order[player_key_count] = {keys.left, keys.right, keys.up, keys.down, keys.turbo};
    return in_order[key];
}

Settings::Settings()
    : pause_key(controls_scancode_of("P")), screenshot_key(controls_scancode_of("F12")) {
    for (int player = 0; player < 2; ++player)
        for (int key = 0; key < player_key_count; ++key)
            player_keys[player][key] =
                controls_scancode_of_key_code(race_key(player, static_cast<PlayerKey>(key)));
    gamepads[1].device_index = 1;
}

void settings_parse(const std::string &text, const std::string &file_name, Settings &settings,
                    std::FILE *err) {
    std::istringstream lines(text);
    std::string line;
    std::string section;
    bool section_known = true;
    int bad_lines = 0;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        std::string problem;
        if (line[0] == '[') {
            const std::string header = value_of(line);
            section = lower(trim(header.substr(1, header.size() - 2)));
            section_known = header.back() == ']' && known_section(section);
            if (header.back() != ']')
                problem = "a section header must end with ]";
            else if (!section_known)
                problem = "unknown section " + as_reported(section) + "; its lines are ignored";
        } else if (!section_known) {
            continue; // named once, at the section's header
        } else if (line.find('=') == std::string::npos) {
            problem = "expected name = value";
        } else {
            const std::string name = lower(trim(line.substr(0, line.find('='))));
            const std::string value = value_of(line.substr(line.find('=') + 1));
            const Entry *found = nullptr;
            for (const Entry &entry : entries)
                if (section == entry.section && name == entry.name)
                    found = &entry;
            if (section.empty())
                problem = as_reported(name) + " is outside a section";
            else if (found == nullptr)
                problem = "unknown name " + as_reported(name) + " in [" + section + "]";
            else if (!found->read(value, settings))
                problem = as_reported(value) + " for " + name + " is not " + found->expected;
        }
        if (!problem.empty() && err != nullptr && ++bad_lines <= reported_bad_lines)
            std::fprintf(err, "dirtwhirl: %s:%d: %s; line ignored\n", file_name.c_str(), number,
                         problem.c_str());
    }
    if (bad_lines > reported_bad_lines)
        std::fprintf(err, "dirtwhirl: %s: %d more bad lines ignored\n", file_name.c_str(),
                     bad_lines - reported_bad_lines);
    resolve_conflicts(file_name, settings, err);
}

void settings_load(const std::string &file_name, Settings &settings, std::FILE *err) {
    std::error_code error;
    const std::filesystem::path path(file_name);
    // Anything under the name, even a dangling link or a pipe, is read, not written over.
    if (std::filesystem::symlink_status(path, error).type() !=
        std::filesystem::file_type::not_found) {
        std::vector<BYTE> bytes;
        const std::string why = read_file_checked(file_name.c_str(), bytes, max_file_size);
        if (!why.empty()) {
            std::fprintf(err, "dirtwhirl: %s: %s; playing with the default settings\n",
                         file_name.c_str(), why.c_str());
            return;
        }
        settings_parse(std::string(bytes.begin(), bytes.end()), file_name, settings, err);
        return;
    }
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), error);
    // "x": never over a file that appeared in the meantime.
    std::FILE *file = std::fopen(file_name.c_str(), "wx");
    const bool written = file != nullptr && std::fwrite(default_file, 1, sizeof default_file - 1,
                                                        file) == sizeof default_file - 1;
    if ((file != nullptr && std::fclose(file) != 0) || !written)
        std::fprintf(err, "dirtwhirl: cannot write the default settings to %s: %s\n",
                     file_name.c_str(), std::strerror(errno));
}
