// Reads --computer and --level from the command line.
#include "game/computer_options.h"

#include <cstdio>
#include <cstring>

#include "game/computer_driver.h"

int computer_options_read(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const bool computer = std::strcmp(argv[i], "--computer") == 0;
        if (!computer && std::strcmp(argv[i], "--level") != 0)
            continue;
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool valid = false;
        if (!computer) {
            valid = computer_level_from_name(value, &computer_level);
        } else if (value != nullptr &&
                   (std::strcmp(value, "1") == 0 || std::strcmp(value, "2") == 0)) {
            computer_drives[value[0] - '1'] = true;
            valid = true;
        }
        if (!valid) {
            std::fprintf(stderr, "dirtwhirl: %s needs %s, not %s\n", argv[i],
                         computer ? "1 or 2" : "easy, normal or hard",
                         value != nullptr ? value : "nothing");
            return 0;
        }
        ++i;
    }
    return 1;
}
