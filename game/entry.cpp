// The executable's entry: reads the settings (from the file --config names, if given) and hands
// the process's instance to the program.
#include <cstdio>
#include <cstring>
#include <string>

#include "game/main.h"
#include "game/settings.h"

int main(int argc, char **argv) {
    std::string config_file;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--config") == 0 && i + 1 < argc) {
            config_file = argv[++i];
        } else {
            std::fprintf(stderr, "dirtwhirl: unknown option %s\nusage: dirtwhirl [--config FILE]\n",
                         argv[i]);
            return 2;
        }
    }
    settings_start(config_file);
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 1);
}
